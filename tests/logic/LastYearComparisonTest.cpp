#include "logic/LastYearComparison.h"
#include "base/SettingsStore.h"
#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "exchange/PackageFile.h"
#include "logic/CompareFixture.h"
#include "logic/ComparisonWorkbook.h"
#include "model/CodeList.h"
#include "support/FileSizeLimit.h"
#include "support/OpenpyxlReader.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {
using compare_fixture::kBase;
using compare_fixture::kEven;

// ---------------------------------------------------------------- the method on small tables

struct Expected {
    int pair;
    bool rise;
    double score;
};
struct MethodCase {
    const char* name;
    std::vector<double> current, last;
    CompareParameters parameters;
    bool skipped;
    int pairs;
    double medianRatio;
    std::vector<Expected> flags;
};

// y = 10 throughout unless said; worked by hand:
// "even": x = 1, 9, 9.5, 9.8, 10.2, 10.5, 11, 11.2, 11.5, 50. r = x/10; n = 10, so r_med is the
//   mean of 1.02 and 1.05 = 1.035. With U = 0, E = s: -9.35, -0.15, -0.0894737, -0.0561224,
//   -0.0147059, 0.0144928, 0.0628019, 0.0821256, 0.1111111, 3.8309179. Q1 at 2.25 = -0.0811359,
//   E_M at 4.5 = -0.0001066, Q3 at 6.75 = 0.0772947; d_low = 0.0810293, d_high = 0.0774013.
//   Fall below -0.3242238: the first (score 9.3498934 / 0.0810293 = 115.389); rise above
//   0.3095 : the last (3.8310245 / 0.0774013 = 49.4956).
// "tiesLow": x = 1, 20 x5, 22, 24, 26, 400: r_med = 2 (ties at the median), E = -19, 0 x5, 0.1,
//   0.2, 0.3, 19; Q1 = E_M = 0, so d_low = 0 and the fall of -19 is not flagged; Q3 at 6.75 =
//   0.175, the rise 19 scores 19 / 0.175 = 108.571.
// "tiesBoth": x = 1, 20 x8, 500: every quartile is 0, both sides have distance 0, nothing flagged.
// "floorA": x = 1, 5 x4, 15 x4, 100: r_med = 1 (mean of 0.5 and 1.5); E = -9, -1 x4, 0.5 x4, 9;
//   Q1 = -1, E_M = -0.25, Q3 = 0.5, so both distances are 0.75, or |A * E_M| = 1 with A = 4. With
//   C = 9 and A = 0.05 the bounds are -7 and 6.5: both flagged (11.667 and 12.333); with A = 4
//   they are -9.25 and 8.75: only the rise (9.25).
// "odd": pairs (4,1), (9,4), (16,9), ... (121,100), (1,400), U = 0.5: n = 11, r_med is the
//   middle ratio 49/36, whose pair has E = 0 = E_M; the last pair falls 400-fold: s = 1 -
//   (49/36)/0.0025 = -543.44, E = s * 20 = -10868.9, far below; its score is 12756.8.
std::vector<double> tens(size_t n)
{
    return std::vector<double>(n, 10);
}
std::vector<double> join(std::vector<double> a, const std::vector<double>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<MethodCase>& methodCases()
{
    static const std::vector<MethodCase> cases{
        {"even count, a fall and a rise",
         kEven,
         tens(10),
         {0, 0.05, 4},
         false,
         10,
         1.035,
         {{0, false, 115.38902794}, {9, true, 49.49564020}}},
        {"unchanged values neither count nor flag",
         join(kEven, tens(20)),
         tens(30),
         {0, 0.05, 4},
         false,
         10,
         1.035,
         {{0, false, 115.38902794}, {9, true, 49.49564020}}},
        {"a zero in either year does not count",
         join(kEven, {0, 10, 0}),
         join(tens(10), {10, 0, 0}),
         {0, 0.05, 4},
         false,
         10,
         1.035,
         {{0, false, 115.38902794}, {9, true, 49.49564020}}},
        {"no value (NULL) in either year does not count",
         join(kEven, {std::nan(""), 10, std::nan(""), 0}),
         join(tens(10), {10, std::nan(""), std::nan(""), std::nan("")}),
         {0, 0.05, 4},
         false,
         10,
         1.035,
         {{0, false, 115.38902794}, {9, true, 49.49564020}}},
        {"exactly 9 pairs are too few",
         std::vector<double>(kEven.begin(), kEven.end() - 1),
         tens(9),
         {0, 0.05, 4},
         true,
         9,
         0,
         {}},
        {"9 changed and unchanged ones are too few",
         join(std::vector<double>(kEven.begin() + 1, kEven.end()), tens(5)),
         tens(14),
         {0, 0.05, 4},
         true,
         9,
         0,
         {}},
        {"ties at the median leave the low side no distance",
         {1, 20, 20, 20, 20, 20, 22, 24, 26, 400},
         tens(10),
         {0, 0.05, 4},
         false,
         10,
         2,
         {{9, true, 108.57142857}}},
        {"both sides without distance flag nothing",
         {1, 20, 20, 20, 20, 20, 20, 20, 20, 500},
         tens(10),
         {0, 0.05, 4},
         false,
         10,
         2,
         {}},
        {"A small: both ends flagged",
         {1, 5, 5, 5, 5, 15, 15, 15, 15, 100},
         tens(10),
         {0, 0.05, 9},
         false,
         10,
         1,
         {{0, false, 11.66666667}, {9, true, 12.33333333}}},
        {"A large widens both sides",
         {1, 5, 5, 5, 5, 15, 15, 15, 15, 100},
         tens(10),
         {0, 4, 9},
         false,
         10,
         1,
         {{9, true, 9.25}}},
        {"odd count, sizes weigh with U",
         {4, 9, 16, 25, 36, 49, 64, 81, 100, 121, 1},
         {1, 4, 9, 16, 25, 36, 49, 64, 81, 100, 400},
         {0.5, 0.05, 4},
         false,
         11,
         49.0 / 36,
         {{10, false, 12756.81941677}}},
    };
    return cases;
}

TEST(CompareMethodTest, SmallTablesWorkedByHand)
{
    for (const MethodCase& c : methodCases()) {
        SCOPED_TRACE(c.name);
        const IndicatorOutcome out = AssessIndicator(c.current, c.last, c.parameters);
        EXPECT_EQ(out.skipped, c.skipped);
        EXPECT_EQ(out.pairs, c.pairs);
        if (c.skipped)
            continue;
        EXPECT_NEAR(out.medianRatio, c.medianRatio, 1e-12);
        ASSERT_EQ(out.flags.size(), c.flags.size());
        for (size_t i = 0; i < c.flags.size(); ++i) {
            EXPECT_EQ(out.flags[i].pair, c.flags[i].pair);
            EXPECT_EQ(out.flags[i].rise, c.flags[i].rise);
            EXPECT_NEAR(out.flags[i].score, c.flags[i].score, 1e-6 * c.flags[i].score);
            EXPECT_DOUBLE_EQ(out.flags[i].ratio, c.current[c.flags[i].pair] / c.last[c.flags[i].pair]);
        }
    }
}

TEST(CompareMethodTest, QuartilesInterpolateBetweenOrderStatistics)
{
    std::vector<double> v{9, 1, 8, 2, 7, 3, 6, 4, 5, 10}; // 1..10: (n-1)p = 2.25, 4.5, 6.75
    EXPECT_DOUBLE_EQ(InterpolatedPercentile(v, 0.25), 3.25);
    EXPECT_DOUBLE_EQ(InterpolatedPercentile(v, 0.5), 5.5);
    EXPECT_DOUBLE_EQ(InterpolatedPercentile(v, 0.75), 7.75);
    std::vector<double> odd{5, 1, 3};
    EXPECT_DOUBLE_EQ(InterpolatedPercentile(odd, 0.5), 3);
    std::vector<double> even{4, 1, 3, 2};
    EXPECT_DOUBLE_EQ(MedianOf(even), 2.5);
}

TEST(CompareMethodTest, ValuesAtTheEndsOfTheArithmeticSkipTheIndicator)
{
    // A made-up file: ratios that overflow must not reach the sorting as infinities or NaN.
    std::vector<double> current(12, 1e300), last(12, 1e-300);
    last[0] = 5;
    const IndicatorOutcome out = AssessIndicator(current, last, {});
    EXPECT_TRUE(out.skipped);
    EXPECT_TRUE(out.flags.empty());
}

TEST(CompareMethodTest, ParametersOutsideTheirRangesAreRefused)
{
    EXPECT_TRUE(CheckCompareParameters({}).isEmpty());
    EXPECT_TRUE(CheckCompareParameters({0, 0, 0.1}).isEmpty());
    EXPECT_TRUE(CheckCompareParameters({1, 100, 1000}).isEmpty());
    for (const CompareParameters& p : std::vector<CompareParameters>{{-0.1, 0.05, 4},
                                                                     {1.5, 0.05, 4},
                                                                     {0.5, -1, 4},
                                                                     {0.5, 101, 4},
                                                                     {0.5, 0.05, 0},
                                                                     {0.5, 0.05, 1001},
                                                                     {std::nan(""), 0.05, 4},
                                                                     {0.5, 0.05, INFINITY}})
        EXPECT_FALSE(CheckCompareParameters(p).isEmpty());
}

// ---------------------------------------------------------------- the two files

class CompareFilesTest : public ::testing::Test {
protected:
    TestEnvironment env;
    QString last;

    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        last = env.path("2011.mdb");
        CopyDeliveredDatabase(last);
    }
    static void add(Connection& db, qint64 code, int state, const QString& set = QString())
    {
        compare_fixture::AddReturn(db, code, state, set);
    }
    void fillBothYears()
    {
        Connection before;
        before.open(last);
        compare_fixture::FillBothYears(SysConnection(), before);
    }
    static QByteArray bytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(CompareFilesTest, IndicatorsAreTheNumbersOfTheDataPagesWithoutTheCodeFields)
{
    const QVector<CompareIndicator> indicators = CompareIndicators(SysConnection());
    QStringList fields;
    for (const CompareIndicator& i : indicators)
        fields << i.field;
    const int expected =
        SysConnection()
            .scalar("select count(*) from dt_fieldlist where PageID between 1 and 13 and QueryType in (0, 2) "
                    "and FieldName not in ('z011', 'z012', 'c002', 'c003')")
            .toInt();
    EXPECT_EQ(indicators.size(), expected);
    for (const char* in : {"z001", "b014", "j021", "c021"})
        EXPECT_TRUE(fields.contains(in)) << in;
    for (const char* out : {"z010", "z011", "z012", "c002", "c003", "c001", "c901", "c907", "RecordState"})
        EXPECT_FALSE(fields.contains(out)) << out;
    EXPECT_EQ(fields.first(), "z001");
    EXPECT_EQ(indicators.first().page, 1);
    EXPECT_FALSE(indicators.first().caption.isEmpty());
}

TEST_F(CompareFilesTest, MatchesByCodeAndListsTheUnitsOfOneYear)
{
    fillBothYears();
    const CompareResult r = CompareWithLastYear(SysConnection(), last, {0, 0.05, 4});
    ASSERT_TRUE(r.refused.isEmpty()) << r.refused.toStdString();
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(r.matched, 12);
    ASSERT_EQ(r.flagged.size(), 2);
    EXPECT_EQ(r.flagged[0].code, kBase + 1);
    EXPECT_EQ(r.indicators[r.flagged[0].indicator].field, "z001");
    EXPECT_FALSE(r.flagged[0].rise);
    EXPECT_EQ(r.flagged[0].last, 10);
    EXPECT_EQ(r.flagged[0].current, 1);
    EXPECT_DOUBLE_EQ(r.flagged[0].ratio, 0.1);
    EXPECT_NEAR(r.flagged[0].score, 115.38902794, 1e-6);
    EXPECT_EQ(r.flagged[0].name, "工会1");
    EXPECT_EQ(r.flagged[1].code, kBase + 10);
    EXPECT_TRUE(r.flagged[1].rise);
    EXPECT_NEAR(r.flagged[1].score, 49.49564020, 1e-6);

    ASSERT_EQ(r.absentNow.size(), 2);
    EXPECT_EQ(r.absentNow[0].code, kBase + 13);
    EXPECT_EQ(r.absentNow[0].otherState, 3);
    EXPECT_EQ(r.absentNow[1].code, kBase + 16);
    EXPECT_EQ(r.absentNow[1].otherState, -1);
    EXPECT_EQ(r.absentNow[1].name, "工会16");
    ASSERT_EQ(r.newNow.size(), 2);
    EXPECT_EQ(r.newNow[0].code, kBase + 14);
    EXPECT_EQ(r.newNow[0].otherState, -1);
    EXPECT_EQ(r.newNow[1].code, kBase + 15);
    EXPECT_EQ(r.newNow[1].otherState, 4);

    // z002 has 9 pairs, every other indicator but z001 and z003 none.
    EXPECT_TRUE(r.skipped.contains("z002"));
    EXPECT_FALSE(r.skipped.contains("z001"));
    EXPECT_FALSE(r.skipped.contains("z003"));
    EXPECT_EQ(r.skipped.size(), r.indicators.size() - 2);
    EXPECT_EQ(r.skipped.first(), "z002"); // in catalogue order
}

TEST_F(CompareFilesTest, ARunChangesNeitherFileNorAnyState)
{
    fillBothYears();
    const QByteArray working = bytes(env.systemDataFile()), reference = bytes(last);
    for (const CompareParameters& p : {CompareParameters{}, CompareParameters{0, 0.05, 4}}) {
        const CompareResult r = CompareWithLastYear(SysConnection(), last, p);
        ASSERT_TRUE(r.refused.isEmpty());
    }
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data where RecordState<>1").toInt(), 0);
    SysConnection().close();
    EXPECT_EQ(bytes(env.systemDataFile()), working);
    EXPECT_EQ(bytes(last), reference);
    EXPECT_FALSE(QFile::exists(last + "-journal"));
}

TEST_F(CompareFilesTest, LastYearsFileThatCannotBeUsedIsRefused)
{
    fillBothYears();
    QFile::link(env.systemDataFile(), env.path("link.mdb"));
    ::link(QFile::encodeName(env.systemDataFile()).constData(),
           QFile::encodeName(env.path("hard.mdb")).constData());
    {
        QFile text(env.path("notes.mdb"));
        text.open(QIODevice::WriteOnly);
        text.write("not a database at all\r\n");
    }
    // Cut inside its last page.
    QFile::copy(last, env.path("cut.mdb"));
    QFile::resize(env.path("cut.mdb"), QFileInfo(last).size() - 100);
    auto variant = [this](const QString& name, const QString& sql) {
        const QString path = env.path(name);
        QFile::copy(last, path);
        Connection c;
        c.open(path);
        c.executeScript(sql);
        return path;
    };
    const QString view = variant(
        "view.mdb",
        "alter table dt_data rename to dt_data_old; create view dt_data as select * from dt_data_old");
    const QString extra = variant("extra.mdb", "alter table dt_data add column z999 numeric");
    const QString none = variant("none.mdb", "drop view view_data; drop table dt_data");
    const QString noLabel = variant("nolabel.mdb", "drop table ct_label");
    const QString textCodes =
        variant("textcodes.mdb", "insert into dt_data (c901, c902, c907) values ('x', 'a', 1)");

    const QByteArray working = bytes(env.systemDataFile());
    struct Refusal {
        QString path;
        QString says;
    };
    const QList<Refusal> cases{
        {env.path("missing.mdb"), "找不到上年数据文件"},
        {QString(), "找不到上年数据文件"},
        {env.path(QString()), "找不到上年数据文件"}, // a folder
        {env.systemDataFile(), "正在使用的数据库"},
        {env.path("link.mdb"), "正在使用的数据库"},
        {env.path("hard.mdb"), "正在使用的数据库"},
        {env.path("notes.mdb"), "不是有效的数据文件"},
        {env.path("cut.mdb"), "损坏"},
        {view, "不是数据表"},
        {extra, "多余的字段"},
        {none, "不存在名字为\"dt_data\"的数据表"},
        {noLabel, "ct_label"},
        {textCodes, "统计编码"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const CompareResult r = CompareWithLastYear(SysConnection(), c.path, {});
        EXPECT_TRUE(r.refused.contains(c.says)) << r.refused.toStdString();
        EXPECT_TRUE(r.flagged.isEmpty() && r.absentNow.isEmpty() && r.newNow.isEmpty());
    }
    EXPECT_FALSE(CompareWithLastYear(SysConnection(), last, {2, 0.05, 4}).refused.isEmpty());
    // Nothing stays attached after a refusal or a run.
    EXPECT_EQ(SysConnection().scalar("select count(*) from pragma_database_list").toInt(), 1);
    SysConnection().close();
    EXPECT_EQ(bytes(env.systemDataFile()), working);
}

TEST_F(CompareFilesTest, HostileContentOfLastYearsFileRunsNothingAndChangesNothing)
{
    fillBothYears();
    // Each variant is read as it stands or refused with a reason; none runs anything of its own
    // or changes a file.
    auto variant = [this](const QString& name, const char* sql) {
        const QString path = env.path(name);
        QFile::copy(last, path);
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
        return path;
    };
    const QStringList files{
        variant("trigger.mdb",
                "create table dt_touched (n integer);"
                "create trigger t after update on dt_data begin insert into dt_touched values (1); end;"
                "create trigger u before delete on dt_data begin insert into dt_touched values (2); end;"),
        variant("check.mdb",
                "PRAGMA writable_schema=ON;"
                "update sqlite_master set sql=substr(sql, 1, length(sql)-1) || ', check (c907 > 100))' "
                "where name='dt_data';"),
        variant("wal.mdb", "PRAGMA journal_mode=WAL; create table dt_touched (n integer); insert into "
                           "dt_touched values (3);"),
    };
    const QByteArray working = bytes(env.systemDataFile());
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QByteArray reference = bytes(file);
        const CompareResult r = CompareWithLastYear(SysConnection(), file, {0, 0.05, 4});
        if (r.refused.isEmpty())
            EXPECT_EQ(r.flagged.size(), 2);
        else
            EXPECT_FALSE(r.refused.trimmed().isEmpty());
        EXPECT_EQ(bytes(file), reference);
        EXPECT_EQ(SysConnection().scalar("select count(*) from pragma_database_list").toInt(), 1);
    }
    SysConnection().close();
    EXPECT_EQ(bytes(env.systemDataFile()), working);
}

TEST_F(CompareFilesTest, APackageOfLastYearIsReadFromItsRestoredCopy)
{
    fillBothYears();
    const QString package = env.path("2011.dat");
    QFile::copy(last, package);
    QString error;
    ASSERT_TRUE(ScramblePackage(package, &error)) << error.toStdString();
    const QByteArray scrambled = bytes(package);
    const CompareResult r = CompareWithLastYear(SysConnection(), package, {0, 0.05, 4});
    EXPECT_TRUE(r.refused.isEmpty()) << r.refused.toStdString();
    EXPECT_EQ(r.flagged.size(), 2);
    EXPECT_EQ(bytes(package), scrambled);
}

TEST_F(CompareFilesTest, AStopGivesNoLists)
{
    fillBothYears();
    int steps = 0;
    qint64 total = -1;
    BatchCheckHooks hooks;
    hooks.started = [&](qint64 t, qint64) { total = t; };
    hooks.stepped = [&] { ++steps; };
    hooks.stopped = [&] { return steps >= 5; };
    const CompareResult r = CompareWithLastYear(SysConnection(), last, {}, hooks);
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.flagged.isEmpty() && r.absentNow.isEmpty() && r.newNow.isEmpty() && r.skipped.isEmpty());
    const qint64 rows = 16 + 16; // both files' returns
    EXPECT_EQ(total, rows + CompareIndicators(SysConnection()).size());
    EXPECT_EQ(SysConnection().scalar("select count(*) from pragma_database_list").toInt(), 1);

    // Without a stop every row and indicator is one step.
    steps = 0;
    hooks.stopped = {};
    EXPECT_FALSE(CompareWithLastYear(SysConnection(), last, {}, hooks).stopped);
    EXPECT_EQ(steps, total);
}

TEST_F(CompareFilesTest, FlaggedValuesRankByScoreThenCodeThenField)
{
    // Two indicators with the same table give equal scores: code, then field name decide.
    Connection before;
    before.open(last);
    Connection& now = SysConnection();
    for (int i = 1; i <= 10; ++i) {
        add(now, kBase + 11 - i, 1, QStringLiteral("x001=%1, z001=%1").arg(kEven[i - 1]));
        add(before, kBase + 11 - i, 1, "x001=10, z001=10");
    }
    const CompareResult r = CompareWithLastYear(now, last, {0, 0.05, 4});
    ASSERT_EQ(r.flagged.size(), 4);
    QStringList order;
    for (const CompareFlag& f : r.flagged)
        order << QStringLiteral("%1 %2").arg(qint64(f.code) - kBase).arg(r.indicators[f.indicator].field);
    EXPECT_EQ(order, QStringList({"10 x001", "10 z001", "1 x001", "1 z001"}));
}

// ---------------------------------------------------------------- the settings store

TEST_F(CompareFilesTest, ParametersAndTheFileAreKeptInTheSettingsStore)
{
    EXPECT_EQ(StoredCompareParameters().u, 0.5);
    EXPECT_EQ(StoredCompareParameters().a, 0.05);
    EXPECT_EQ(StoredCompareParameters().c, 4);
    EXPECT_TRUE(StoredReferenceFile().isEmpty());
    StoreCompareParameters({0.3, 0.1, 6.5});
    StoreReferenceFile(last);
    EXPECT_EQ(StoredCompareParameters().u, 0.3);
    EXPECT_EQ(StoredCompareParameters().a, 0.1);
    EXPECT_EQ(StoredCompareParameters().c, 6.5);
    EXPECT_EQ(StoredReferenceFile(), last);
    EXPECT_EQ(RegReadString("CompareC", QString(), SettingsRoot::LocalMachine, DataKey()), "6.5");
    // A set that cannot be used gives the defaults.
    RegWriteString("CompareU", "7", SettingsRoot::LocalMachine, DataKey());
    EXPECT_EQ(StoredCompareParameters().u, 0.5);
    EXPECT_EQ(StoredCompareParameters().c, 4);
}

// ---------------------------------------------------------------- the workbook

TEST_F(CompareFilesTest, TheWorkbookHoldsTheThreeLists)
{
    fillBothYears();
    const CompareResult r = CompareWithLastYear(SysConnection(), last, {0, 0.05, 4});
    ComparisonRun run{last,
                      env.systemDataFile(),
                      {0, 0.05, 4},
                      QDate(2026, 12, 10),
                      LoadCodeTable(SysConnection(), "CT_state")};
    const QString out = env.path("比对.xlsx");
    ASSERT_EQ(WriteComparisonWorkbook(r, run, out), QString());
    const QJsonObject book = ReadWithOpenpyxl(out);
    ASSERT_FALSE(book.contains("error")) << book["error"].toString().toStdString();
    const QJsonArray sheets = book["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 4);
    EXPECT_EQ(sheets[0]["name"].toString(), "变动较大的数据");
    EXPECT_EQ(sheets[1]["name"].toString(), "本年未填报的单位");
    EXPECT_EQ(sheets[2]["name"].toString(), "本年新填报的单位");
    EXPECT_EQ(sheets[3]["name"].toString(), "未比对的指标");
    for (const QJsonValue& sheet : sheets) {
        // Printed landscape on A4, one page wide.
        EXPECT_EQ(sheet["orientation"].toString(), "landscape");
        EXPECT_TRUE(sheet["fitToPage"].toBool());
        EXPECT_TRUE(sheet["fitToWidth"].isNull() || sheet["fitToWidth"].toInt() == 1); // absent: 1
        EXPECT_EQ(sheet["paperSize"].toInt(), 9);
    }
    const QJsonObject flagged = sheets[0]["cells"].toObject();
    auto cell = [](const QJsonObject& cells, const char* at) { return cells[at].toObject(); };
    EXPECT_EQ(cell(flagged, "A1")["value"].toString(), "与上年数据比对：变动较大的数据");
    EXPECT_TRUE(cell(flagged, "A1")["bold"].toBool());
    EXPECT_EQ(cell(flagged, "A2")["value"].toString(), "上年数据：" + last);
    EXPECT_EQ(cell(flagged, "A3")["value"].toString(), "参数：U=0，A=0.05，C=4    比对日期：2026-12-10");
    EXPECT_EQ(cell(flagged, "A4")["value"].toString(), "比对的单位：12个；变动较大的数据：2项");
    EXPECT_EQ(cell(flagged, "A5")["value"].toString(),
              QStringLiteral("可比的单位少于10个、未比对的指标：%1个（见工作表“未比对的指标”）")
                  .arg(r.skipped.size()));
    const QStringList titles{"单位编号", "单位名称", "指标", "指标名称", "页",
                             "上年",     "本年",     "比值", "增/减",    "得分"};
    for (int c = 0; c < titles.size(); ++c)
        EXPECT_EQ(flagged[QString(QChar('A' + c)) + "7"].toObject()["value"].toString(), titles[c]);
    EXPECT_EQ(cell(flagged, "A8")["value"].toDouble(), double(kBase + 1));
    EXPECT_EQ(cell(flagged, "A8")["format"].toString(), "0");
    EXPECT_EQ(cell(flagged, "B8")["value"].toString(), "工会1");
    EXPECT_EQ(cell(flagged, "C8")["value"].toString(), "z001");
    EXPECT_EQ(cell(flagged, "D8")["value"].toString(), r.indicators[0].caption);
    EXPECT_EQ(cell(flagged, "E8")["value"].toString(), "表1");
    EXPECT_EQ(cell(flagged, "F8")["value"].toDouble(), 10);
    EXPECT_EQ(cell(flagged, "G8")["value"].toDouble(), 1);
    EXPECT_EQ(cell(flagged, "H8")["value"].toDouble(), r.flagged[0].ratio);
    EXPECT_EQ(cell(flagged, "H8")["format"].toString(), "0.00");
    EXPECT_EQ(cell(flagged, "I8")["value"].toString(), "减");
    // Every digit a workbook cell keeps (16 significant).
    EXPECT_NEAR(cell(flagged, "J8")["value"].toDouble(), r.flagged[0].score, 1e-15 * r.flagged[0].score);
    EXPECT_EQ(cell(flagged, "I9")["value"].toString(), "增");
    // The titles of the columns of numbers stand over their numbers (the direction beside its
    // ratio); texts stay at the left.
    for (const char* address : {"F7", "G7", "H7", "I7", "J7", "F8", "I8", "J8"})
        EXPECT_EQ(cell(flagged, address)["align"].toString(), "right") << address;
    for (const char* address : {"A1", "A7", "B7", "D7", "B8", "E8"})
        EXPECT_EQ(cell(flagged, address)["align"].toString(), "") << address;
    EXPECT_FALSE(flagged.contains("A10"));

    const QJsonObject absent = sheets[1]["cells"].toObject();
    EXPECT_EQ(cell(absent, "C5")["value"].toString(), "本年情况");
    EXPECT_EQ(cell(absent, "A6")["value"].toDouble(), double(kBase + 13));
    EXPECT_EQ(cell(absent, "C6")["value"].toString(), "3 已撤销");
    EXPECT_EQ(cell(absent, "C7")["value"].toString(), "没有这个单位的记录");
    const QJsonObject added = sheets[2]["cells"].toObject();
    EXPECT_EQ(cell(added, "A7")["value"].toDouble(), double(kBase + 15));
    EXPECT_EQ(cell(added, "C7")["value"].toString(), "4 已合并");
    const QJsonObject skipped = sheets[3]["cells"].toObject();
    EXPECT_EQ(cell(skipped, "A4")["value"].toString(), "指标");
    EXPECT_EQ(cell(skipped, "A5")["value"].toString(), "z002");
    EXPECT_EQ(cell(skipped, "C5")["value"].toString(), "表1");
    EXPECT_EQ(cell(skipped, "D5")["value"].toDouble(), 9);
    EXPECT_EQ(cell(skipped, "A6")["value"].toString(), "z004");
    EXPECT_EQ(cell(skipped, "D6")["value"].toDouble(), 0);
    EXPECT_TRUE(skipped.contains(QStringLiteral("A%1").arg(4 + r.skipped.size())));
    EXPECT_FALSE(skipped.contains(QStringLiteral("A%1").arg(5 + r.skipped.size())));
}

TEST_F(CompareFilesTest, AWorkbookThatCannotBeWrittenWholeIsNotWrittenAtAll)
{
    fillBothYears();
    const CompareResult r = CompareWithLastYear(SysConnection(), last, {0, 0.05, 4});
    const ComparisonRun run{last, env.systemDataFile(), {}, QDate(2026, 12, 10), {}};
    const QString whole = env.path("whole.xlsx");
    ASSERT_EQ(WriteComparisonWorkbook(r, run, whole), QString());
    const QString out = env.path("full.xlsx");
    // The disk fills within the last block, or half-way.
    for (const qint64 room : {QFileInfo(whole).size() - 1, QFileInfo(whole).size() / 2}) {
        FileSizeLimit full(room);
        EXPECT_FALSE(WriteComparisonWorkbook(r, run, out).isEmpty()) << room;
    }
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_TRUE(QDir(env.path(QString())).entryList({"*.xlsx*"}, QDir::Files).contains("whole.xlsx"));
    EXPECT_EQ(QDir(env.path(QString())).entryList(QDir::Files).filter(".xlsx").size(), 1);

    // Neither database is ever the target.
    const QByteArray working = bytes(env.systemDataFile()), reference = bytes(last);
    EXPECT_TRUE(WriteComparisonWorkbook(r, run, env.systemDataFile()).contains("正在使用的数据库"));
    EXPECT_TRUE(WriteComparisonWorkbook(r, run, last).contains("上年数据文件"));
    EXPECT_EQ(bytes(env.systemDataFile()), working);
    EXPECT_EQ(bytes(last), reference);
}
} // namespace
