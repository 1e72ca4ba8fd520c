#include "db/Connection.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
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
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

TEST(DatabaseFile, CreatesAnEmptyDatabase)
{
    TestEnvironment env(TestEnvironment::Empty);
    CreateEmptyDatabase(env.path("new.mdb"));
    EXPECT_TRUE(readAll(env.path("new.mdb")).startsWith(QByteArray("SQLite format 3\0", 16)));
    Connection db;
    db.open(env.path("new.mdb"));
    EXPECT_TRUE(db.tableNames().isEmpty());
    EXPECT_THROW(CreateEmptyDatabase(env.path("new.mdb")), DbError);
}

TEST(DatabaseFile, TempNamesAreFreshAndBeginWithSM)
{
    const QString a = MakeTempFileName();
    const QString b = MakeTempFileName();
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith("~SM"));
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(QFileInfo(a).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
}

TEST(DatabaseFile, CompactionShrinksTheFileAndKeepsTheData)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString path = env.path("w.mdb");
    {
        Connection db;
        db.open(path, Connection::Mode::Create);
        db.executeScript("create table t (id integer primary key, pad text);");
        db.begin();
        for (int i = 0; i < 3000; ++i)
            db.execute("insert into t (pad) values (?1)", {QString(200, QChar('x' + i % 3))});
        db.commit();
        db.execute("delete from t where id > 10");
    }
    const qint64 before = QFileInfo(path).size();
    const CompactResult result = CompactDatabaseFile(path);
    EXPECT_TRUE(result.replaced) << result.error.toStdString();
    EXPECT_LT(QFileInfo(path).size(), before / 4);
    Connection db;
    db.open(path);
    EXPECT_EQ(db.scalar("select count(*) from t").toInt(), 10);
    EXPECT_EQ(db.scalar("select pad from t where id=2").toString(), QString(200, QChar('y')));
    // no temporary file is left beside it
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList({"~SM*"}).size(), 0);
}

TEST(DatabaseFile, FailedCompactionLeavesTheFileAsItWas)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString path = env.path("broken.mdb");
    const QByteArray junk(8192, 'j');
    writeAll(path, junk);
    const CompactResult result = CompactDatabaseFile(path);
    EXPECT_FALSE(result.replaced);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(readAll(path), junk);
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList({"~SM*"}).size(), 0);
}

TEST(DatabaseFile, ReceivedFilesAreCheckedBeforeUse)
{
    TestEnvironment env(TestEnvironment::Empty);
    CreateEmptyDatabase(env.path("good.mdb"));
    EXPECT_EQ(CheckReceivedDatabase(env.path("good.mdb")), "");
    writeAll(env.path("text.mdb"), "hello, not a database");
    EXPECT_NE(CheckReceivedDatabase(env.path("text.mdb")), "");
    EXPECT_NE(CheckReceivedDatabase(env.path("missing.mdb")), "");
    // a real header with a damaged body
    {
        Connection db;
        db.open(env.path("cut.mdb"), Connection::Mode::Create);
        db.executeScript("create table t (x text); insert into t values (hex(randomblob(5000)));");
    }
    QByteArray bytes = readAll(env.path("cut.mdb"));
    for (int i = 4096; i < bytes.size(); ++i)
        bytes[i] = char(0x5a);
    writeAll(env.path("cut.mdb"), bytes);
    EXPECT_NE(CheckReceivedDatabase(env.path("cut.mdb")), "");
}

namespace {
// A file of 3000 rows of which all but 10 are deleted: compaction shrinks it a lot.
void makeLooseDatabase(const QString& path)
{
    Connection db;
    db.open(path, Connection::Mode::Create);
    db.executeScript("create table t (id integer primary key, pad text);");
    db.begin();
    for (int i = 0; i < 3000; ++i)
        db.execute("insert into t (pad) values (?1)", {QString(200, QChar('x' + i % 3))});
    db.commit();
    db.execute("delete from t where id > 10");
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}
} // namespace

TEST(DatabaseFile, CompactionKeepsTheFilesPermissionsAndOwner)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString path = env.path("w.mdb");
    makeLooseDatabase(path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0664), 0);
    const bool root = ::geteuid() == 0;
    if (root)
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 1234, 2345), 0);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    const CompactResult result = CompactDatabaseFile(path);
    ASSERT_TRUE(result.replaced) << result.error.toStdString();
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino); // it is the new file
    EXPECT_EQ(after.st_mode & 07777, 0664u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    if (root) {
        EXPECT_EQ(after.st_uid, 1234u);
        EXPECT_EQ(after.st_gid, 2345u);
    }
}

TEST(DatabaseFile, CompactionOfALinkCompactsTheFileItNamesInItsFolder)
{
    TestEnvironment env(TestEnvironment::Empty);
    QDir().mkpath(env.path("data"));
    QDir().mkpath(env.path("program"));
    const QString target = env.path("data/real.mdb");
    const QString link = env.path("program/w.mdb");
    makeLooseDatabase(target);
    ASSERT_TRUE(QFile::link(target, link));
    const qint64 before = QFileInfo(target).size();
    const CompactResult result = CompactDatabaseFile(link);
    ASSERT_TRUE(result.replaced) << result.error.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_LT(QFileInfo(target).size(), before / 4);
    EXPECT_EQ(filesIn(env.path("program")), QStringList{"w.mdb"});
    EXPECT_EQ(filesIn(env.path("data")), QStringList{"real.mdb"});
    Connection db;
    db.open(link);
    EXPECT_EQ(db.scalar("select count(*) from t").toInt(), 10);
}

TEST(DatabaseFile, AReadOnlyFileIsNotCompacted)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString path = env.path("w.mdb");
    makeLooseDatabase(path);
    const QByteArray bytes = readAll(path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    const CompactResult result = CompactDatabaseFile(path);
    EXPECT_FALSE(result.replaced);
    EXPECT_EQ(result.error, "数据库文件“" + path + "”是只读的，不能压缩");
    EXPECT_EQ(readAll(path), bytes);
    EXPECT_EQ(QFile::permissions(path) & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther), 0);
    EXPECT_EQ(filesIn(env.path("")), QStringList{"w.mdb"});
}

TEST(DatabaseFile, TemporariesOfAKilledCompactionGoAtTheNext)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString path = env.path("w.mdb");
    makeLooseDatabase(path);
    // What a compaction killed half-way leaves, and files of the user's that only look alike.
    writeAll(env.path("~SMab12CD.tmp"), QByteArray(5000, 'p'));
    writeAll(env.path("~SMab12CD.tmp-journal"), QByteArray(600, 'j'));
    writeAll(env.path("~SM notes.txt"), "mine");
    writeAll(env.path("~SMab12CD.tmp.bak"), "mine too");
    const CompactResult result = CompactDatabaseFile(path);
    ASSERT_TRUE(result.replaced) << result.error.toStdString();
    EXPECT_EQ(filesIn(env.path("")), (QStringList{"w.mdb", "~SM notes.txt", "~SMab12CD.tmp.bak"}));
}

TEST(DatabaseFile, AFailedCompactionLeavesNoTemporaryNorItsJournal)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString path = env.path("w.mdb");
    makeLooseDatabase(path);
    const QByteArray bytes = readAll(path);
    {
        // The disk is full after the first page of the compacted copy.
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &limit);
        const CompactResult result = CompactDatabaseFile(path);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
        EXPECT_FALSE(result.replaced);
        EXPECT_FALSE(result.error.isEmpty());
    }
    EXPECT_EQ(readAll(path), bytes);
    EXPECT_EQ(filesIn(env.path("")), QStringList{"w.mdb"});
}
