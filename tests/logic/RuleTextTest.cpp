#include "db/Connection.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "logic/RuleText.h"
#include "support/TestEnvironment.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {
class RuleTextTest : public ::testing::Test {
protected:
    TestEnvironment env;
    Connection db;
    RuleCaptions captions;

    void SetUp() override
    {
        db.open(env.systemDataFile());
        captions.load(db);
    }

    // The catalogue caption of a field as the rendering shows it, read straight from dt_fieldlist.
    QString shown(const QString& field)
    {
        const QVariant hint = db.scalar(
            QStringLiteral("select Hint from dt_fieldlist where FieldName=?1 collate nocase"), {field});
        EXPECT_TRUE(hint.isValid()) << field.toStdString() << " is not in the catalogue";
        EXPECT_FALSE(hint.toString().isEmpty()) << field.toStdString();
        return QLatin1Char('[') + hint.toString() + QLatin1Char(']');
    }

    // Expected text with every {name} replaced by the field's shown caption.
    QString expand(const QString& pattern)
    {
        static const QRegularExpression placeholder(QStringLiteral("\\{([A-Za-z0-9]+)\\}"));
        QString out;
        qsizetype at = 0;
        for (auto it = placeholder.globalMatch(pattern); it.hasNext();) {
            const auto m = it.next();
            out += pattern.mid(at, m.capturedStart() - at) + shown(m.captured(1));
            at = m.capturedEnd();
        }
        return out + pattern.mid(at);
    }
};

struct RenderCase {
    const char* templ;
    const char* expected; // {name} stands for the caption of the field in brackets
};

const RenderCase kWorkedRenderings[] = {
    {"z003[<=]z001", "{z003}不能大于{z001}"},
    {"c002[<=]4", "{c002}不能大于4"},
    {"如果c904<4，那么x001[>]0并且x001[<=]z001+z008",
     "如果{c904}<4，那么{x001}必须大于0并且{x001}不能大于{z001}+{z008}"},
    {"f029、f030、f031、f032的和[=][f028]", "{f029}、{f030}、{f031}、{f032}的和必须等于{f028}"},
    {"如果c010=0，那么c016 [=]0", "如果{c010}=0，那么{c016} 必须等于0"},
    {"如果c001=1，那么c002[<>]0", "如果{c001}=1，那么{c002}<>0"},
    {"如果z010[=]1，那么z011[<=]3；如果不是z010，那么z011[=]0",
     "如果{z010}必须等于1，那么{z011}不能大于3；如果不是{z010}，那么{z011}必须等于0"},
};

const RenderCase kEdgeCases[] = {
    {"[<>]", "<>"},
    {"qq999[<=]z001", "qq999不能大于{z001}"},             // no such field: the bare name
    {"1+2=3，（合计）<>4 ]", "1+2=3，（合计）<>4 ]"},     // nothing to translate
    {"x002[<=]z002+z009", "{x002}不能大于{z002}+{z009}"}, // the trailing name too
    {"z001[[<=]z002", "{z001}不能大于{z002}"},            // a doubled bracket keeps the bracket mode
    {"z001[<=", "{z001}不能大于"},                        // a pending bracket token at the end
    {"z010[=]1", "{z010}必须等于1"},                      // digits after a name belong to it
    {"[<=]3", "不能大于3"},                               // digits after a bracketed operator are copied
    {"[>=]z005", "不能小于{z005}"},
    {"z001[<]z002 [>]z003", "{z001}必须小于{z002} 必须大于{z003}"},
    {"如果不是L001，那么L002[=]0", "如果不是{l001}，那么{l002}必须等于0"},
    {"[z001]", "{z001}"},
    {"[<= ]", "不能大于 ]"}, // a blank ends the bracket token; the "]" after it is plain text
    {"", ""},
};

TEST_F(RuleTextTest, RendersTheWorkedTemplates)
{
    for (const RenderCase& c : kWorkedRenderings) {
        const QString templ = QString::fromUtf8(c.templ);
        EXPECT_EQ(RenderRuleText(templ, captions), expand(QString::fromUtf8(c.expected))) << c.templ;
    }
}

TEST_F(RuleTextTest, RendersTheEdgeCases)
{
    for (const RenderCase& c : kEdgeCases) {
        const QString templ = QString::fromUtf8(c.templ);
        EXPECT_EQ(RenderRuleText(templ, captions), expand(QString::fromUtf8(c.expected))) << c.templ;
    }
}

TEST_F(RuleTextTest, TranslatesOneToken)
{
    const RenderCase tokens[] = {
        {"<=", "不能大于"},   {"[>=]", "不能小于"}, {"=", "必须等于"},      {">]", "必须大于"},
        {"[<", "必须小于"},   {"<>", "<>"},         {"[<>]", "<>"},         {"z001", "{z001}"},
        {"[L003]", "{l003}"}, {"nosuch", "nosuch"}, {"[nosuch]", "nosuch"}, {"", ""},
        {"[]", ""},
    };
    for (const RenderCase& c : tokens)
        EXPECT_EQ(TranslateRuleToken(QString::fromUtf8(c.templ), captions),
                  expand(QString::fromUtf8(c.expected)))
            << c.templ;
}

TEST_F(RuleTextTest, FindsCaptionsWithoutRegardToCase)
{
    bool found = false;
    const QString lower = captions.hint("l001", &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(QLatin1Char('[') + lower + QLatin1Char(']'), shown("l001"));
    found = false;
    EXPECT_EQ(captions.hint("L001", &found), lower);
    EXPECT_TRUE(found);
    EXPECT_TRUE(captions.hint("nosuch", &found).isEmpty());
    EXPECT_FALSE(found);
}

TEST_F(RuleTextTest, EveryDeliveredTemplateNamesOnlyCatalogueFields)
{
    // A name the catalogue does not know would show as a bare name among the captions.
    RowSet rules = db.query("select explain from dt_logic");
    ASSERT_GT(rules.recordCount(), 0);
    static const QRegularExpression bareName(QStringLiteral("[A-Za-z]"));
    for (rules.first(); !rules.eof(); rules.next()) {
        QString rendered = RenderRuleText(rules.text("explain"), captions);
        // Captions may hold Latin letters of their own; look only outside the brackets.
        rendered.remove(QRegularExpression(QStringLiteral("\\[[^\\]]*\\]")));
        EXPECT_FALSE(rendered.contains(bareName)) << rules.text("explain").toStdString();
    }
}

TEST_F(RuleTextTest, WorkingCaptionsFollowTheWorkingDatabase)
{
    InvalidateRuleCaptions();
    ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
    const QString original = shown("z001");
    EXPECT_EQ(RenderRuleText("z001"), original);

    // A change of the catalogue shows only after the captions are invalidated.
    SysConnection().execute("update dt_fieldlist set Hint='改过的名称' where FieldName='z001'");
    EXPECT_EQ(RenderRuleText("z001"), original);
    InvalidateRuleCaptions();
    EXPECT_EQ(RenderRuleText("z001"), QStringLiteral("[改过的名称]"));

    // Another working database file is read afresh.
    const QString other = env.path("other.mdb");
    CopyDeliveredDatabase(other);
    {
        Connection edit;
        edit.open(other);
        edit.execute("update dt_fieldlist set Hint='另一个文件' where FieldName='z001'");
    }
    ASSERT_EQ(OpenWorkingDatabase(other).status, OpenDatabaseResult::Opened);
    EXPECT_EQ(RenderRuleText("z001"), QStringLiteral("[另一个文件]"));
}

TEST_F(RuleTextTest, WorkingCaptionsNeedAnOpenDatabase)
{
    InvalidateRuleCaptions();
    SysConnection().close();
    EXPECT_THROW(RenderRuleText("z001"), DbError);
    // Text without names needs no catalogue.
    EXPECT_EQ(RenderRuleText("1+2"), QStringLiteral("1+2"));
}
} // namespace
