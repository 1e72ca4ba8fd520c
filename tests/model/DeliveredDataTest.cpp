#include "base/Gbk.h"
#include "db/Connection.h"
#include "db/SqlFunctions.h"
#include "model/FieldCatalogue.h"
#include "model/LevelRule.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {
class DeliveredData : public ::testing::Test {
protected:
    TestEnvironment env;
    Connection db;
    void SetUp() override { db.open(env.systemDataFile()); }

    QStringList names(const char* type)
    {
        QStringList out;
        RowSet rows = db.query("select name from sqlite_master where type=?1", {QString::fromLatin1(type)});
        for (rows.first(); !rows.eof(); rows.next())
            out << rows.text("name");
        return out;
    }
};

// The indicator fields page by page: letter, first and last number.
struct PageFields {
    int page;
    char letter;
    int first, last;
};
const PageFields kPages[] = {{1, 'z', 1, 18}, {2, 'x', 1, 12}, {3, 'p', 1, 8},  {4, 'b', 1, 31},  {5, 'b', 32, 49},
                             {6, 'f', 1, 34}, {7, 'l', 1, 7},  {8, 'h', 1, 5},  {9, 'j', 1, 21},  {10, 's', 1, 13},
                             {11, 'w', 1, 11}, {12, 'g', 1, 8}, {13, 'c', 1, 21}};

QStringList indicatorNames()
{
    QStringList out;
    for (const PageFields& p : kPages)
        for (int n = p.first; n <= p.last; ++n)
            out << QStringLiteral("%1%2").arg(QChar(p.letter)).arg(n, 3, 10, QLatin1Char('0'));
    return out;
}

// Replaces every field name of an expression by its value (0 when not given).
QString substitute(const QString& expression, const QHash<QString, int>& values)
{
    static const QRegularExpression name(QStringLiteral("[A-Za-z]+[0-9]*"));
    QString out;
    int at = 0;
    for (auto it = name.globalMatch(expression); it.hasNext();) {
        const auto m = it.next();
        out += expression.mid(at, m.capturedStart() - at);
        const QString word = m.captured();
        const QString upper = word.toUpper();
        if (upper == "AND" || upper == "OR" || upper == "NOT")
            out += word;
        else
            out += QString::number(values.value(word.toLower(), 0));
        at = m.capturedEnd();
    }
    return out + expression.mid(at);
}

QHash<QString, int> parseAssignments(const QString& text)
{
    QHash<QString, int> values;
    for (const QString& pair : text.split(' ', Qt::SkipEmptyParts)) {
        const QStringList kv = pair.split('=');
        values.insert(kv[0], kv[1].toInt());
    }
    return values;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
} // namespace

TEST_F(DeliveredData, HoldsEveryTableViewAndIndex)
{
    for (const char* t : {"dt_data", "dt_data_dt_data", "dt_fieldlist", "dt_logic", "ct_sheetName", "CT_CityName",
                          "CT_LevelCode", "CT_state", "ct_label", "ct_group", "DT_GroupItem"})
        EXPECT_TRUE(db.hasTable(t)) << t;
    const QStringList views = names("view");
    for (const char* v : {"view_data", "view_fieldlist", "view_datasearch", "view_group_item"})
        EXPECT_TRUE(views.contains(v, Qt::CaseInsensitive)) << v;
    const QStringList indexes = names("index");
    for (const char* i : {"sequence", "FieldName", "Code1"})
        EXPECT_TRUE(indexes.contains(i)) << i;
}

TEST_F(DeliveredData, SurveyTableHasTheCoverAndEveryIndicator)
{
    const QStringList columns = db.columnNames("dt_data");
    QStringList expected = {"c901", "c902", "c903", "c904", "c905", "c906", "c907"};
    expected << indicatorNames() << "RecordState";
    EXPECT_EQ(indicatorNames().size(), 207);
    QStringList sortedColumns = columns, sortedExpected = expected;
    sortedColumns.sort();
    sortedExpected.sort();
    EXPECT_EQ(sortedColumns, sortedExpected);
    EXPECT_EQ(db.columnNames("dt_data_dt_data"), columns);
    // codes and amounts keep numeric affinity, texts stay text
    EXPECT_EQ(db.scalar("select type from pragma_table_info('dt_data') where name='c901'").toString(), "NUMERIC");
    EXPECT_EQ(db.scalar("select type from pragma_table_info('dt_data') where name='c902'").toString(), "TEXT");
}

TEST_F(DeliveredData, CatalogueDescribesEveryField)
{
    const TFieldDataArray fields = LoadFieldCatalogue(db);
    ASSERT_EQ(fields.size(), 215);
    const QStringList cover = {"c901", "c902", "c903", "c904", "c905", "c906", "c907"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(fields[i].FieldName, cover[i]);
        EXPECT_EQ(fields[i].ID, i + 1);
        EXPECT_EQ(fields[i].sequence, i + 1);
        EXPECT_EQ(fields[i].PageID, 0);
        EXPECT_TRUE(fields[i].Visible);
    }
    const QStringList indicators = indicatorNames();
    for (int i = 0; i < 207; ++i) {
        const TFieldData& f = fields[7 + i];
        EXPECT_EQ(f.FieldName, indicators[i]);
        EXPECT_EQ(f.sequence, 8 + i);
        EXPECT_FALSE(f.Visible);
        EXPECT_FALSE(f.Hint.isEmpty()) << f.FieldName.toStdString();
        EXPECT_TRUE(GbkCanEncode(f.Hint));
    }
    for (const PageFields& p : kPages)
        for (int n = p.first; n <= p.last; ++n) {
            const QString name = QStringLiteral("%1%2").arg(QChar(p.letter)).arg(n, 3, 10, QLatin1Char('0'));
            const auto it = std::find_if(fields.begin(), fields.end(), [&](const TFieldData& f) { return f.FieldName == name; });
            EXPECT_EQ(it->PageID, p.page) << name.toStdString();
        }
    EXPECT_EQ(fields.last().FieldName, "RecordState");
    EXPECT_GE(fields.last().sequence, 1000);
    // every list column shows a column of view_data
    const QStringList viewColumns = db.columnNames("view_data");
    for (const TFieldData& f : fields)
        EXPECT_TRUE(viewColumns.contains(f.ShowName, Qt::CaseInsensitive)) << f.ShowName.toStdString();
}

TEST_F(DeliveredData, KindsOfValueFollowTheSurvey)
{
    const QStringList answers = QString("z010 z018 x004 x005 x006 x007 b001 b011 b013 b045 f002 f007 f014 f015 f023 "
                                        "f027 l001 h001 h002 j015 j016 s001 s002 s003 s004 s005 s006 s009 s010 s011 "
                                        "s012 c001 c004 c009").split(' ');
    const QStringList decimals = QString("b014 b017 b024 b039 b048 b049 j018 j021").split(' ');
    for (const TFieldData& f : LoadFieldCatalogue(db)) {
        if (f.PageID < 1)
            continue;
        const int expected = answers.contains(f.FieldName) ? AnswerCode : decimals.contains(f.FieldName) ? DecimalNumber : WholeNumber;
        EXPECT_EQ(f.QueryType, expected) << f.FieldName.toStdString();
        EXPECT_EQ(f.Hint.endsWith("(1=是；2=否)"), answers.contains(f.FieldName)) << f.FieldName.toStdString();
    }
}

TEST_F(DeliveredData, LevelRulesFollowThePageHeadings)
{
    QHash<QString, QString> rules;
    for (const TFieldData& f : LoadFieldCatalogue(db))
        if (!f.Rule.isEmpty())
            rules.insert(f.FieldName, f.Rule);
    struct Case {
        const char* field;
        QList<int> levels; // the levels 1..10 the field applies to
    } cases[] = {
        {"z011", {1, 2, 7}}, {"z017", {3}}, {"z018", {4, 5}}, {"b011", {1, 2, 3}}, {"b042", {1, 2, 3}},
        {"f004", {1, 2}}, {"h002", {1, 2, 3, 7, 8}}, {"h004", {3, 4, 5, 6, 7, 8, 9, 10}}, {"j008", {1}},
        {"s003", {1, 2, 3}}, {"w011", {1, 2, 3}}, {"c008", {1, 2, 3}}, {"c021", {4, 5, 6}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(rules.contains(c.field)) << c.field;
        for (int level = 1; level <= 10; ++level)
            EXPECT_EQ(MatchesLevelRule(level, rules[c.field]), c.levels.contains(level)) << c.field << " " << level;
    }
    EXPECT_FALSE(rules.contains("z001"));
    EXPECT_FALSE(rules.contains("b013"));
    EXPECT_EQ(rules.size(), 3 + 30 + 5 + 1 + 3 + 8 + 3 + 6 + 21);
}

TEST_F(DeliveredData, CodeTablesAndLabel)
{
    EXPECT_EQ(db.scalar("select count(*) from CT_CityName where Code2=0 and Code3=0").toInt(), 31);
    EXPECT_EQ(db.scalar("select count(*) from CT_CityName where Code2<>0 and Code3=0").toInt(), 342);
    EXPECT_GE(db.scalar("select count(*) from CT_CityName where Code3<>0").toInt(), 2970);
    EXPECT_EQ(db.scalar("select count(*) from CT_CityName where ID <> Code1*10000+Code2*100+Code3").toInt(), 0);
    EXPECT_EQ(db.scalar("select CombName from CT_CityName where ID=110100").toString(), "北京市");
    EXPECT_EQ(db.scalar("select count(*) from CT_LevelCode").toInt(), 10);
    EXPECT_EQ(db.scalar("select Name from CT_LevelCode where ID=10").toString(), "其他基层以上工会");
    EXPECT_EQ(db.scalar("select Name from CT_state where ID=1").toString(), "正常填报");
    EXPECT_EQ(db.scalar("select count(*) from ct_sheetName").toInt(), 14);
    EXPECT_EQ(db.scalar("select CodeName from ct_sheetName where CodeID=0").toString(), "封面");
    EXPECT_EQ(db.scalar("select db_name from ct_label").toString(), "默认数据库");
    EXPECT_EQ(db.scalar("select count(*) from ct_label").toInt(), 1);
}

TEST_F(DeliveredData, ViewsCanBeWrittenThrough)
{
    db.execute("update view_fieldlist set visible=false");
    EXPECT_EQ(db.scalar("select count(*) from dt_fieldlist where Visible<>0").toInt(), 0);
    db.execute("update view_fieldlist set visible=true where id=2");
    EXPECT_EQ(db.scalar("select FieldName from dt_fieldlist where Visible<>0").toString(), "c902");
    EXPECT_EQ(db.scalar("select SheetName from view_FieldList where id=8").toString(), "表1 工会组织建设状况");

    db.execute("insert into ct_group (Name, orderstr) values ('分组', 'id ASC')");
    db.execute("insert into view_group_item (GroupID, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol) "
               "values (1, '一', 110000000000, 119999999999, '>=', '<')");
    EXPECT_EQ(db.scalar("select LowValue from view_group_item").toString(), ">=110000000000");
    db.execute("update view_group_item set Title='二' where id=1");
    EXPECT_EQ(db.scalar("select Title from DT_GroupItem").toString(), "二");
    db.execute("delete from view_group_item where id=1");
    EXPECT_EQ(db.scalar("select count(*) from DT_GroupItem").toInt(), 0);
}

TEST_F(DeliveredData, ListViewShowsWordsBesideTheCodes)
{
    db.execute("insert into dt_data (c901, c902, c903, c904, c907, RecordState) "
               "values (110101000001, '东城区总工会', 110101, 3, 1, 2)");
    RowSet rows = db.query("SELECT *  from view_data order by c901 asc");
    ASSERT_EQ(rows.recordCount(), 1);
    EXPECT_EQ(rows.text("DivisionName"), "北京市东城区");
    EXPECT_EQ(rows.text("LevelName"), "县级地方工会");
    EXPECT_EQ(rows.text("StateName"), "正常填报");
    EXPECT_EQ(rows.text("CheckStateName"), "有错");
    EXPECT_EQ(rows.text("c901"), "110101000001");
}

TEST_F(DeliveredData, EveryRuleEvaluatesAndBreaksOnItsCase)
{
    QFile file(QStringLiteral(TALLYRA_FIXTURES_DIR) + "/rule_cases.tsv");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    lines.removeFirst();
    RowSet rules = db.query("select * from dt_logic order by ID");
    ASSERT_EQ(rules.recordCount(), 140);
    ASSERT_EQ(lines.size(), 140);
    const QStringList indicators = indicatorNames();
    int failingOnZero = 0;
    for (int no = 1; !rules.eof(); rules.next(), ++no) {
        const QString expression = rules.text("expression");
        const QStringList cells = lines[no - 1].split('\t');
        ASSERT_EQ(cells[0].toInt(), no);
        const QHash<QString, int> zero;
        const QVariant onZero = db.scalar("select " + substitute(expression, zero) + " as rt");
        if (ToJetTruth(onZero) == -1)
            ++failingOnZero;
        EXPECT_EQ(ToJetTruth(db.scalar("select " + substitute(expression, parseAssignments(cells[1])) + " as rt")), -1)
            << no;
        EXPECT_EQ(ToJetTruth(db.scalar("select " + substitute(expression, parseAssignments(cells[2])) + " as rt")), 0)
            << no;
        const int page = int(rules.toInt("page_id"));
        EXPECT_GE(page, 1);
        EXPECT_LE(page, 13);
        EXPECT_FALSE(rules.text("rule").isEmpty());
        EXPECT_FALSE(rules.text("explain").isEmpty());
        const QString focus = rules.text("focus");
        EXPECT_TRUE(indicators.contains(focus)) << no << " " << focus.toStdString();
    }
    EXPECT_EQ(failingOnZero, 2); // the empty return breaks z001+z008>0 and the level check of x001
}

TEST_F(DeliveredData, PackageTemplateHoldsTheSurveyTableAndLabel)
{
    Connection package;
    package.open(QDir(env.programFolder()).filePath("view.dll"));
    EXPECT_EQ(package.columnNames("dt_data"), db.columnNames("dt_data"));
    EXPECT_EQ(package.scalar("select count(*) from dt_data").toInt(), 0);
    EXPECT_EQ(package.scalar("select count(*) from ct_label").toInt(), 1);
}

TEST_F(DeliveredData, ChoiceFilesAreGbkWithCrLf)
{
    const QByteArray sum = readFile(QDir(env.programFolder()).filePath("sumtable.zul"));
    const QList<QByteArray> lines = sum.split('\n');
    EXPECT_EQ(lines.size(), 41); // 40 entries and the empty rest after the last line end
    EXPECT_EQ(lines[0], GbkEncode("&1 0 封面        ") + "\r");
    EXPECT_EQ(lines[1], GbkEncode("&0 0 //表一 工会组织建设状况        ") + "\r");
    EXPECT_EQ(lines[39], GbkEncode("&1 0 补充资料统计表2 ") + "\r");
    const QByteArray exp = readFile(QDir(env.programFolder()).filePath("exporttable.zul"));
    EXPECT_TRUE(exp.startsWith(GbkEncode("&1 0 表一 工会组织建设状况 \r\n")));
    EXPECT_EQ(exp.count('\n'), 12);
}

TEST_F(DeliveredData, NotesFilesForEveryPage)
{
    for (int page = 0; page <= 13; ++page) {
        const QString name = QStringLiteral("notes/TableNotesZUL-%1.rtf").arg(page, 2, 10, QLatin1Char('0'));
        const QByteArray rtf = readFile(QDir(env.programFolder()).filePath(name));
        EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << name.toStdString();
        EXPECT_TRUE(rtf.contains("\\par")) << name.toStdString();
        EXPECT_EQ(rtf.count('{'), rtf.count('}')) << name.toStdString();
    }
}
