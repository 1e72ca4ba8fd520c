#include "db/Connection.h"
#include "db/DbError.h"
#include "logic/RuleExpression.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QHash>
#include <gtest/gtest.h>

namespace {
// Answers names from a table of values, a missing name as "0", and records every name asked.
struct Resolver {
    QHash<QString, QString> values; // lower-case name -> value text
    QStringList asked;

    QString operator()(const QString& name)
    {
        asked << name;
        return values.value(name.toLower(), QStringLiteral("0"));
    }
    std::function<QString(const QString&)> function()
    {
        return [this](const QString& name) { return (*this)(name); };
    }
};

// "z010=1 z011=5" -> the values table.
QHash<QString, QString> parseValues(const QString& text)
{
    QHash<QString, QString> values;
    for (const QString& pair : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList kv = pair.split(QLatin1Char('='));
        values.insert(kv[0].toLower(), kv[1]);
    }
    return values;
}

struct RewriteCase {
    const char* expression;
    const char* values;
    const char* rewritten;
    const char* asked; // the names the resolver is asked for, in order, separated by blanks
};

const RewriteCase kRewrites[] = {
    {"(z010=1 and z011>3) or (z010<>1 and z011<>0)", "z010=1 z011=5", "(1=1 and 5>3) or (1<>1 and 5<>0)",
     "z010 z011 z010 z011"},
    {"z001 AND z002 And z003 and z004", "z001=1 z002=2 z003=3 z004=4", "1 AND 2 And 3 and 4",
     "z001 z002 z003 z004"},
    {"NOT z001>0 Or z002=1 oR not z003<0", "z001=7", "NOT 7>0 Or 0=1 oR not 0<0", "z001 z002 z003"},
    {"ANDx=1", "ANDx=9", "9=1", "ANDx"},
    {"z001<=3", "z001=12", "12<=3", "z001"},
    {"z001", "z001=-4", "-4", "z001"},
    {"z003>z001", "z003=5", "5>0", "z003 z001"},
    {"b004*2+B005/3-(b006)", "b004=1 b005=2 b006=3", "1*2+2/3-(3)", "b004 B005 b006"},
    {"  3.5 >= 2 ", "", "  3.5 >= 2 ", ""},
    {"z0x1>1", "z0x1=8", "8>1", "z0x1"},
};

TEST(RuleExpressionTest, RewritesNamesIntoValues)
{
    for (const RewriteCase& c : kRewrites) {
        Resolver resolver;
        resolver.values = parseValues(QString::fromUtf8(c.values));
        EXPECT_EQ(RewriteRuleExpression(QString::fromUtf8(c.expression), resolver.function()),
                  QString::fromUtf8(c.rewritten))
            << c.expression;
        EXPECT_EQ(resolver.asked, QString::fromUtf8(c.asked).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            << c.expression;
    }
}

class RuleEvaluation : public ::testing::Test {
protected:
    TestEnvironment env;
    Connection db;
    void SetUp() override { db.open(env.systemDataFile()); }

    bool evaluate(const QString& expression, const QString& values)
    {
        Resolver resolver;
        resolver.values = parseValues(values);
        return EvaluateRuleExpression(db, RewriteRuleExpression(expression, resolver.function()));
    }
};

struct EvaluationCase {
    const char* expression;
    const char* values;
    bool violated;
};

const EvaluationCase kEvaluations[] = {
    {"(z010=1 and z011>3) or (z010<>1 and z011<>0)", "z010=1 z011=5", true},
    {"(z010=1 and z011>3) or (z010<>1 and z011<>0)", "z010=1 z011=3", false},
    {"(z010=1 and z011>3) or (z010<>1 and z011<>0)", "z010=2 z011=1", true},
    {"z003>z001", "z003=5", true}, // a blank control counts as 0
    {"z003>z001", "z003=5 z001=5", false},
    {"NOT z001>0", "z001=0", true},
    {"z004+z005+z006+z007<>z001", "z004=1 z005=2 z006=3 z007=4 z001=10", false},
    {"z004+z005+z006+z007<>z001", "z004=1 z001=10", true},
    {"z001", "z001=0", false},
};

TEST_F(RuleEvaluation, EvaluatesRewrittenExpressions)
{
    for (const EvaluationCase& c : kEvaluations)
        EXPECT_EQ(evaluate(QString::fromUtf8(c.expression), QString::fromUtf8(c.values)), c.violated)
            << c.expression;
}

TEST_F(RuleEvaluation, OnlyTrueIsAViolation)
{
    const struct {
        const char* rewritten;
        bool violated;
    } cases[] = {{"1=1", true},         {"1=2", false}, {"null", false}, {"null>1", false},
                 {"1 and null", false}, {"0", false},   {"2", false},    {"-1", true}};
    for (const auto& c : cases)
        EXPECT_EQ(EvaluateRuleExpression(db, QString::fromLatin1(c.rewritten)), c.violated) << c.rewritten;
}

TEST_F(RuleEvaluation, MalformedExpressionsRaiseTheEngineError)
{
    for (const char* rewritten : {"1>", "(1=1", "=0", "1 <> and 2"})
        EXPECT_THROW(EvaluateRuleExpression(db, QString::fromLatin1(rewritten)), DbError) << rewritten;
    // A name that resolved to nothing leaves a gap the engine refuses.
    Resolver resolver;
    resolver.values.insert("z001", QString());
    EXPECT_THROW(EvaluateRuleExpression(db, RewriteRuleExpression("z001>3", resolver.function())), DbError);
}

TEST_F(RuleEvaluation, LoadsTheRulesOfOnePage)
{
    RowSet all = db.query("select * from dt_logic");
    QVector<RuleRow> expected;
    for (all.first(); !all.eof(); all.next()) {
        if (all.toInt("page_id") == 5)
            expected.push_back(
                {5, all.text("expression"), all.text("rule"), all.text("explain"), all.text("focus")});
    }
    ASSERT_FALSE(expected.isEmpty());

    const QVector<RuleRow> rules = LoadPageRules(db, 5);
    ASSERT_EQ(rules.size(), expected.size());
    for (int i = 0; i < rules.size(); ++i) {
        EXPECT_EQ(rules[i].page, 5);
        EXPECT_EQ(rules[i].expression, expected[i].expression) << i;
        EXPECT_EQ(rules[i].rule, expected[i].rule) << i;
        EXPECT_EQ(rules[i].explain, expected[i].explain) << i;
        EXPECT_EQ(rules[i].focus, expected[i].focus) << i;
    }
    EXPECT_TRUE(LoadPageRules(db, 14).isEmpty());
}

// Every delivered rule, rewritten and evaluated, breaks on the values that should break it and
// holds on the values that satisfy it.
TEST_F(RuleEvaluation, EveryDeliveredRuleBreaksOnItsCase)
{
    QFile file(QStringLiteral(TALLYRA_FIXTURES_DIR) + "/rule_cases.tsv");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeFirst();
    // Together the pages hold every stored rule.
    int loaded = 0;
    for (int page = 1; page <= 13; ++page)
        loaded += LoadPageRules(db, page).size();
    ASSERT_EQ(loaded, lines.size());

    // The case file is numbered in the order the rules were stored.
    RowSet rules = db.query("select expression from dt_logic order by ID");
    ASSERT_EQ(rules.recordCount(), lines.size());
    for (int no = 1; !rules.eof(); rules.next(), ++no) {
        const QStringList cells = lines[no - 1].split(QLatin1Char('\t'));
        ASSERT_EQ(cells.size(), 3);
        ASSERT_EQ(cells[0].toInt(), no);
        const QString expression = rules.text("expression");
        EXPECT_TRUE(evaluate(expression, cells[1])) << no << " " << expression.toStdString();
        EXPECT_FALSE(evaluate(expression, cells[2])) << no << " " << expression.toStdString();
    }
}
} // namespace
