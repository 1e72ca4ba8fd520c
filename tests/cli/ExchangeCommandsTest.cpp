#include "base/Gbk.h"
#include "cli/BatchRun.h"
#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "exchange/PackageExport.h"
#include "exchange/PackageFile.h"
#include "exchange/PackageImport.h"
#include "exchange/UploadCsv.h"
#include "support/FolderLimits.h"
#include "support/DatabaseDump.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {
constexpr qint64 kBase = 110101000000;

class ExchangeCommandsTest : public ::testing::Test {
protected:
    TestEnvironment env;
    QString db;

    void SetUp() override { db = env.systemDataFile(); }

    // A database file (a copy of the delivered one) holding finished returns with these codes;
    // `broken` codes fail z003<=z001 although saved as finished.
    QString database(const QString& name, const QList<int>& codes, const QList<int>& broken = {})
    {
        const QString path = name == "working" ? db : env.path(name + ".mdb");
        if (path != db)
            CopyDeliveredDatabase(path);
        Connection c;
        c.open(path);
        for (int code : codes)
            c.execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, "
                      "z003, z004, "
                      "x001, x003) values (?1, ?2, 110101, 3, '张伟', '010-1', 1, 1, 1, ?3, 1, 1, 1)",
                      {kBase + code, QStringLiteral("工会%1").arg(code), broken.contains(code) ? 5 : 0});
        return path;
    }
    static int count(const QString& path, const QString& sql)
    {
        Connection c;
        c.open(path, Connection::Mode::ReadOnly);
        return c.scalar(sql).toInt();
    }
    // What the sqlite3 program reads from a restored copy of a package.
    QString sqlite3Reads(const QString& package, const QString& sql)
    {
        const QString copy = env.path("restored.mdb");
        QFile::remove(copy);
        EXPECT_TRUE(QFile::copy(package, copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_TRUE(RestorePackage(copy));
        QProcess p;
        p.start("sqlite3", {copy, sql});
        EXPECT_TRUE(p.waitForFinished());
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
};
} // namespace

TEST_F(ExchangeCommandsTest, CsvIsTheWindowsUploadFile)
{
    database("working", {1, 2, 3});
    const QString out = env.path("upload.csv");
    BatchRun run = RunBatch({"csv", db, out});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "导出上报数据成功：3个单位的数据写到 " + out + "\n");
    ASSERT_EQ(OpenWorkingDatabase(db).status, OpenDatabaseResult::Opened);
    const QString window = env.path("window.csv");
    ASSERT_EQ(WriteUploadCsv(SysConnection(), window).error, "");
    SysConnection().close();
    EXPECT_EQ(FileBytes(out), FileBytes(window));
    QProcess iconv;
    iconv.start("iconv", {"-f", "GBK", "-t", "UTF-8", out});
    ASSERT_TRUE(iconv.waitForFinished());
    const QStringList lines = QString::fromUtf8(iconv.readAllStandardOutput()).split("\r\n");
    EXPECT_TRUE(lines[0].startsWith("c901,")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("110101000001,工会1,")) << lines[1].toStdString();

    // An existing file stays unless --yes; a name without the extension gets it.
    run = RunBatch({"csv", db, out});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("已经存在；要替换它请加 --yes"));
    EXPECT_EQ(RunBatch({"csv", db, out, "--yes"}).status, 0);
    EXPECT_EQ(RunBatch({"csv", db, env.path("plain")}).status, 0);
    EXPECT_TRUE(QFile::exists(env.path("plain.csv")));

    // A held return refuses the export with the window's words.
    Connection c;
    c.open(db);
    c.execute("update dt_data set RecordState=0 where c901=?1", {kBase + 2});
    c.close();
    const QString refused = env.path("refused.csv");
    run = RunBatch({"csv", db, refused});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("存在临时保存或逻辑错误的数据，不能导出上报数据!")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(refused));
}

TEST_F(ExchangeCommandsTest, ExportWritesThePackage)
{
    database("working", {1, 2});
    const QString out = env.path("unit.dat");
    const struct {
        const char* name;
        QStringList arguments;
        int status;
        QString err;
    } refusals[] = {
        {"no label", {"export", db, out}, 2, "请用 --label"},
        {"the default label", {"export", db, out, "--label", "默认数据库"}, 2, "必须修改默认的名称！"},
    };
    for (const auto& c : refusals) {
        SCOPED_TRACE(c.name);
        const BatchRun run = RunBatch(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.err.contains(c.err)) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
    const BatchRun run = RunBatch({"export", db, env.path("unit"), "--label", "东城区总工会"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "2个单位的数据已经被正确导出到：'" + out + "'！\n");
    EXPECT_EQ(FirstByteOf(out), ScrambledFirstByte());
    EXPECT_EQ(sqlite3Reads(out, "select db_name from ct_label; select group_concat(c901) from dt_data"),
              "东城区总工会\n110101000001,110101000002");

    Connection c;
    c.open(db);
    c.execute("update dt_data set RecordState=2 where c901=?1", {kBase + 1});
    c.close();
    const BatchRun unfinished = RunBatch({"export", db, env.path("late.dat"), "--label", "东城区总工会"});
    EXPECT_EQ(unfinished.status, 1);
    EXPECT_TRUE(unfinished.err.contains("存在临时保存或逻辑错误的数据，不能上报!"));
    EXPECT_FALSE(QFile::exists(env.path("late.dat")));
}

// Three packages, one holding a code the database already has: two are imported, the third is
// refused whole, and the report lists its conflicting code.
TEST_F(ExchangeCommandsTest, ImportThreePackagesOneConflicting)
{
    database("working", {100});
    QStringList packages;
    const struct {
        const char* name;
        QList<int> codes;
    } units[] = {{"甲", {1, 2, 3}}, {"乙", {4, 5}}, {"丙", {6, 100}}};
    for (const auto& u : units) {
        const QString source = database(QString("src%1").arg(packages.size()), u.codes);
        const QString package = env.path(QString("p%1.dat").arg(packages.size()));
        ASSERT_EQ(RunBatch({"export", source, package, "--label", u.name}).status, 0);
        packages << package;
    }
    const QString before = DumpExceptRegister(db);

    const BatchRun unconfirmed = RunBatch(QStringList{"import", db} + packages);
    EXPECT_EQ(unconfirmed.status, 1);
    EXPECT_TRUE(unconfirmed.out.contains("未确认标记声明为【甲】的数据（加 --yes 导入）"));
    EXPECT_EQ(DumpExceptRegister(db), before) << "unconfirmed, nothing is imported";
    EXPECT_EQ(RegisterResults(db), QStringList({"未导入：未确认标记声明为【甲】的数据", "未导入：未确认标记声明为【乙】的数据",
                                                "未导入：未确认标记声明为【丙】的数据"}));

    const BatchRun run = RunBatch(QStringList{"import", db, "--yes"} + packages);
    EXPECT_EQ(run.status, 1);
    const QString report = QDir(env.documentsFolder()).filePath("数据导入编号冲突.txt");
    EXPECT_EQ(run.out, QStringList({"文件\t标识\t单位数\t结果", packages[0] + "\t甲\t3\t已导入",
                                    packages[1] + "\t乙\t2\t已导入",
                                    packages[2] + "\t丙\t2\t未导入：1个单位的编号已经存在",
                                    "编号冲突的详细内容请参见文件：" + report})
                               .join("\n") +
                           "\n");
    EXPECT_EQ(count(db, "select count(*) from dt_data"), 6);
    EXPECT_EQ(count(db, "select count(*) from dt_data where c901=110101000006"), 0) << "all or nothing";
    QList<ConflictRecord> expected = {{kBase + 100, "工会100"}};
    WriteConflictReport(env.path("window.txt"), expected);
    EXPECT_EQ(FileBytes(report), FileBytes(env.path("window.txt")));
    EXPECT_TRUE(GbkDecode(FileBytes(report)).contains("(110101000100,工会100)"));

    const BatchRun json = RunBatch(QStringList{"import", db, "--yes", "--json"} + packages.mid(1, 1));
    EXPECT_EQ(json.status, 1);
    const QJsonArray entries = QJsonDocument::fromJson(json.out.toUtf8()).object()["packages"].toArray();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].toObject()["imported"].toBool(), false);
    EXPECT_EQ(entries[0].toObject()["conflicts"].toInt(), 2);
}

// Inspecting changes nothing, whatever the files hold, and refuses the files it cannot read safely.
TEST_F(ExchangeCommandsTest, InspectReadsPackagesAndRefusesHostileFiles)
{
    database("working", {2});
    const QString source = database("src", {1, 2, 3}, {3});
    const QString good = env.path("good.dat");
    ASSERT_EQ(RunBatch({"export", source, good, "--label", "甲"}).status, 0);

    const QString garbage = env.path("garbage.dat");
    QFile g(garbage);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write(QByteArray("SQLite format 3") + QByteArray(4000, '\xff'));
    g.close();
    // A backup file with a trigger of its own that would empty it: it is read, never run.
    const QString rigged = database("rigged", {7}, {7});
    {
        Connection c;
        c.open(rigged);
        c.execute("create trigger t after update on dt_data begin delete from dt_data; end");
    }
    const QString foreign = env.path("foreign.mdb");
    {
        Connection c;
        c.open(foreign, Connection::Mode::Create);
        c.execute("create table dt_data (c901)");
        c.execute("create table ct_label (db_name)");
    }
    const QStringList files = {good, garbage, rigged, foreign, env.path("none.dat")};
    QList<QByteArray> bytes;
    for (const QString& f : files)
        bytes << FileBytes(f);
    const QByteArray dbBytes = FileBytes(db);

    const BatchRun run = RunBatch(QStringList{"inspect", "--db", db, "--json"} + files);
    EXPECT_EQ(run.status, 1);
    const QJsonArray seen = QJsonDocument::fromJson(run.out.toUtf8()).object()["packages"].toArray();
    ASSERT_EQ(seen.size(), files.size()) << run.out.toStdString() << run.err.toStdString();
    const QJsonObject first = seen[0].toObject();
    EXPECT_TRUE(first["readable"].toBool());
    EXPECT_EQ(first["label"].toString(), "甲");
    EXPECT_EQ(first["returns"].toInt(), 3);
    EXPECT_EQ(first["existingCodes"].toInt(), 1);
    EXPECT_EQ(first["failingReturns"].toInt(), 1);
    const QJsonObject backup = seen[2].toObject();
    EXPECT_TRUE(backup["readable"].toBool());
    EXPECT_EQ(backup["returns"].toInt(), 1);
    EXPECT_EQ(backup["failingReturns"].toInt(), 1);
    for (int i : {1, 3, 4}) {
        SCOPED_TRACE(files[i].toStdString());
        EXPECT_FALSE(seen[i].toObject()["readable"].toBool());
        EXPECT_FALSE(seen[i].toObject()["verdict"].toString().isEmpty());
    }
    EXPECT_EQ(seen[4].toObject()["verdict"].toString(), "您选择的文件并不存在，请选择其它文件。");
    for (int i = 0; i < files.size(); ++i)
        EXPECT_EQ(FileBytes(files[i]), bytes[i]) << files[i].toStdString();
    EXPECT_EQ(FileBytes(db), dbBytes);

    // Without --db the delivered tables are the measure; the text table has no code column.
    const BatchRun plain = RunBatch({"inspect", good});
    EXPECT_EQ(plain.status, 1) << "a return fails the checks";
    EXPECT_EQ(plain.out, "文件\t标识\t单位数\t未通过检查\t结论\n" + good +
                             "\t甲\t3\t1\t可以导入，但有数据存在逻辑错误\n");
}

// A full disk at the upload file's last block: the command fails with the reason, and an older
// upload of that name stays as it was.
TEST_F(ExchangeCommandsTest, CsvOnAFullDiskFailsAndKeepsTheOlderFile)
{
    database("working", {1, 2, 3});
    const QString probe = env.path("probe.csv");
    ASSERT_EQ(RunBatch({"csv", db, probe}).status, 0);
    const qint64 whole = QFileInfo(probe).size();
    const QString out = env.path("upload.csv");
    QFile older(out);
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("older upload");
    older.close();
    const BatchRun run = RunBatchWithFileSizeLimit({"csv", db, out, "--yes"}, whole - 1);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("运行中发生错误：无法写入文件“" + out + "”")) << run.err.toStdString();
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(FileBytes(out), "older upload");
    EXPECT_EQ(QDir(env.path("")).entryList({"*.csv*", "~*"}, QDir::Files | QDir::Hidden),
              QStringList({"probe.csv", "upload.csv"}));
}

// No command writes over the database it works on, nor over a file it reads, whatever name the
// target is given (a link, the database's own name), with --yes or without.
TEST_F(ExchangeCommandsTest, TheWorkingDatabaseAndTheSourcesAreNeverTheTarget)
{
    database("working", {1, 2});
    const QString named = env.path("db.csv"); // a database whose name ends like a CSV file
    QFile::copy(db, named);
    const QString sumTemplate = QDir(env.programFolder()).filePath("2012基层以上汇总表.xltx");
    const QString packageTemplate = QDir(env.programFolder()).filePath("view.dll");
    for (const auto& [link, file] : {std::pair{"link.csv", db}, {"link.dat", db}, {"link.xlsx", db},
                                     {"tpl.dat", packageTemplate}, {"tpl.xlsx", sumTemplate}})
        ASSERT_TRUE(QFile::link(file, env.path(link)));
    const QString asDatabase = "不能把数据导出到正在使用的数据库文件";
    const QString asSource = "不能把数据导出到正在读取的文件";
    const struct {
        const char* name;
        QStringList arguments;
        QString message;
    } cases[] = {
        {"csv through a link", {"csv", db, env.path("link.csv"), "--yes"}, asDatabase},
        {"csv through a link, without --yes", {"csv", db, env.path("link")}, asDatabase},
        {"csv DB.csv DB.csv", {"csv", named, named, "--yes"}, asDatabase},
        {"export through a link", {"export", db, env.path("link"), "--label", "甲", "--yes"}, asDatabase},
        {"export onto its template", {"export", db, env.path("tpl.dat"), "--label", "甲", "--yes"}, asSource},
        {"summary through a link", {"summary", db, env.path("link.xlsx"), "--by", "level", "--yes"}, asDatabase},
        {"summary onto its template", {"summary", db, env.path("tpl"), "--by", "level", "--yes"}, asSource},
        {"check report onto the database", {"check", db, "--report", db}, asDatabase},
    };
    const QList<QString> kept = {db, named, sumTemplate, packageTemplate};
    QList<QByteArray> before;
    for (const QString& f : kept)
        before << FileBytes(f);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const BatchRun run = RunBatch(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("--yes")) << run.err.toStdString();
        for (int i = 0; i < kept.size(); ++i)
            EXPECT_EQ(FileBytes(kept[i]), before[i]) << kept[i].toStdString();
    }
}

namespace {
// Runs statements on a file through the engine's own interface, without the program's guards.
void rawScript(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}
} // namespace

// inspect and import read received files through the same checks as the window: each file of
// an inspect gets its own line whatever it holds, and import refuses what inspect refuses.
TEST_F(ExchangeCommandsTest, InspectAndImportGoThroughTheReceivedFileChecks)
{
    const TempFolderAt temp(env.path("temp"));
    database("working", {50});
    const QString source = database("src", {1, 2, 3}, {3});
    const QString good = env.path("good.dat");
    ASSERT_EQ(RunBatch({"export", source, good, "--label", "甲"}).status, 0);
    // A package changed by statements on its restored form.
    auto changed = [&](const QString& name, const QStringList& sql) {
        const QString path = env.path(name);
        QFile::copy(good, path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_TRUE(RestorePackage(path));
        for (const QString& s : sql)
            rawScript(path, s);
        EXPECT_TRUE(ScramblePackage(path));
        return path;
    };
    // Its check refuses the state the batch check writes for the failing return.
    const QString checked = changed("check.dat", {"PRAGMA writable_schema=ON; update sqlite_master set sql = "
                                                  "substr(sql, 1, length(sql) - 1) || ', check (RecordState <> 2))' "
                                                  "where name='dt_data';"});
    const QString expression = changed("expr.dat", {"create index e on dt_data (z001 + 0);"});
    // A state for each return, kept unique by an index: the check's states would break it.
    const QString unique = changed("unique.dat", {"update dt_data set RecordState = c901 - 110101000000;"
                                                  "create unique index u on dt_data (RecordState);"});
    QString chain = "begin; create view v0 as select * from dt_data;";
    for (int i = 1; i < 600; ++i)
        chain += QString("create view v%1 as select * from v%2;").arg(i).arg(i - 1);
    const QString views = changed("views.dat", {chain + "commit;"});
    const QString cut = env.path("cut.dat");
    {
        QFile f(cut);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(FileBytes(good).chopped(100));
    }
    const QString wal = database("wal", {7});
    rawScript(wal, "PRAGMA journal_mode=WAL;");
    const QStringList files = {checked, good, expression, cut, unique, views, wal};
    QList<QByteArray> bytes;
    for (const QString& f : files)
        bytes << FileBytes(f);
    const QStringList beside = QDir(env.path("")).entryList(QDir::Files);

    const BatchRun run = RunBatch(QStringList{"inspect", "--db", db} + files);
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), files.size() + 1) << run.out.toStdString() << run.err.toStdString();
    const struct {
        bool readable;
        QString verdict;
    } expected[] = {
        {false, "检查约束"},
        {true, "可以导入，但有数据存在逻辑错误"},
        {false, "按表达式或条件建立的索引\"e\""},
        {false, "不完整"},
        {true, "可以导入，但有数据存在逻辑错误"},
        {true, "可以导入，但有数据存在逻辑错误"},
        {true, "可以导入"},
    };
    for (int i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].toStdString());
        const QStringList cells = lines[i + 1].split('\t');
        ASSERT_EQ(cells.size(), 6) << lines[i + 1].toStdString();
        EXPECT_EQ(cells[0], files[i]);
        EXPECT_TRUE(cells[5].contains(expected[i].verdict)) << cells[5].toStdString();
        EXPECT_EQ(cells[2].isEmpty(), !expected[i].readable) << lines[i + 1].toStdString();
        EXPECT_EQ(FileBytes(files[i]), bytes[i]);
    }
    EXPECT_EQ(lines[2], good + "\t甲\t3\t0\t1\t可以导入，但有数据存在逻辑错误");
    EXPECT_EQ(lines[5], unique + "\t甲\t3\t0\t1\t可以导入，但有数据存在逻辑错误");
    EXPECT_EQ(QDir(env.path("")).entryList(QDir::Files), beside) << "nothing made beside the files";
    EXPECT_EQ(QDir(env.path("temp")).entryList(QDir::Files | QDir::Hidden), QStringList()) << "no copy stays";

    const BatchRun import = RunBatch({"import", db, checked, wal, "--yes"});
    EXPECT_EQ(import.status, 1);
    const QStringList table = import.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(table.size(), 3) << import.out.toStdString();
    EXPECT_TRUE(table[1].startsWith(checked + "\t\t0\t运行中发生错误：")) << table[1].toStdString();
    EXPECT_TRUE(table[1].contains("检查约束")) << table[1].toStdString();
    EXPECT_EQ(table[2], wal + "\t默认数据库\t1\t已导入");
    EXPECT_EQ(count(db, "select count(*) from dt_data"), 2);
    EXPECT_EQ(QDir(env.path("")).entryList(QDir::Files), beside);
    EXPECT_EQ(QDir(env.path("temp")).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// diff names the codes only one file holds, those alike and, field by field, those that differ;
// values compare as stored.
TEST_F(ExchangeCommandsTest, DiffNamesTheCodesAndFieldsThatDiffer)
{
    const QString a = database("a", {1, 2, 3, 4});
    {
        Connection c;
        c.open(a);
        c.execute("update dt_data set b014 = 12 where c901 = ?1", {kBase + 2});
    }
    // B: the same returns in a table whose columns take values as given (12.0 stays a real).
    const QString b = env.path("b.mdb");
    {
        Connection c;
        c.open(b, Connection::Mode::Create);
        c.execute("attach database ?1 as a", {a});
        const QStringList columns = c.columnNames("dt_data", "a");
        c.execute("create table dt_data (" + columns.join(",") + ")");
        c.execute("insert into dt_data select * from a.dt_data where c901 > ?1", {kBase + 1});
        c.execute("detach database a");
        c.execute("create table ct_label (db_name text)");
        c.execute("insert into ct_label values ('乙')");
        c.execute("insert into dt_data (c901, c902, c907, RecordState) values (?1, '工会5', 1, 1)", {kBase + 5});
        c.execute("update dt_data set b014 = 12.0 where c901 = ?1", {kBase + 2});
        c.execute("update dt_data set z003 = NULL where c901 = ?1", {kBase + 3}); // 0 in A
        c.execute("update dt_data set c902 = '新名', z004 = 2.5 where c901 = ?1", {kBase + 4});
        EXPECT_EQ(c.scalar("select typeof(b014) from dt_data where c901 = ?1", {kBase + 2}).toString(), "real");
    }
    const QByteArray bytesA = FileBytes(a), bytesB = FileBytes(b);

    const BatchRun json = RunBatch({"diff", a, b, "--json"});
    EXPECT_EQ(json.status, 1) << json.err.toStdString();
    EXPECT_TRUE(json.out.contains("110101000001")) << "codes in plain digits";
    QJsonObject result = QJsonDocument::fromJson(json.out.toUtf8()).object();
    result.remove("command");
    result.remove("exitStatus");
    const QJsonObject expected = QJsonDocument::fromJson(R"({
        "onlyA": [110101000001], "onlyB": [110101000005], "equal": [110101000002],
        "differing": [
            {"code": 110101000003, "fields": [{"field": "z003", "a": 0, "b": null}]},
            {"code": 110101000004, "fields": [{"field": "c902", "a": "工会4", "b": "新名"},
                                              {"field": "z004", "a": 1, "b": 2.5}]}]})")
                                     .object();
    EXPECT_EQ(result, expected) << json.out.toStdString();

    const BatchRun text = RunBatch({"diff", a, b});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.out, QStringList({"类别\t编号\t字段\t项目\tA\tB", "只在A中\t110101000001", "只在B中\t110101000005",
                                     "相同\t110101000002",
                                     "不同\t110101000003\tz003\t其中：中共党员(人)\t0\t（空）",
                                     "不同\t110101000004\tc902\t本级工会名称\t工会4\t新名",
                                     "不同\t110101000004\tz004\t机关人员年龄35岁及以下(人)\t1\t2.5",
                                     "只在A中：1个单位；只在B中：1个单位；相同：1个单位；不同：2个单位"})
                            .join("\n")
                            + "\n");

    // A package against the database it was written from: the same returns.
    const QString package = env.path("a.dat");
    ASSERT_EQ(RunBatch({"export", a, package, "--label", "甲"}).status, 0);
    const BatchRun same = RunBatch({"diff", package, a});
    EXPECT_EQ(same.status, 0) << same.out.toStdString() << same.err.toStdString();
    EXPECT_TRUE(same.out.endsWith("只在A中：0个单位；只在B中：0个单位；相同：4个单位；不同：0个单位\n"));

    // A file that is no database cannot be compared.
    const QString junk = env.path("junk.dat");
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write(QByteArray(8192, '\x01'));
    j.close();
    const BatchRun refused = RunBatch({"diff", a, junk});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains("不是有效的数据文件")) << refused.err.toStdString();
    EXPECT_EQ(FileBytes(a), bytesA);
    EXPECT_EQ(FileBytes(b), bytesB);
}

// --on-conflict: each package all or nothing, in the order given; the decision record is written.
TEST_F(ExchangeCommandsTest, ImportSettlesConflictsByKeepOrReplace)
{
    // Code 2 is here and in the first package; code 3 is in both packages.
    QStringList packages;
    const struct {
        const char* label;
        QList<int> codes;
        int z001;
    } units[] = {{"甲", {2, 3}, 5}, {"乙", {3, 4}, 9}};
    for (const auto& u : units) {
        const QString source = database(QString("src%1").arg(packages.size()), u.codes);
        Connection c;
        c.open(source);
        c.execute("update dt_data set z001 = ?1, z004 = ?1", {u.z001});
        c.close();
        packages << env.path(QString("p%1.dat").arg(packages.size()));
        ASSERT_EQ(RunBatch({"export", source, packages.last(), "--label", u.label}).status, 0);
    }
    const QString junk = env.path("junk.dat");
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write(QByteArray(8192, '\x01'));
    j.close();

    const struct {
        const char* mode;
        int code2, code3;
        QStringList rows;
    } runs[] = {
        {"replace", 5, 9, {"\t甲\t2\t1\t1\t0\t已导入", "\t乙\t2\t1\t1\t0\t已导入"}},
        {"keep", 1, 5, {"\t甲\t2\t1\t0\t1\t已导入", "\t乙\t2\t1\t0\t1\t已导入"}},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.mode);
        QFile::remove(db);
        CopyDeliveredDatabase(db);
        database("working", {1, 2});
        for (const QString& f : QDir(env.documentsFolder()).entryList({"数据导入冲突处理记录-*"}))
            QFile::remove(QDir(env.documentsFolder()).filePath(f));
        const BatchRun run = RunBatch(QStringList{"import", db, "--yes", "--on-conflict", r.mode} + packages);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        const QStringList records = QDir(env.documentsFolder()).entryList({"数据导入冲突处理记录-*.txt"});
        ASSERT_EQ(records.size(), 1);
        const QString record = QDir(env.documentsFolder()).filePath(records[0]);
        EXPECT_EQ(run.out, QStringList({"文件\t标识\t单位数\t新增\t替换\t保留\t结果", packages[0] + r.rows[0],
                                        packages[1] + r.rows[1], "冲突处理记录已经保存到：" + record})
                                   .join("\n")
                               + "\n");
        EXPECT_EQ(count(db, "select count(*) from dt_data"), 4);
        EXPECT_EQ(count(db, QString("select z001 from dt_data where c901 = %1").arg(kBase + 2)), r.code2);
        EXPECT_EQ(count(db, QString("select z001 from dt_data where c901 = %1").arg(kBase + 3)), r.code3);
        const QString text = GbkDecode(FileBytes(record));
        EXPECT_TRUE(text.contains(QString("处理：") + (QString(r.mode) == "keep" ? "保留现有" : "采用导入")));
        EXPECT_EQ(text.count("文件："), 2) << "a section per package";
        // Each package has its row in the register, with what was replaced and kept.
        EXPECT_EQ(RegisterResults(db), QStringList({"已导入", "已导入"}));
        const bool keep = QString(r.mode) == "keep";
        EXPECT_EQ(count(db, "select sum(Added) from dt_receipt"), 2);
        EXPECT_EQ(count(db, "select sum(Replaced) from dt_receipt"), keep ? 0 : 2);
        EXPECT_EQ(count(db, "select sum(Kept) from dt_receipt"), keep ? 2 : 0);
    }

    // A refused file among good ones: the others go in; the run says a package was not imported.
    QFile::remove(db);
    CopyDeliveredDatabase(db);
    database("working", {1, 2});
    const BatchRun mixed = RunBatch({"import", db, "--yes", "--on-conflict", "keep", "--json", packages[0], junk});
    EXPECT_EQ(mixed.status, 1);
    const QJsonArray entries = QJsonDocument::fromJson(mixed.out.toUtf8()).object()["packages"].toArray();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[0].toObject()["imported"].toBool());
    EXPECT_EQ(entries[0].toObject()["added"].toInt(), 1);
    EXPECT_EQ(entries[0].toObject()["kept"].toInt(), 1);
    EXPECT_FALSE(entries[1].toObject()["imported"].toBool());
    EXPECT_TRUE(entries[1].toObject()["result"].toString().startsWith("运行中发生错误："));
    EXPECT_EQ(count(db, "select count(*) from dt_data"), 3);
    const QStringList results = RegisterResults(db);
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0], "已导入");
    EXPECT_TRUE(results[1].startsWith("未导入：")) << results[1].toStdString();

    const BatchRun bad = RunBatch({"import", db, "--yes", "--on-conflict", "merge", packages[0]});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains("--on-conflict")) << bad.err.toStdString();
}
