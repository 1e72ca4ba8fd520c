#include "db/Connection.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

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
