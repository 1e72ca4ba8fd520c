#include "ExchangeFixture.h"
#include "support/DatabaseDump.h"

#include "app/Main.h"
#include "app/Startup.h"
#include "base/Gbk.h"
#include "exchange/ExchangeActions.h"
#include "exchange/PackageExport.h"
#include "exchange/PackageFile.h"
#include "exchange/PackageImport.h"
#include "support/FolderLimits.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTableView>

#include <csignal>
#include <iostream>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const QString kFailure = QStringLiteral("导入过程中发生错误，准备导入的数据可能与现有的\n\r数据有重复的内容，详细的内容请参见文件：\n\r\n\r"
                                        "            %1。");

// A package made by hand: the template with three returns changed by the script, then by the
// raw scripts (run one after the other, each on a fresh connection without this program's
// guards), then scrambled.
QString makeOddPackage(const TestEnvironment& env, const QString& name, const QString& script,
                       const QStringList& raw = {})
{
    const QString path = env.path(name + ".dat");
    QFile::copy(PackageTemplatePath(), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    {
        Connection db;
        db.open(path);
        AddReturns(db, 120101000001, 3);
        db.executeScript(script);
    }
    for (const QString& sql : raw)
        RunRawScript(path, sql);
    ScramblePackage(path);
    return path;
}
} // namespace

class ImportTest : public ExchangeTest {
protected:
    // Chooses the file in the open dialog and answers the label question.
    bool import(const QString& file, int answer = AnswerYes)
    {
        prompter.answer(file);
        prompter.answer(answer);
        return ImportPackage("dt_data");
    }
    qint64 count() { return SysConnection().scalar("select count(*) from dt_data").toLongLong(); }
};

TEST_F(ImportTest, APackageOfNewCodesIsAddedWhole)
{
    const QString package = MakePackage(env, "county", 110101000001, 3);
    AddReturns(SysConnection(), 110101000100, 2);
    EXPECT_TRUE(import(package));
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_EQ(prompter.fileDialogs[0].title, "选择导入文件");
    EXPECT_EQ(prompter.fileDialogs[0].filter, "数据加密文件(*.dat)|*.dat|数据备份文件(*.mdb)|*.mdb");
    EXPECT_EQ(prompter.fileDialogs[0].folder, env.documentsFolder());
    EXPECT_EQ(prompter.captions, QStringList({"提示："}));
    EXPECT_EQ(prompter.shown, QStringList({"确认准备导入标记声明为【某县总工会】的数据么？",
                                           "数据已经被正确地从'" + package + "'导入！"}));
    EXPECT_EQ(count(), 5);
    EXPECT_EQ(SysConnection().scalar("select c902 from dt_data where c901=110101000003").toString(), "某区工会2");
    // a package is read in a restored copy in the temporary folder, which goes with the import
    QString copy;
    {
        ReceivedFile source(SysConnection(), package, "dt_data");
        EXPECT_TRUE(source.hasWorkingCopy());
        copy = source.readPath();
        EXPECT_EQ(QFileInfo(copy).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        EXPECT_EQ((unsigned char)ReadAll(copy)[0], kPlainFirstByte);
    }
    EXPECT_FALSE(QFile::exists(copy));
}

TEST_F(ImportTest, TheSamePackageTwiceAddsNothingAndReportsEveryRecord)
{
    const QString package = MakePackage(env, "county", 110101000001, 3);
    ASSERT_TRUE(import(package));
    prompter.shown.clear();
    EXPECT_FALSE(import(package));
    EXPECT_EQ(count(), 3);
    const QString report = QDir(env.documentsFolder()).filePath("数据导入编号冲突.txt");
    EXPECT_EQ(prompter.shown.last(), kFailure.arg(report));
    EXPECT_EQ(prompter.opened, QStringList({report}));
    QProcess iconv;
    iconv.start("iconv", {"-f", "GBK", "-t", "UTF-8", report});
    ASSERT_TRUE(iconv.waitForFinished());
    EXPECT_EQ(QString::fromUtf8(iconv.readAllStandardOutput()),
              "在准备导入的文件中，如下的记录与现有的记录发生编号冲突\r\n" + QString(80, '-') + "\r\n"
                  "(110101000001,某区工会0)\r\n(110101000002,某区工会1)\r\n(110101000003,某区工会2)\r\n");
    // the staging table keeps the conflicting records; the returns are as they were
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data_dt_data").toInt(), 3);
}

TEST_F(ImportTest, OneCodeAlreadyPresentStopsTheWholePackageAndIsReported)
{
    const QString package = MakePackage(env, "county", 110101000001, 3);
    AddReturns(SysConnection(), 110101000002, 1);
    EXPECT_FALSE(import(package));
    EXPECT_EQ(count(), 1);
    const QString report = ConflictReportPath();
    EXPECT_EQ(GbkDecode(ReadAll(report)).split("\r\n").mid(2), QStringList({"(110101000002,某区工会1)", ""}));
}

// A plain database file is not restored, but it too is read from a private copy: the chosen
// file is never opened by the engine, so nothing is locked or made beside it.
TEST_F(ImportTest, APlainDatabaseFileIsReadFromAPrivateCopy)
{
    const QString county = env.path("county.mdb");
    CopyDeliveredDatabase(county);
    {
        Connection db;
        db.open(county);
        AddReturns(db, 110101000001, 2);
    }
    const QByteArray before = ReadAll(county);
    {
        ReceivedFile source(SysConnection(), county, "dt_data");
        EXPECT_EQ(source.status(), ReceivedFile::Ready) << source.message().toStdString();
        EXPECT_TRUE(source.hasWorkingCopy());
        EXPECT_EQ(QFileInfo(source.readPath()).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        EXPECT_EQ(ReadAll(source.readPath()), before);
        EXPECT_EQ(source.recordCount(), 2);
    }
    prompter.chosenFilter = 1; // "数据备份文件(*.mdb)", the name typed without its extension
    EXPECT_TRUE(import(env.path("county")));
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(ReadAll(county), before);
}

TEST_F(ImportTest, DecliningTheLabelChangesNothing)
{
    const QString package = MakePackage(env, "county", 110101000001, 3);
    const QString before = DumpExceptRegister(CurrentDatabasePath);
    EXPECT_FALSE(import(package, AnswerNo));
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(DumpExceptRegister(CurrentDatabasePath), before);
    EXPECT_EQ(RegisterResults(CurrentDatabasePath), QStringList({"未导入：未确认标记声明为【某县总工会】的数据"}));
}

TEST_F(ImportTest, AMissingFileOrTableIsNamed)
{
    prompter.answer(env.path("nothere.dat"));
    EXPECT_TRUE(ImportPackage("dt_data"));
    EXPECT_EQ(prompter.shown, QStringList({"您选择的文件并不存在，请选择其它文件。"}));
    {
        Connection db;
        db.open(env.path("notable.mdb"), Connection::Mode::Create);
        db.executeScript("create table ct_label (db_name text);");
    }
    prompter.shown.clear();
    prompter.chosenFilter = 1;
    prompter.answer(env.path("notable.mdb"));
    EXPECT_TRUE(ImportPackage("dt_data"));
    EXPECT_EQ(prompter.shown, QStringList({"您选择的文件中不存在名字为\"dt_data\"的数据表"}));
}

// Whatever a received file holds, it is refused with a message and the working database stays
// byte for byte as it was; a valid file in an unusual shape (WAL mode, a read-only folder,
// hundreds of chained views, a row id at the 64-bit limit) is imported whole. Either way the
// chosen file is unchanged, nothing is made beside it and no copy stays in the temporary folder.
TEST_F(ImportTest, HostilePackagesAreRefusedOrReadWithoutHarm)
{
    const TempFolderAt temp(env.path("temp"));
    AddReturns(SysConnection(), 110101000001, 2);
    const QString good = MakePackage(env, "good", 130101000001, 3);
    const QByteArray goodBytes = ReadAll(good);
    struct Case {
        QString name;
        std::function<QString()> make;
        QString expected;      // part of the message; empty: the file's 3 returns are imported
        bool fullTemp = false; // the temporary folder is full while it is imported
    };
    auto bytesFile = [this](const QString& name, const QByteArray& bytes) {
        WriteAll(env.path(name), bytes);
        return env.path(name);
    };
    auto cut = [&](int bytes) {
        return [&, bytes] { return bytesFile(QString("cut%1.dat").arg(bytes), goodBytes.left(goodBytes.size() - bytes)); };
    };
    auto plain = [this](const QString& folder, const QString& name, const QString& script) {
        const QString path = QDir(folder).filePath(name);
        QDir().mkpath(folder);
        CopyDeliveredDatabase(path);
        Connection db;
        db.open(path);
        AddReturns(db, 150101000001, 3);
        db.executeScript(script);
        return path;
    };
    QString views = "begin; create view v0 as select * from dt_data;";
    for (int i = 1; i < 600; ++i)
        views += QString("create view v%1 as select * from v%2;").arg(i).arg(i - 1);
    views += "commit;";
    // A folder nobody may write, holding a package and a plain file in WAL mode.
    ReadOnlyFolder readOnly(env.path("ro"));
    const QString sealedPackage = QDir(env.path("ro")).filePath("sealed.dat");
    QFile::copy(makeOddPackage(env, "sealed", "PRAGMA journal_mode=WAL;"), sealedPackage);
    const QString sealedPlain = plain(env.path("ro"), "sealed.mdb", "PRAGMA journal_mode=WAL;");
    readOnly.seal();
    const QList<Case> cases = {
        {"not a database", [&] { return bytesFile("junk.dat", QByteArray(8192, '\x01')); }, "不是有效的数据文件"},
        {"truncated", [&] { return bytesFile("cut.dat", goodBytes.left(goodBytes.size() / 2)); }, "损坏"},
        {"cut inside the last page by 1 byte", cut(1), "不完整"},
        {"cut inside the last page by 64 bytes", cut(64), "不完整"},
        {"cut inside the last page by 193 bytes", cut(193), "不完整"},
        {"cut inside the last page by 194 bytes", cut(194), "不完整"},
        {"cut inside the last page by 4000 bytes", cut(4000), "不完整"},
        {"cut by a whole page", cut(4096), "与文件头所记的"},
        {"not a whole number of pages", [&] { return bytesFile("long.dat", goodBytes + QByteArray(300, '\0')); }, "整数倍"},
        {"page scribbled over", [&] {
             QByteArray b = goodBytes;
             for (int i = 2 * 4096; i < 3 * 4096; ++i)
                 b[i] = char(0x5a);
             return bytesFile("scribbled.dat", b);
         }, "损坏"},
        {"first byte 66, nothing behind it", [&] { return bytesFile("f.dat", "f" + QByteArray(4095, '\0')); }, "运行中发生错误："},
        {"extra column", [&] { return makeOddPackage(env, "extra", "alter table dt_data add column z999 numeric;"); },
         "多余的字段\"z999\""},
        {"missing column", [&] { return makeOddPackage(env, "missing", "alter table dt_data drop column z001;"); },
         "缺少字段\"z001\""},
        {"dt_data a view", [&] {
             return makeOddPackage(env, "view", "alter table dt_data rename to t; create view dt_data as select * from t;");
         }, "不是数据表"},
        {"oversized label", [&] {
             return makeOddPackage(env, "label", "update ct_label set db_name = printf('%.*c', 100000, 'x');");
         }, "标识超过255个字符"},
        {"no label table", [&] { return makeOddPackage(env, "nolabel", "drop table ct_label;"); }, "ct_label"},
        {"a code twice", [&] { return makeOddPackage(env, "twice", "update dt_data set c901=120101000001;"); }, "重复"},
        {"a code that is no number", [&] { return makeOddPackage(env, "text", "update dt_data set c901='x' where rowid=2;"); },
         "不是数字"},
        {"a code twice behind an index that hides it", [&] {
             // The index is made while the codes differ, then a code is changed behind its back.
             return makeOddPackage(env, "hidden", "create index byCode on dt_data (c901);",
                                   {"PRAGMA writable_schema=ON; create table keep as select * from sqlite_master "
                                    "where name='byCode'; delete from sqlite_master where name='byCode';",
                                    "update dt_data set c901=120101000001 where c901=120101000002;"
                                    "PRAGMA writable_schema=ON; insert into sqlite_master select * from keep;",
                                    "drop table keep;"});
         }, "重复"},
        {"a CHECK constraint", [&] {
             return makeOddPackage(env, "check", "",
                                   {"PRAGMA writable_schema=ON; update sqlite_master set sql = "
                                    "substr(sql, 1, length(sql) - 1) || ', check (RecordState <> 2))' where name='dt_data';"});
         }, "检查约束"},
        {"an expression index", [&] { return makeOddPackage(env, "expr", "create index e on dt_data (z001 * 2);"); },
         "按表达式或条件建立的索引\"e\""},
        {"a partial index", [&] { return makeOddPackage(env, "part", "create index p on dt_data (c901) where z001 > 0;"); },
         "按表达式或条件建立的索引\"p\""},
        {"a full temporary folder", [&] { return good; }, "复制到临时文件夹", true},
        {"a row id at the 64-bit minimum", [&] {
             return makeOddPackage(env, "minrow", "update dt_data set rowid = -9223372036854775808 where c901 = 120101000002;");
         }, ""},
        {"600 chained views", [&] { return makeOddPackage(env, "views", views); }, ""},
        {"WAL mode", [&] { return makeOddPackage(env, "wal", "PRAGMA journal_mode=WAL;"); }, ""},
        {"WAL mode, a plain file", [&] { return plain(env.path("plain"), "wal.mdb", "PRAGMA journal_mode=WAL;"); }, ""},
        {"a package in a read-only folder", [&] { return sealedPackage; }, ""},
        {"WAL mode, a plain file in a read-only folder", [&] { return sealedPlain; }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString file = c.make();
        const QByteArray fileBytes = ReadAll(file);
        const QStringList beside = QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files | QDir::Hidden);
        const QString before = DumpExceptRegister(CurrentDatabasePath);
        const int receipts = RegisterResults(CurrentDatabasePath).size();
        prompter.shown.clear();
        prompter.chosenFilter = file.endsWith(".mdb") ? 1 : 0;
        prompter.answer(file);
        if (c.expected.isEmpty())
            prompter.answer(AnswerYes); // the label question
        {
            std::optional<FullFolder> full;
            if (c.fullTemp)
                full.emplace(env.path("temp"), 8 << 10);
            ImportPackage("dt_data");
        }
        if (c.expected.isEmpty()) {
            ASSERT_EQ(prompter.shown.size(), 2) << prompter.shown.join(" | ").toStdString();
            EXPECT_EQ(prompter.shown[1], "数据已经被正确地从'" + file + "'导入！");
            EXPECT_EQ(count(), 5);
            const QStringList results = RegisterResults(CurrentDatabasePath);
            ASSERT_EQ(results.size(), receipts + 1);
            EXPECT_TRUE(results.last().startsWith("已导入")) << results.last().toStdString();
            SysConnection().execute("delete from dt_data where c901 > 110101000002");
        } else {
            ASSERT_EQ(prompter.shown.size(), 1) << prompter.shown.join(" | ").toStdString();
            EXPECT_TRUE(prompter.shown[0].contains(c.expected)) << prompter.shown[0].toStdString();
            EXPECT_TRUE(prompter.shown[0].startsWith("运行中发生错误：")) << prompter.shown[0].toStdString();
            EXPECT_FALSE(prompter.shown[0].contains("~SM")) << "the message names the chosen file, not a copy";
            EXPECT_FALSE(prompter.shown[0].contains('\n')) << prompter.shown[0].toStdString();
            EXPECT_EQ(DumpExceptRegister(CurrentDatabasePath), before);
            EXPECT_EQ(count(), 2);
            const QStringList results = RegisterResults(CurrentDatabasePath);
            ASSERT_EQ(results.size(), receipts + 1);
            EXPECT_TRUE(results.last().startsWith("未导入：")) << results.last().toStdString();
        }
        EXPECT_EQ(ReadAll(file), fileBytes);
        EXPECT_EQ(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files | QDir::Hidden), beside);
        EXPECT_EQ(QDir(env.path("temp")).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
    if (!readOnly.readOnly())
        std::cout << "[ NOTE ] no read-only folder could be made here; those cases ran in a writable one\n";
}

// The copy is counted inside the transaction: when fewer returns arrive than the file holds,
// nothing is kept and the message says so.
TEST_F(ImportTest, ACopyThatLosesAReturnKeepsNothing)
{
    const QString package = MakePackage(env, "county", 110101000001, 3);
    AddReturns(SysConnection(), 120101000001, 1);
    // A rule of the working database that quietly drops one return on its way in.
    SysConnection().execute("create temp trigger drop_one before insert on main.dt_data "
                            "when new.c901 = 110101000002 begin select raise(ignore); end");
    EXPECT_FALSE(import(package));
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[1], "运行中发生错误：导入的记录数（2）与文件中的记录数（3）不一致，没有导入这个文件的任何数据"
                                 ",请与软件发行者联系。");
    EXPECT_EQ(count(), 1);
    EXPECT_FALSE(SysConnection().inTransaction());
}

// A stop keeps nothing of the file, and the result says it was stopped.
TEST_F(ImportTest, AStoppedImportKeepsNothingAndSaysSo)
{
    const QString package = MakePackage(env, "county", 110101000001, 30);
    const ReceivedFile source(SysConnection(), package, "dt_data");
    ASSERT_EQ(source.status(), ReceivedFile::Ready) << source.message().toStdString();
    ImportOptions options;
    options.chunkRows = 10;
    int steps = 0;
    options.hooks.stopped = [&] { return ++steps == 2; };
    const ImportResult result = ImportReceivedTable(SysConnection(), source, options);
    EXPECT_EQ(result.status, ImportResult::Stopped);
    EXPECT_EQ(result.error, "导入已经停止，没有导入这个文件的任何数据");
    EXPECT_EQ(result.rows, 0);
    EXPECT_EQ(count(), 0);
}

TEST_F(ImportTest, AReceivedLabelIsShownAsText)
{
    const QString package =
        makeOddPackage(env, "odd", "update ct_label set db_name = 'a''b\"c' || char(1) || char(10) || '<b>x</b>';");
    const QString before = DumpExceptRegister(CurrentDatabasePath);
    EXPECT_FALSE(import(package, AnswerNo));
    EXPECT_EQ(prompter.questions, QStringList({"确认准备导入标记声明为【a'b\"c??<b>x</b>】的数据么？"}));
    EXPECT_EQ(DumpExceptRegister(CurrentDatabasePath), before);
}

TEST_F(ImportTest, ColumnsInAnotherOrderAreImportedByName)
{
    // the same columns, the table written in reverse order
    const QString path = env.path("reversed.dat");
    {
        Connection db;
        db.open(path, Connection::Mode::Create);
        QStringList columns = SysConnection().columnNames("dt_data");
        std::reverse(columns.begin(), columns.end());
        db.execute("create table dt_data (" + columns.join(" numeric, ") + " numeric)");
        db.execute("create table ct_label (db_name text)");
        db.execute("insert into ct_label values ('反序')");
        AddReturns(db, 140101000001, 3);
    }
    Connection source;
    source.open(path);
    const QList<QVariantList> expected = AllReturns(source);
    source.close();
    ScramblePackage(path);
    EXPECT_TRUE(import(path));
    EXPECT_EQ(AllReturns(SysConnection()), expected);
}

TEST_F(ImportTest, TheFilesTriggersAndViewsNeverRun)
{
    const QString path = makeOddPackage(env, "traps",
                                        "create table log (x);"
                                        "create trigger t1 after insert on dt_data begin insert into log values (1); end;"
                                        "create trigger t2 after update on ct_label begin insert into log values (2); end;"
                                        "create view view_data as select nosuchfunction(c901) from dt_data;");
    const QByteArray before = ReadAll(path);
    EXPECT_TRUE(import(path));
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_FALSE(SysConnection().hasTable("log"));
    EXPECT_EQ(SysConnection().scalar("select db_name from ct_label").toString(), "默认数据库");
}

TEST_F(ImportTest, AHeaderReplacedByAnotherProgramIsRestored)
{
    const QString package = MakePackage(env, "county", 110101000001, 2);
    const QString plain = env.path("plain.dat");
    QFile::copy(package, plain);
    QFile::setPermissions(plain, QFile::ReadOwner | QFile::WriteOwner);
    RestorePackage(plain);
    QByteArray bytes = ReadAll(plain);
    bytes.replace(0, 16, QByteArray("f\x01\x00\x00Standard Jet", 16));
    WriteAll(plain, bytes);
    EXPECT_TRUE(import(plain));
    EXPECT_EQ(count(), 2);
}

TEST_F(ImportTest, ReturnsComeThroughAnExportAndAnImportUnchanged)
{
    Connection& db = SysConnection();
    AddReturns(db, 110101000001, 40);
    db.execute("update dt_data set c902='带,逗号－的名称', b014=1234.5678 where c901=110101000007");
    const QList<QVariantList> exported = AllReturns(db);
    const QString package = env.path("round.dat");
    ASSERT_EQ(WritePackage(db, PackageTemplatePath(), package, "市总工会").error, "");

    const QString other = env.path("city.mdb");
    CopyDeliveredDatabase(other);
    ASSERT_EQ(OpenWorkingDatabase(other).status, OpenDatabaseResult::Opened);
    EXPECT_TRUE(import(package));
    EXPECT_EQ(AllReturns(SysConnection()), exported);
}

// The list is re-read after an import and shows the return that was current before.
TEST_F(ImportTest, TheListReturnsToItsRowAfterAnImport)
{
    AddReturns(SysConnection(), 110101000010, 3);
    SysConnection().close();
    TMainForm form;
    ASSERT_TRUE(RunStartup(form, {false}));
    RowSet& rows = form.reportQuery();
    rows.moveTo(1);
    const QString current = rows.text("c901");
    const QString package = MakePackage(env, "county", 110101000001, 3);
    prompter.answer(package);
    prompter.answer(AnswerYes);
    form.action("数据导入")->trigger();
    EXPECT_EQ(rows.recordCount(), 6);
    EXPECT_EQ(rows.text("c901"), current);
    EXPECT_EQ(rows.position(), 4);
    EXPECT_EQ(form.recordGrid()->currentIndex().row(), 4);
}

// A program killed while it copies leaves all of the package or none of it.
TEST_F(ImportTest, AKillDuringTheCopyLeavesAllOrNothing)
{
    const QString package = MakePackage(env, "big", 110101000001, 3000);
    SysConnection().close();
    for (const bool finish : {false, true}) {
        const char signal = RunUntilKilled([&](const std::function<void()>& halfWay) {
            Connection working;
            working.open(CurrentDatabasePath);
            ReceivedFile source(working, package, "dt_data");
            ImportOptions options;
            options.chunkRows = 500;
            options.hooks.stepped = [&](qint64 done) {
                if (!finish && done >= 1000)
                    halfWay(); // the parent kills now
            };
            return ImportReceivedTable(working, source, options).status == ImportResult::Imported;
        });
        EXPECT_EQ(signal, finish ? 'd' : 'h');

        Connection after;
        after.open(CurrentDatabasePath);
        EXPECT_EQ(after.scalar("select count(*) from dt_data").toInt(), finish ? 3000 : 0) << finish;
        EXPECT_EQ(after.scalar("PRAGMA quick_check").toString(), "ok");
    }
}
