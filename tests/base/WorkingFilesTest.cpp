#include "base/WorkingFiles.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {
void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// A delivered folder as installed: read-only files, a database larger than one write block.
struct Delivered {
    QString folder;
    QByteArray database;
};
Delivered makeDelivered(const TestEnvironment& env)
{
    Delivered d{env.path("share"), QByteArray()};
    QDir().mkpath(d.folder);
    for (int i = 0; i < 200000; ++i)
        d.database += char(i * 13);
    writeAll(d.folder + "/2012NB_zul.mdb", d.database);
    writeAll(d.folder + "/sumtable.zul", "delivered sum list");
    writeAll(d.folder + "/exporttable.zul", "delivered export list");
    for (const QString& name : QDir(d.folder).entryList(QDir::Files))
        QFile::setPermissions(d.folder + "/" + name, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    return d;
}

const QStringList kNames = {"2012NB_zul.mdb", "sumtable.zul", "exporttable.zul", "not-delivered.txt"};
} // namespace

TEST(WorkingFiles, TheFirstStartCopiesWhatIsMissingAndNeverTouchesWhatIsThere)
{
    TestEnvironment env(TestEnvironment::Empty);
    const Delivered delivered = makeDelivered(env);
    const QString working = env.path("home/.local/share/Tallyra");
    QString error;
    ASSERT_TRUE(SeedWorkingFiles(delivered.folder, working, kNames, &error)) << error.toStdString();
    EXPECT_EQ(readAll(working + "/2012NB_zul.mdb"), delivered.database);
    EXPECT_EQ(readAll(working + "/sumtable.zul"), "delivered sum list");
    EXPECT_FALSE(QFileInfo::exists(working + "/not-delivered.txt"));
    // The copies of read-only delivered files are the clerk's to change.
    EXPECT_TRUE(QFileInfo(working + "/2012NB_zul.mdb").permissions() & QFile::WriteOwner);
    EXPECT_EQ(QDir(working).entryList(QDir::Files | QDir::Hidden).size(), 3) << "no part file left";

    // Changed, removed, or a link in its place: the next start keeps the clerk's files and seeds
    // only the one that is gone.
    writeAll(working + "/2012NB_zul.mdb", "the clerk's returns");
    QFile::remove(working + "/sumtable.zul");
    QFile::remove(working + "/exporttable.zul");
    ASSERT_TRUE(QFile::link(env.path("nowhere"), working + "/exporttable.zul"));
    ASSERT_TRUE(SeedWorkingFiles(delivered.folder, working, kNames, &error)) << error.toStdString();
    EXPECT_EQ(readAll(working + "/2012NB_zul.mdb"), "the clerk's returns");
    EXPECT_EQ(readAll(working + "/sumtable.zul"), "delivered sum list");
    EXPECT_TRUE(QFileInfo(working + "/exporttable.zul").isSymLink());
    EXPECT_EQ(readAll(env.path("nowhere")), "") << "nothing written through the link";
}

TEST(WorkingFiles, OneFolderForBothSeedsNothing)
{
    TestEnvironment env;
    QFile::remove(env.programFolder() + "/sumtable.zul");
    QString error;
    EXPECT_TRUE(SeedWorkingFiles(env.programFolder(), env.programFolder() + "/.", kNames, &error));
    EXPECT_FALSE(QFileInfo::exists(env.programFolder() + "/sumtable.zul"));
}

TEST(WorkingFiles, AFullDiskLeavesNoWorkingDatabaseAndSaysWhich)
{
    TestEnvironment env(TestEnvironment::Empty);
    const Delivered delivered = makeDelivered(env);
    const QString working = env.path("data");
    QString error;
    bool seeded = true;
    {
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = delivered.database.size() - 100; // the last block does not fit
        setrlimit(RLIMIT_FSIZE, &limit);
        seeded = SeedWorkingFiles(delivered.folder, working, kNames, &error);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
    }
    EXPECT_FALSE(seeded);
    EXPECT_TRUE(error.contains(working + "/2012NB_zul.mdb")) << error.toStdString();
    EXPECT_FALSE(error.contains(".part-")) << error.toStdString();
    EXPECT_TRUE(QDir(working).entryList(QDir::Files | QDir::Hidden).isEmpty()) << "complete or absent";

    // With room again the next start seeds it whole.
    ASSERT_TRUE(SeedWorkingFiles(delivered.folder, working, kNames, &error)) << error.toStdString();
    EXPECT_EQ(readAll(working + "/2012NB_zul.mdb"), delivered.database);
}

TEST(WorkingFiles, AWorkingFolderThatCannotBeMadeIsNamed)
{
    TestEnvironment env(TestEnvironment::Empty);
    const Delivered delivered = makeDelivered(env);
    writeAll(env.path("plain-file"), "x");
    QString error;
    EXPECT_FALSE(SeedWorkingFiles(delivered.folder, env.path("plain-file/Tallyra"), kNames, &error));
    EXPECT_TRUE(error.contains(env.path("plain-file/Tallyra"))) << error.toStdString();
}
