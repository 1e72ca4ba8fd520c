#include "ExchangeFixture.h"

#include "app/Main.h"
#include "app/Startup.h"
#include "base/Gbk.h"
#include "exchange/ExchangeActions.h"
#include "exchange/PackageExport.h"
#include "exchange/PackageFile.h"
#include "exchange/PackageImport.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTableView>


namespace {
const QString kFailure = QStringLiteral("导入过程中发生错误，准备导入的数据可能与现有的\n\r数据有重复的内容，详细的内容请参见文件：\n\r\n\r"
                                        "            %1。");

// A package made by hand: the template changed by the script, then scrambled.
QString makeOddPackage(const TestEnvironment& env, const QString& name, const QString& script)
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

TEST_F(ImportTest, APlainDatabaseFileIsReadDirectly)
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
        EXPECT_FALSE(source.hasWorkingCopy());
        EXPECT_EQ(source.readPath(), county);
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
    const QByteArray before = ReadAll(CurrentDatabasePath);
    EXPECT_FALSE(import(package, AnswerNo));
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(ReadAll(CurrentDatabasePath), before);
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
// byte for byte as it was.
TEST_F(ImportTest, HostilePackagesAreRefusedAndChangeNothing)
{
    AddReturns(SysConnection(), 110101000001, 2);
    const QString good = MakePackage(env, "good", 130101000001, 3);
    const QByteArray goodBytes = ReadAll(good);
    struct Case {
        QString name;
        std::function<QString()> make;
        QString expected; // part of the message
    };
    auto bytesFile = [this](const QString& name, const QByteArray& bytes) {
        WriteAll(env.path(name), bytes);
        return env.path(name);
    };
    const QList<Case> cases = {
        {"not a database", [&] { return bytesFile("junk.dat", QByteArray(8192, '\x01')); }, "不是有效的数据文件"},
        {"truncated", [&] { return bytesFile("cut.dat", goodBytes.left(goodBytes.size() / 2)); }, "损坏"},
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
    };
    for (const Case& c : cases) {
        const QString file = c.make();
        const QByteArray before = ReadAll(CurrentDatabasePath);
        prompter.shown.clear();
        prompter.answer(file); // the label question, were it asked, would be closed unanswered
        ImportPackage("dt_data");
        ASSERT_EQ(prompter.shown.size(), 1) << c.name.toStdString() << ": " << prompter.shown.join(" | ").toStdString();
        EXPECT_TRUE(prompter.shown[0].contains(c.expected)) << c.name.toStdString() << ": " << prompter.shown[0].toStdString();
        EXPECT_TRUE(prompter.shown[0].startsWith("运行中发生错误：")) << c.name.toStdString();
        EXPECT_EQ(ReadAll(CurrentDatabasePath), before) << c.name.toStdString();
        EXPECT_EQ(count(), 2) << c.name.toStdString();
    }
}

TEST_F(ImportTest, AReceivedLabelIsShownAsText)
{
    const QString package =
        makeOddPackage(env, "odd", "update ct_label set db_name = 'a''b\"c' || char(1) || char(10) || '<b>x</b>';");
    const QByteArray before = ReadAll(CurrentDatabasePath);
    EXPECT_FALSE(import(package, AnswerNo));
    EXPECT_EQ(prompter.questions, QStringList({"确认准备导入标记声明为【a'b\"c??<b>x</b>】的数据么？"}));
    EXPECT_EQ(ReadAll(CurrentDatabasePath), before);
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
