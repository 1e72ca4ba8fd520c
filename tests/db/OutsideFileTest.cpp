#include "db/Connection.h"
#include "db/DbError.h"
#include "db/OutsideFile.h"
#include "support/FolderLimits.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void makeFile(const QString& path, const QString& script)
{
    Connection db;
    db.open(path, Connection::Mode::Create);
    db.executeScript(script);
}

const QString kGood = QStringLiteral(
    "create table dt_data (c901 numeric, c902 text, z001 numeric);"
    "insert into dt_data values (100000000001, 'a', 1), (100000000002, 'b', 2);"
    "create table ct_label (db_name text); insert into ct_label values ('x');");

const QList<OutsideTable> kRequired = {
    {QStringLiteral("dt_data"), {QStringLiteral("c901"), QStringLiteral("c902"), QStringLiteral("z001")}},
    {QStringLiteral("ct_label"), {QStringLiteral("db_name")}},
};

// A file with a good header whose pages were changed after it was written.
QByteArray damaged(const QString& path, bool truncate,
                   const QString& table = QStringLiteral("create table dt_data (c901 numeric, c902 text, z001 numeric);"))
{
    makeFile(path, table + QStringLiteral("create table ct_label (db_name text);"
                                  "with recursive n(i) as (select 1 union all select i+1 from n where i<3000) "
                                  "insert into dt_data select 100000000000+i, hex(randomblob(20)), i from n;"));
    QByteArray bytes = readAll(path);
    if (truncate)
        return bytes.left(bytes.size() / 2);
    for (int i = 3 * 4096; i < 4 * 4096; ++i) // the fourth page, one of the table's
        bytes[i] = char(0x5a);
    return bytes;
}
} // namespace

TEST(OutsideFile, AFileWithTheRequiredTablesPasses)
{
    TestEnvironment env(TestEnvironment::Empty);
    makeFile(env.path("good.db"), kGood);
    const OutsideFileCheck check = CheckOutsideFile(env.path("good.db"), kRequired);
    EXPECT_TRUE(check.passed()) << check.error.toStdString();
}

TEST(OutsideFile, ColumnsInAnotherOrderAndCasePass)
{
    TestEnvironment env(TestEnvironment::Empty);
    makeFile(env.path("order.db"), "create table DT_DATA (Z001 numeric, c902 text, C901 numeric);"
                                   "create table ct_label (DB_NAME text);");
    const OutsideFileCheck check = CheckOutsideFile(env.path("order.db"), kRequired);
    EXPECT_TRUE(check.passed()) << check.error.toStdString();
}

TEST(OutsideFile, AMissingTableIsListedNotAnError)
{
    TestEnvironment env(TestEnvironment::Empty);
    makeFile(env.path("half.db"), "create table ct_label (db_name text);");
    const OutsideFileCheck check = CheckOutsideFile(env.path("half.db"), kRequired);
    EXPECT_TRUE(check.error.isEmpty()) << check.error.toStdString();
    EXPECT_EQ(check.missingTables, QStringList({"dt_data"}));
    EXPECT_FALSE(check.passed());
}

// Every hostile file is refused with a reason, and the check leaves it as it was.
TEST(OutsideFile, HostileFilesAreRefusedWithAReasonAndLeftAsTheyWere)
{
    TestEnvironment env(TestEnvironment::Empty);
    auto good = [](const QString& p) {
        makeFile(p, kGood + "insert into dt_data select c901 + 2, hex(randomblob(900)), z001 from dt_data;"
                            "insert into dt_data select c901 + 4, c902, z001 from dt_data;");
        return readAll(p);
    };
    auto cut = [good](int bytes) {
        return [good, bytes](const QString& p) {
            const QByteArray b = good(p);
            writeAll(p, b.left(b.size() - bytes));
        };
    };
    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
        const char* reasonPart;
    };
    auto script = [](const QString& sql) { return [sql](const QString& p) { makeFile(p, sql); }; };
    const QString label = "create table ct_label (db_name text);";
    const QList<Case> cases = {
        {"text", [](const QString& p) { writeAll(p, QByteArray(5000, 'x')); }, "不是有效的数据文件"},
        {"empty", [](const QString& p) { writeAll(p, QByteArray()); }, "不是有效的数据文件"},
        {"header replaced", [](const QString& p) {
             makeFile(p, kGood);
             QByteArray b = readAll(p);
             b.replace(0, 16, QByteArray("f\x01\x00\x00Standard Jet", 16));
             writeAll(p, b);
         }, "不是有效的数据文件"},
        {"truncated", [](const QString& p) { writeAll(p, damaged(p, true)); }, "损坏"},
        {"page scribbled over", [](const QString& p) { writeAll(p, damaged(p, false)); }, "损坏"},
        {"extra column", script("create table dt_data (c901, c902, z001, z999);" + label), "多余的字段\"z999\""},
        {"missing column", script("create table dt_data (c901, c902);" + label), "缺少字段\"z001\""},
        {"view", script("create table t (c901, c902, z001); create view dt_data as select * from t;" + label),
         "不是数据表"},
        {"virtual table", script("create virtual table dt_data using fts5(c901, c902, z001);" + label),
         "不是普通的数据表"},
        {"without rowid", script("create table dt_data (c901 primary key, c902, z001) without rowid;" + label),
         "不是普通的数据表"},
        {"computed column", script("create table dt_data (c901, c902, z001 as (c901 + 1));" + label), "计算字段"},
        {"utf-16", script("PRAGMA encoding='UTF-16le'; create table dt_data (c901, c902, z001);" + label), "编码"},
        // The engine reads the bytes missing from a last page as zeros: the size must be the header's.
        {"cut by 1 byte", cut(1), "不完整"},
        {"cut by 100 bytes", cut(100), "不完整"},
        {"cut by 193 bytes", cut(193), "不完整"},
        {"cut by 194 bytes", cut(194), "不完整"},
        {"cut by 4095 bytes", cut(4095), "不完整"},
        {"cut by a whole page", cut(4096), "与文件头所记的"},
        {"longer by a part of a page", [good](const QString& p) { writeAll(p, good(p) + QByteArray(100, '\0')); }, "整数倍"},
        {"longer by a page", [good](const QString& p) { writeAll(p, good(p) + QByteArray(4096, '\0')); }, "与文件头所记的"},
        {"page count of an old writer", [good](const QString& p) {
             QByteArray b = good(p);
             b[95] = char(b[95] + 1); // the version the page count is valid for no longer matches
             writeAll(p, b);
         }, "没有有效的页数"},
        {"page size not a power of two", [good](const QString& p) {
             QByteArray b = good(p);
             b[16] = 0x0f;
             b[17] = 0x00;
             writeAll(p, b);
         }, "页大小无效"},
        // What the file's table would compute or refuse is not read.
        {"check constraint", script("create table dt_data (c901 check (c901 > 0), c902, z001);" + label), "检查约束"},
        {"table check behind a comment", script("create table dt_data (c901, c902, z001, /* x */ Check(z001<5));" + label),
         "检查约束"},
        {"expression index", script("create table dt_data (c901, c902, z001); create index i on dt_data (c901 + 1);" + label),
         "按表达式或条件建立的索引\"i\""},
        {"partial index", script("create table dt_data (c901, c902, z001); create index p on dt_data (c901) where z001 > 0;"
                                 + label),
         "按表达式或条件建立的索引\"p\""},
    };
    for (const Case& c : cases) {
        const QString path = env.path(QString::fromUtf8(c.name) + ".db");
        c.make(path);
        const QByteArray before = readAll(path);
        const OutsideFileCheck check = CheckOutsideFile(path, kRequired);
        EXPECT_TRUE(check.error.contains(QString::fromUtf8(c.reasonPart))) << c.name << ": " << check.error.toStdString();
        EXPECT_FALSE(check.passed()) << c.name;
        EXPECT_EQ(readAll(path), before) << c.name;
    }
    EXPECT_TRUE(CheckOutsideFile(env.path("missing.db"), kRequired).error.contains("无法读取"));
}

// The word is a constraint only where the engine reads it as one.
TEST(OutsideFile, CheckInNamesStringsAndCommentsIsNoConstraint)
{
    TestEnvironment env(TestEnvironment::Empty);
    makeFile(env.path("words.db"), "create table dt_data (c901 numeric default 'check', -- check later\n"
                                   "  \"c902\" text /* check */, [z001] numeric collate binary);"
                                   "create index c on dt_data (c901, z001);"
                                   "create table ct_label (db_name text);");
    const OutsideFileCheck check = CheckOutsideFile(env.path("words.db"), kRequired);
    EXPECT_TRUE(check.passed()) << check.error.toStdString();
}

// A damaged page gives the engine's diagnostic of many lines: the reason holds its first one.
TEST(OutsideFile, AnEngineDiagnosticIsCutToItsFirstLine)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString path = env.path("scribbled.db");
    writeAll(path, damaged(path, false));
    const OutsideFileCheck check = CheckOutsideFile(path, kRequired);
    EXPECT_TRUE(check.error.startsWith("所选的文件已经损坏（")) << check.error.toStdString();
    EXPECT_FALSE(check.error.contains('\n')) << check.error.toStdString();
    EXPECT_FALSE(check.error.contains("*** in database")) << check.error.toStdString();
}

// The quick check runs beside the other checks; a damaged file is refused as damaged whatever
// else is wrong with it, and with a run the caller started the caller takes that refusal.
TEST(OutsideFile, TheQuickChecksRefusalComesFirst)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString path = env.path("both.db");
    writeAll(path, damaged(path, false, "create table dt_data (c901 numeric check (c901 > 0), c902 text, z001 numeric);"));
    const QString whole = CheckOutsideFile(path, kRequired).error;
    EXPECT_TRUE(whole.startsWith("所选的文件已经损坏（")) << whole.toStdString();

    QuickCheckRun run(path, 30000);
    const OutsideFileCheck rest = CheckOutsideFile(path, kRequired, -1, OutsideFilePlace::PrivateCopy, &run);
    EXPECT_TRUE(rest.error.contains("检查约束")) << rest.error.toStdString();
    EXPECT_TRUE(run.result().startsWith("所选的文件已经损坏（"));

    const QString good = env.path("good.db");
    makeFile(good, kGood);
    QuickCheckRun passing(good, 30000);
    EXPECT_TRUE(CheckOutsideFile(good, kRequired, -1, OutsideFilePlace::PrivateCopy, &passing).passed());
    EXPECT_EQ(passing.result(), "");
    QuickCheckRun cut(env.path("missing.db"), 30000);
    EXPECT_TRUE(cut.result().contains("无法读取"));
}

// Views are never resolved, however many build on each other: the check stays well inside a
// tight time bound (resolving 600 chained views took about a minute).
TEST(OutsideFile, ChainedViewsAreNeverResolved)
{
    TestEnvironment env(TestEnvironment::Empty);
    QString script = "begin;" + kGood + "create view v0 as select * from dt_data;";
    for (int i = 1; i < 600; ++i)
        script += QString("create view v%1 as select * from v%2;").arg(i).arg(i - 1);
    makeFile(env.path("views.db"), script + "commit;");
    // Resolving happens while statements are prepared, out of the time bound's reach: the clock
    // is what shows it.
    QElapsedTimer clock;
    clock.start();
    const OutsideFileCheck check = CheckOutsideFile(env.path("views.db"), kRequired, 5000);
    EXPECT_TRUE(check.passed()) << check.error.toStdString();
    EXPECT_LT(clock.elapsed(), 5000);
}

// Every check runs under a time bound: past it, the file is refused as too slow to check.
TEST(OutsideFile, ChecksStopAtTheirTimeBound)
{
    TestEnvironment env(TestEnvironment::Empty);
    QString script = "begin;" + kGood;
    for (int i = 0; i < 1500; ++i)
        script += QString("create table t%1 (x);").arg(i);
    makeFile(env.path("many.db"), script + "commit;");
    const OutsideFileCheck late = CheckOutsideFile(env.path("many.db"), kRequired, 0);
    EXPECT_EQ(late.error, OutsideTimeLimitText());
    EXPECT_TRUE(late.missingTables.isEmpty());
    const OutsideFileCheck inTime = CheckOutsideFile(env.path("many.db"), kRequired);
    EXPECT_TRUE(inTime.passed()) << inTime.error.toStdString();
    EXPECT_EQ(OutsideCheckMilliseconds(0), 30000);
    EXPECT_EQ(OutsideCheckMilliseconds(400 << 20), 130000);

    Connection db;
    db.open(env.path("many.db"), Connection::Mode::Outside);
    db.setTimeLimit(0);
    const QString scan = "select count(*) from sqlite_master where rootpage >= 0";
    EXPECT_THROW(db.scalar(scan), DbError);
    EXPECT_TRUE(db.timeLimitPassed());
    db.setTimeLimit(-1);
    EXPECT_FALSE(db.timeLimitPassed());
    EXPECT_EQ(db.scalar(scan).toInt(), 1502);
}

// A received file is read as it lies: nothing is locked, looked for or made beside it, its
// views and triggers are off, and a file written in WAL mode is read without its log.
TEST(OutsideFile, AReceivedFileIsReadAsItLies)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString path = env.path("wal.db");
    makeFile(path, "PRAGMA journal_mode=WAL;" + kGood + "create view v as select * from dt_data;");
    ASSERT_EQ(readAll(path)[18], 2) << "the file is in WAL mode";
    const QStringList before = QDir(env.path("")).entryList(QDir::Files);
    ASSERT_TRUE(CheckOutsideFile(path, kRequired).passed());
    Connection db;
    db.open(path, Connection::Mode::Outside);
    EXPECT_EQ(db.scalar("select count(*) from dt_data").toInt(), 2);
    EXPECT_THROW(db.scalar("select count(*) from v"), DbError) << "views are off";
    EXPECT_THROW(db.execute("delete from dt_data"), DbError);
    Connection working;
    working.open(env.path("working.db"), Connection::Mode::Create);
    working.attachOutside(path, "src");
    EXPECT_EQ(working.scalar("select count(*) from src.dt_data").toInt(), 2);
    EXPECT_THROW(working.execute("delete from src.dt_data"), DbError);
    working.detach("src");
    db.close();
    QStringList after = QDir(env.path("")).entryList(QDir::Files);
    after.removeAll("working.db");
    EXPECT_EQ(after, before);
}

namespace {
// The program's temporary folder set to a folder of the test's own.
struct OwnTempFolder {
    explicit OwnTempFolder(const QString& folder) : at(folder), path(folder) {}
    TempFolderAt at;
    QString path;
    QStringList files() const { return QDir(path).entryList(QDir::Files | QDir::Hidden); }
};
} // namespace

// The copy that is read is private to the user and goes with its owner; copies a killed run
// left behind go at the next copy, those of running programs stay.
TEST(OutsideFile, APrivateCopyIsTheUsersAloneAndLeavesNothingBehind)
{
    TestEnvironment env(TestEnvironment::Empty);
    const OwnTempFolder temp(env.path("temp"));
    makeFile(env.path("good.db"), kGood);
    QFile::setPermissions(env.path("good.db"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // What a killed run left (its process is gone), what a running one holds, and a user's file.
    const qint64 gone = EndedProcessId();
    const QString stale = QString("~SM%1-abcdef.tmp").arg(gone);
    const QString live = QString("~SM%1-ghijkl.tmp").arg(getppid());
    for (const QString& name : {stale, stale + "-journal", live, QString("~SMabcdef.tmp"), QString("mine.tmp")})
        writeAll(QDir(temp.path).filePath(name), "x");
    {
        OutsideCopy copy;
        QString error;
        ASSERT_TRUE(copy.make(env.path("good.db"), &error)) << error.toStdString();
        EXPECT_EQ(QFileInfo(copy.path()).absolutePath(), QFileInfo(temp.path).absoluteFilePath());
        EXPECT_EQ(readAll(copy.path()), readAll(env.path("good.db")));
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(copy.path()).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        EXPECT_EQ(copy.named("无法打开“" + copy.path() + "”"), "无法打开“" + env.path("good.db") + "”");
        EXPECT_EQ(temp.files().size(), 4) << temp.files().join(' ').toStdString();
    }
    QStringList left = temp.files();
    left.sort();
    QStringList expected = {live, QString("~SMabcdef.tmp"), QString("mine.tmp")};
    expected.sort();
    EXPECT_EQ(left, expected);
}

// A file its writer left unfinished (a journal with changes beside it) is not copied: the copy
// would lack what the journal holds.
TEST(OutsideFile, AFileWithPendingChangesBesideItIsNotCopied)
{
    TestEnvironment env(TestEnvironment::Empty);
    const OwnTempFolder temp(env.path("temp"));
    makeFile(env.path("a.db"), kGood);
    writeAll(env.path("a.db-journal"), QByteArray("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8) + QByteArray(600, '\1'));
    makeFile(env.path("b.db"), kGood);
    writeAll(env.path("b.db-wal"), QByteArray("\x37\x7f\x06\x82", 4) + QByteArray(4000, '\1'));
    makeFile(env.path("c.db"), kGood);
    writeAll(env.path("c.db-journal"), QByteArray(512, '\0')); // a journal emptied after its commit
    for (const char* name : {"a.db", "b.db"}) {
        OutsideCopy copy;
        QString error;
        EXPECT_FALSE(copy.make(env.path(name), &error)) << name;
        EXPECT_TRUE(error.contains("还没有写完")) << error.toStdString();
        EXPECT_TRUE(error.contains(env.path(name))) << error.toStdString();
    }
    OutsideCopy copy;
    QString error;
    EXPECT_TRUE(copy.make(env.path("c.db"), &error)) << error.toStdString();
    copy.remove();
    EXPECT_TRUE(temp.files().isEmpty());
}

// A copy that does not fit says so, names the chosen file and the temporary folder, and leaves nothing.
TEST(OutsideFile, ACopyIntoAFullTemporaryFolderNamesTheCause)
{
    TestEnvironment env(TestEnvironment::Empty);
    const OwnTempFolder temp(env.path("temp"));
    const QString path = env.path("big.db");
    writeAll(path, damaged(path, false)); // 3000 rows: far more than fits
    OutsideCopy copy;
    QString error;
    bool made = true;
    bool ownFileSystem = false;
    {
        const FullFolder full(temp.path, 16 << 10);
        ownFileSystem = full.ownFileSystem();
        made = copy.make(path, &error);
        if (ownFileSystem)
            EXPECT_TRUE(temp.files().isEmpty());
    }
    EXPECT_FALSE(made);
    EXPECT_TRUE(error.startsWith("无法把所选的文件“" + path + "”复制到临时文件夹“" + temp.path + "”：")) << error.toStdString();
    EXPECT_TRUE(error.endsWith(ownFileSystem ? "磁盘空间不足" : "文件超过了系统允许的大小")) << error.toStdString();
    EXPECT_FALSE(copy.exists());
    EXPECT_TRUE(temp.files().isEmpty());
}

// Views and triggers of a file are parsed, never run: neither the check nor a read-only
// attachment with a copy by column names sets them off.
TEST(OutsideFile, TheFilesViewsAndTriggersNeverRun)
{
    TestEnvironment env(TestEnvironment::Empty);
    makeFile(env.path("traps.db"), kGood + "create table log (x);"
                                           "create trigger t1 after insert on dt_data begin insert into log values (1); end;"
                                           "create trigger t2 before delete on ct_label begin select raise(abort, 'x'); end;"
                                           "create view v as select nosuchfunction(c901) from dt_data;");
    const QByteArray before = readAll(env.path("traps.db"));
    const OutsideFileCheck check = CheckOutsideFile(env.path("traps.db"), kRequired);
    ASSERT_TRUE(check.passed()) << check.error.toStdString();

    Connection working;
    working.open(env.path("working.db"), Connection::Mode::Create);
    working.executeScript("create table dt_data (z001 numeric, c901 numeric, c902 text);");
    EXPECT_EQ(working.insertAllFromFile("dt_data", env.path("traps.db")), 2);
    EXPECT_EQ(working.scalar("select c902 from dt_data where c901=100000000002").toString(), "b");
    EXPECT_EQ(working.scalar("select z001 from dt_data where c901=100000000002").toInt(), 2);
    EXPECT_EQ(readAll(env.path("traps.db")), before);
}

TEST(OutsideFile, AReadOnlyAttachmentCannotChangeTheFile)
{
    TestEnvironment env(TestEnvironment::Empty);
    makeFile(env.path("source.db"), kGood);
    const QByteArray before = readAll(env.path("source.db"));
    Connection working;
    working.open(env.path("working.db"), Connection::Mode::Create);
    working.attachReadOnly(env.path("source.db"), "src");
    EXPECT_EQ(working.scalar("select count(*) from src.dt_data").toInt(), 2);
    EXPECT_THROW(working.execute("delete from src.dt_data"), DbError);
    EXPECT_THROW(working.execute("update src.ct_label set db_name='y'"), DbError);
    working.detach("src");
    EXPECT_EQ(readAll(env.path("source.db")), before);
}

TEST(OutsideFile, TheRequiredColumnsOfATableAreTheWorkingFilesOwn)
{
    TestEnvironment env(TestEnvironment::Empty);
    Connection working;
    working.open(env.path("working.db"), Connection::Mode::Create);
    working.executeScript("create table dt_data (c901 numeric, c902 text);");
    const OutsideTable table = OutsideTableOf(working, "dt_data");
    EXPECT_EQ(table.name, "dt_data");
    EXPECT_EQ(table.columns, QStringList({"c901", "c902"}));
    EXPECT_THROW(OutsideTableOf(working, "nosuch"), DbError);
}
