#include "base/FileNameRule.h"
#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "query/QueryConditions.h"
#include "query/ResultExport.h"
#include "support/OpenpyxlReader.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {
// Reads a database file with the SQLite C API alone: the rows of a statement, cells joined by "|".
QStringList ReadWithSqlite(const QString& file, const char* sql)
{
    sqlite3* db = nullptr;
    QStringList rows;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {QStringLiteral("cannot open")};
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        rows << QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList cells;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                cells << (sqlite3_column_type(stmt, c) == SQLITE_NULL
                              ? QStringLiteral("NULL")
                              : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c))));
            rows << cells.join(QLatin1Char('|'));
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

class ResultExportTest : public ::testing::Test {
protected:
    TestEnvironment env;
    const QString title = QStringLiteral("Tallyra查询结果");

    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        const char* names[] = {"北京市总工会", "O'Brien工会", "天津市总工会"};
        for (int i = 0; i < 3; ++i)
            SysConnection().execute("insert into dt_data (c901, c902, c903, c904, c907, RecordState, z001, b011) "
                                    "values (?1, ?2, 110101, 3, 1, 1, ?3, ?4)",
                                    {qlonglong(110101000001LL + i), QString::fromUtf8(names[i]), 10 * (i + 1),
                                     i == 1 ? QVariant(2.5) : QVariant(i)});
    }
    RowSet detail(const QString& condition = QString()) { return SysConnection().query(ResultDetailSql(condition)); }
};
} // namespace

TEST(ExportNamesTest, ExtensionRule)
{
    struct Case {
        const char* chosen;
        const char* extension;
        const char* file;
    } cases[] = {
        {"/d/结果.xlsx", ".xlsx", "/d/结果.xlsx"},
        {"/d/结果.XLSX", ".xlsx", "/d/结果.XLSX.xlsx"},
        {" /d/结果表 ", ".xlsx", "/d/结果表.xlsx"},
        {"abcde", ".xlsx", "abcde"}, // not longer than the extension
        {"abcdef", ".xlsx", "abcdef.xlsx"},
        {"/d/r.mdb", ".mdb", "/d/r.mdb"},
        {"/d/r.MDB", ".mdb", "/d/r.MDB.mdb"},
        {"abcd", ".mdb", "abcd"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplyFileNameRule(QString::fromUtf8(c.chosen), KeepShortNames(QString::fromUtf8(c.extension))),
                  QString::fromUtf8(c.file))
            << c.chosen;
    EXPECT_EQ(ExportProposedName("Tallyra查询结果", QDate(2026, 12, 9)), "Tallyra查询结果-2026-12-09");
    EXPECT_EQ(TitleWithoutSortMarker("本级工会统计编码▲"), "本级工会统计编码");
    EXPECT_EQ(TitleWithoutSortMarker("本级工会统计编码▼"), "本级工会统计编码");
    EXPECT_EQ(TitleWithoutSortMarker("本级工会统计编码"), "本级工会统计编码");
}

TEST(ExportKindsTest, KindsFromValuesAndDeclaredTypes)
{
    struct Case {
        ColumnValueKinds kinds;
        ExportKind kind;
        const char* sqlType;
        const char* format;
    };
    ColumnValueKinds text;
    text.hasText = true;
    text.hasInteger = true;
    text.longestText = 7;
    ColumnValueKinds small;
    small.hasInteger = true;
    ColumnValueKinds wide = small;
    wide.integersFit32 = false;
    ColumnValueKinds real = small;
    real.hasReal = true;
    ColumnValueKinds yesNo = small;
    yesNo.declaredType = "BOOLEAN";
    ColumnValueKinds date;
    date.hasText = true;
    date.declaredType = "DATETIME";
    ColumnValueKinds emptyText;
    emptyText.declaredType = "TEXT";
    ColumnValueKinds nothing;
    const Case cases[] = {
        {text, ExportKind::Text, "VARCHAR(7)", "@"},
        {small, ExportKind::Integer32, "INTEGER", "#,##0_ "},
        {wide, ExportKind::Integer64, "INTEGER", "0"},
        {real, ExportKind::Real, "DOUBLE", "￥#,##0.00;￥-#,##0.00"},
        {yesNo, ExportKind::Boolean, "BIT", "@"},
        {date, ExportKind::DateTime, "DATE", "yyyy-mm-dd"},
        {emptyText, ExportKind::Text, "VARCHAR(1)", "@"},
        {nothing, ExportKind::Unknown, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ColumnExportKind(c.kinds), c.kind) << c.sqlType;
        EXPECT_EQ(ExportSqlType(c.kinds), QString::fromUtf8(c.sqlType));
        EXPECT_EQ(ExportNumberFormat(c.kind), QString::fromUtf8(c.format)) << c.sqlType;
    }
}

TEST_F(ResultExportTest, ANameWithAnApostropheIsWrittenWhole)
{
    RowSet rows = detail();
    const QString file = env.path("结果.mdb");
    qint64 started = -1, lastDone = -1;
    int events = 0;
    ExportHooks hooks;
    hooks.started = [&](qint64 total) { started = total; };
    hooks.progressed = [&](qint64 done) { lastDone = done; };
    hooks.processEvents = [&] { ++events; };
    const ExportOutcome outcome = WriteResultDatabase(rows, title, file, hooks);
    ASSERT_TRUE(outcome.ok()) << outcome.error.toStdString();
    EXPECT_EQ(started, 3);
    EXPECT_EQ(lastDone, 3);
    EXPECT_GE(events, 1);
    EXPECT_EQ(ReadWithSqlite(file, "select c901, c902, z001, b011 from \"Tallyra查询结果\" order by c901"),
              QStringList({"110101000001|北京市总工会|10|0.0", "110101000002|O'Brien工会|20|2.5",
                           "110101000003|天津市总工会|30|2.0"}));
    // every column of dt_data, typed by what the rows hold; blank numbers are written as 0
    const QStringList columns = ReadWithSqlite(file, "select name, type from pragma_table_info('Tallyra查询结果')");
    EXPECT_EQ(columns.size(), SysConnection().columnNames("dt_data").size());
    EXPECT_TRUE(columns.contains("c901|INTEGER"));
    EXPECT_TRUE(columns.contains("c902|VARCHAR(9)"));
    EXPECT_TRUE(columns.contains("b011|DOUBLE"));
    EXPECT_TRUE(columns.contains("z001|INTEGER"));
    EXPECT_EQ(ReadWithSqlite(file, "select count(*) from \"Tallyra查询结果\" where z002 = 0"), QStringList({"3"}));
    // the result's current row stays where it was
    EXPECT_EQ(rows.position(), 0);
}

TEST_F(ResultExportTest, ATableOfTheTitleIsReplacedAndOthersKept)
{
    const QString file = env.path("old.mdb");
    {
        Connection other;
        other.open(file, Connection::Mode::Create);
        other.execute("create table keep (a TEXT)");
        other.execute("insert into keep values ('stays')");
        other.execute("create table \"Tallyra查询结果\" (x INTEGER)");
        other.execute("insert into \"Tallyra查询结果\" values (99)");
    }
    RowSet rows = detail("where c901>=110101000002");
    ASSERT_TRUE(WriteResultDatabase(rows, title, file).ok());
    EXPECT_EQ(ReadWithSqlite(file, "select a from keep"), QStringList({"stays"}));
    EXPECT_EQ(ReadWithSqlite(file, "select c901 from \"Tallyra查询结果\" order by c901"),
              QStringList({"110101000002", "110101000003"}));
}

TEST_F(ResultExportTest, AFailedExportLeavesTheFileAsItWas)
{
    // A file that is no database is refused before anything is written.
    const QString notDatabase = env.path("notes.mdb");
    {
        QFile f(notDatabase);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("plain text, not a database");
    }
    RowSet rows = detail();
    ExportOutcome outcome = WriteResultDatabase(rows, title, notDatabase);
    EXPECT_FALSE(outcome.ok());
    QFile f(notDatabase);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("plain text, not a database"));

    // A failure inside the transaction: two columns of one name cannot make a table. A file
    // made for the export is removed again.
    RowSet twice = SysConnection().query("select c901, c902 as c901 from dt_data");
    const QString fresh = env.path("fresh.mdb");
    outcome = WriteResultDatabase(twice, title, fresh);
    EXPECT_FALSE(outcome.ok());
    EXPECT_TRUE(outcome.error.contains("duplicate")) << outcome.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(fresh));

    // ... and an existing file keeps its table of the title when the new one fails.
    const QString old = env.path("old.mdb");
    ASSERT_TRUE(WriteResultDatabase(rows, title, old).ok());
    EXPECT_FALSE(WriteResultDatabase(twice, title, old).ok());
    EXPECT_EQ(ReadWithSqlite(old, "select count(*) from \"Tallyra查询结果\""), QStringList({"3"}));
}

namespace {
// A row set of every kind the workbook export tells apart, read from a scratch database file.
RowSet KindsRowSet(Connection& db, const QString& file)
{
    db.open(file, Connection::Mode::Create);
    db.execute("create table t (code NUMERIC, name TEXT, amount NUMERIC, member BOOLEAN, since DATE, hidden TEXT, "
               "blank NUMERIC)");
    db.execute("insert into t values (110101000001, 'O''Brien工会', 1234.5, 1, '2026-03-01', 'x', null)");
    db.execute("insert into t values (110101000002, '00123', -7, 0, 0, 'y', null)");
    return db.query("select * from t order by code");
}

TFieldData Column(const char* name, const char* hint, bool shown = true)
{
    TFieldData f;
    f.ShowName = name;
    f.Hint = QString::fromUtf8(hint);
    f.QueryShow = shown;
    return f;
}
} // namespace

TEST_F(ResultExportTest, TheWorkbookCellByCell)
{
    Connection db;
    RowSet rows = KindsRowSet(db, env.path("kinds.db"));
    const TFieldDataArray columns = {Column("code", "编码"), Column("name", "名称"), Column("hidden", "不写", false),
                                     Column("amount", "金额"), Column("member", "会员"), Column("since", "日期"),
                                     Column("blank", "空")};
    const QString file = env.path("结果.xlsx");
    const QDate today(2026, 12, 9);
    const ExportOutcome outcome = WriteResultWorkbook(rows, title, columns, file, today);
    ASSERT_TRUE(outcome.ok()) << outcome.error.toStdString();

    const QJsonObject book = ReadWithOpenpyxl(file);
    ASSERT_FALSE(book.contains("error")) << book["error"].toString().toStdString();
    const QJsonArray sheets = book["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 1);
    const QJsonObject sheet = sheets[0].toObject();
    EXPECT_EQ(sheet["name"].toString(), title);
    const QJsonObject cells = sheet["cells"].toObject();
    auto cell = [&](const char* ref) { return cells[ref].toObject(); };
    auto value = [&](const char* ref) { return cell(ref)["value"].toVariant(); };

    // row 1 empty; the date line; the titles without the skipped column; row 4 empty
    EXPECT_FALSE(cells.contains("A1"));
    EXPECT_EQ(value("A2").toString(), "导出日期:");
    EXPECT_TRUE(cell("A2")["bold"].toBool());
    EXPECT_EQ(cell("A2")["size"].toDouble(), 12);
    // the date in the Chinese short form, as text; only A2 is bold
    EXPECT_EQ(value("B2").toString(), "2026-12-09");
    EXPECT_EQ(cell("B2")["format"].toString(), "@");
    EXPECT_EQ(cell("B2")["type"].toString(), "str");
    EXPECT_FALSE(cell("B2")["bold"].toBool());
    EXPECT_NE(cell("B2")["size"].toDouble(), 12);
    const QStringList titles = {value("A3").toString(), value("B3").toString(), value("C3").toString(),
                                value("D3").toString(), value("E3").toString(), value("F3").toString()};
    EXPECT_EQ(titles, QStringList({"编码", "名称", "金额", "会员", "日期", "空"}));
    EXPECT_FALSE(cells.contains("G3"));
    EXPECT_FALSE(cells.contains("A4"));

    // values and formats by kind
    EXPECT_EQ(value("A5").toLongLong(), 110101000001LL);
    EXPECT_EQ(cell("A5")["format"].toString(), "0");
    EXPECT_EQ(value("B5").toString(), "O'Brien工会");
    EXPECT_EQ(value("B6").toString(), "00123"); // a text column keeps digits as text
    EXPECT_EQ(cell("B6")["type"].toString(), "str");
    EXPECT_EQ(cell("B6")["format"].toString(), "@");
    EXPECT_EQ(value("C5").toDouble(), 1234.5);
    EXPECT_EQ(value("C6").toDouble(), -7);
    EXPECT_EQ(cell("C5")["format"].toString(), "￥#,##0.00;￥-#,##0.00");
    EXPECT_EQ(value("D5").toString(), "是");
    EXPECT_EQ(value("D6").toString(), "不是");
    EXPECT_EQ(cell("D5")["format"].toString(), "@");
    EXPECT_EQ(value("E5").toString(), "2026-03-01 00:00:00");
    EXPECT_EQ(cell("E5")["format"].toString(), "yyyy-mm-dd");
    EXPECT_TRUE(value("E6").isNull()); // a zero date is an empty cell
    EXPECT_TRUE(value("F5").isNull());
    EXPECT_FALSE(cells.contains("A7"));
}

TEST_F(ResultExportTest, AWorkbookThatCannotBeWrittenIsReportedAndLeavesNoFile)
{
    RowSet rows = detail();
    const TFieldDataArray columns = {Column("c901", "编码")};
    // a place no file can go: below a plain file
    QFile plain(env.path("plain.txt"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ExportOutcome outcome = WriteResultWorkbook(rows, title, columns, env.path("plain.txt/r.xlsx"), QDate(2026, 1, 1));
    EXPECT_FALSE(outcome.ok());
    EXPECT_FALSE(QFileInfo::exists(env.path("plain.txt/r.xlsx")));
    // a column the result does not have
    outcome = WriteResultWorkbook(rows, title, {Column("c901", "编码"), Column("zzz", "无")}, env.path("r.xlsx"),
                                  QDate(2026, 1, 1));
    EXPECT_FALSE(outcome.ok());
    EXPECT_TRUE(outcome.error.contains("zzz"));
    EXPECT_FALSE(QFileInfo::exists(env.path("r.xlsx")));
}

TEST_F(ResultExportTest, CodeColumnsShowPlainDigitsAndKeepADistance)
{
    // The data list's columns: the codes as plain digits whatever their size, the others by kind.
    RowSet rows = SysConnection().query("select c901, c902, c903, c904, c907, z001, b011 from dt_data order by c901");
    const TFieldDataArray columns = {Column("c901", "统计编码"), Column("c902", "名称"), Column("c903", "区划"),
                                     Column("c904", "层次"), Column("c907", "状态"), Column("z001", "人数"),
                                     Column("b011", "金额")};
    const QString file = env.path("列表.xlsx");
    ASSERT_TRUE(WriteResultWorkbook(rows, title, columns, file, QDate(2026, 12, 10)).ok());
    const QJsonObject book = ReadWithOpenpyxl(file);
    ASSERT_FALSE(book.contains("error")) << book["error"].toString().toStdString();
    const QJsonObject sheet = book["sheets"].toArray()[0].toObject();
    const QJsonObject cells = sheet["cells"].toObject();
    const QJsonObject widths = sheet["widths"].toObject();
    struct Case {
        const char* column;
        const char* format;
        const char* value;
    } cases[] = {
        {"A", "0", "110101000001"}, {"B", "@", "北京市总工会"}, {"C", "0", "110101"}, {"D", "0", "3"},
        {"E", "0", "1"},            {"F", "#,##0_ ", "10"},     {"G", "￥#,##0.00;￥-#,##0.00", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        const QJsonObject cell = cells[QString(c.column) + "5"].toObject();
        EXPECT_EQ(cell["format"].toString(), QString::fromUtf8(c.format));
        EXPECT_EQ(cell["value"].toVariant().toString(), QString::fromUtf8(c.value));
    }
    // A code keeps a character's room from the right border of its cell (an indent), so it does
    // not run into the next column's text, and the fitted width has room for the indent: twelve
    // digits in column A, "110101" in C (no thousands separator any more). "#,##0_ " pads itself.
    for (const char* code : {"A5", "C5", "D5", "E5", "G5"}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(cells[code].toObject()["align"].toString(), "right");
        EXPECT_EQ(cells[code].toObject()["indent"].toInt(), 1);
    }
    EXPECT_EQ(cells["F5"].toObject()["indent"].toInt(), 0);
    EXPECT_EQ(cells["B5"].toObject()["indent"].toInt(), 0);
    EXPECT_GE(widths["A"].toDouble(), 12 + 2);
    EXPECT_GE(widths["C"].toDouble(), 6 + 2);
}

TEST_F(ResultExportTest, RowsMovedWhileEventsRunWriteNoFile)
{
    // A re-sort or a re-read of the rows while the export lets events run would mix rows from
    // two orders into one file: the export stops and writes nothing.
    struct Case {
        const char* name;
        std::function<void(RowSet&)> move;
    } cases[] = {
        {"sorted", [](RowSet& r) { r.sort("c902 DESC"); }},
        {"re-read", [](RowSet& r) { r.requery(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RowSet rows = SysConnection().query(ResultDetailSql(QString()));
        bool moved = false;
        ExportHooks hooks;
        hooks.processEvents = [&] {
            if (!moved) {
                moved = true;
                c.move(rows);
            }
        };
        const QString book = env.path(QString("结果-%1.xlsx").arg(c.name));
        ExportOutcome outcome = WriteResultWorkbook(rows, title, {Column("c901", "编码")}, book, QDate(2026, 1, 1), hooks);
        EXPECT_FALSE(outcome.ok());
        EXPECT_FALSE(QFileInfo::exists(book));
        moved = false;
        const QString database = env.path(QString("结果-%1.mdb").arg(c.name));
        outcome = WriteResultDatabase(rows, title, database, hooks);
        EXPECT_FALSE(outcome.ok());
        EXPECT_TRUE(outcome.lastStatement.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(database));
    }
}
