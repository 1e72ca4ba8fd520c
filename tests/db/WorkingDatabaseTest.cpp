#include "db/WorkingDatabase.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

TEST(WorkingDatabase, OpensTheSystemDataFileAndReadsItsLabel)
{
    TestEnvironment env;
    const OpenDatabaseResult r = OpenWorkingDatabase();
    EXPECT_EQ(r.status, OpenDatabaseResult::Opened);
    EXPECT_EQ(CurrentDatabasePath, env.systemDataFile());
    EXPECT_EQ(DatabaseLabel, "默认数据库");
    EXPECT_TRUE(SysConnection().isOpen());
}

TEST(WorkingDatabase, MissingSystemDataFile)
{
    TestEnvironment env(TestEnvironment::Empty);
    EXPECT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::FileMissing);
    EXPECT_FALSE(SysConnection().isOpen());
}

TEST(WorkingDatabase, UnusableSystemDataFile)
{
    TestEnvironment env(TestEnvironment::Empty);
    QFile f(env.systemDataFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(2048, 'z'));
    f.close();
    EXPECT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::InstallBroken);
}

TEST(WorkingDatabase, EmptyLabelTableGivesAnEmptyLabel)
{
    TestEnvironment env;
    {
        Connection db;
        db.open(env.systemDataFile());
        db.execute("delete from ct_label");
    }
    DatabaseLabel = "stale";
    EXPECT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
    EXPECT_EQ(DatabaseLabel, "");
}

TEST(WorkingDatabase, FileWithoutLabelTableSaysWhy)
{
    TestEnvironment env;
    {
        Connection db;
        db.open(env.systemDataFile());
        db.execute("drop table ct_label");
    }
    const OpenDatabaseResult r = OpenWorkingDatabase();
    EXPECT_EQ(r.status, OpenDatabaseResult::LabelUnreadable);
    EXPECT_TRUE(r.error.contains("ct_label"));
}
