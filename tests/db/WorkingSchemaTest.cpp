// The working database's schema version: older files are upgraded in place, adding only what is
// missing, in one transaction; a second open writes nothing; a newer release's file is only read.
#include "app/Main.h"
#include "app/Startup.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "db/WorkingSchema.h"
#include "support/TestEnvironment.h"
#include "widgets/ScriptedPrompter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {
QByteArray fileHash(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// What the sqlite3 program dumps of one table: its definition, its indexes and triggers and every row.
QString dumpOf(const QString& file, const QString& table)
{
    QProcess p;
    p.start("sqlite3", {"-readonly", file, ".dump '" + table + "'"});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The tables of a file, by the sqlite3 program.
QStringList tablesOf(const QString& file)
{
    QProcess p;
    p.start("sqlite3", {"-readonly", file, "select name from sqlite_master where type='table' order by name"});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// A system data file as the first releases delivered it: without the tables of version 1 and
// with user_version 0, holding returns, a grouping and a changed label.
void makeOlderRelease(const QString& path)
{
    CopyDeliveredDatabase(path);
    Connection db;
    db.open(path);
    db.executeScript("DROP TABLE ct_expected; DROP TABLE dt_receipt; PRAGMA user_version = 0;");
    db.executeScript(
        "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001) values "
        "(110101000001, '东城区总工会', 110101, 10, '张伟', '010-1', 1, 1, 5), "
        "(110102000002, '西城区总工会', 110102, 10, '李娜', '010-2', 1, 2, 7.5);"
        "insert into ct_group (Name, orderstr) values ('按编号', 'id ASC');"
        "insert into DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary) values (1, '东城', 110101000000, 110101999999);"
        "update ct_label set db_name = '某市总工会';");
    db.close();
    Connection vacuum;
    vacuum.open(path);
    vacuum.execute("VACUUM");
}

QStringList columnsOf(Connection& db, const QString& table)
{
    return db.columnNames(table);
}
} // namespace

TEST(WorkingSchema, TheDeliveredDatabaseHasTheLatestVersionAndThePackageTemplateIsUnchanged)
{
    TestEnvironment env;
    Connection db;
    db.open(env.systemDataFile(), Connection::Mode::ReadOnly);
    EXPECT_EQ(SchemaVersionOf(db), kWorkingSchemaVersion);
    EXPECT_EQ(columnsOf(db, "ct_expected"), QStringList({"c901", "c902", "c903", "Source", "AddedAt"}));
    EXPECT_EQ(columnsOf(db, "dt_receipt"),
              QStringList({"ID", "ReceivedAt", "FileName", "Label", "FileSize", "FileDigest", "Returns", "Added",
                           "Replaced", "Kept", "Result", "ProgramVersion"}));
    // Packages keep their format: the template has neither table and no version.
    Connection package;
    package.open(QDir(env.programFolder()).filePath("view.dll"), Connection::Mode::ReadOnly);
    EXPECT_EQ(package.tableNames(), QStringList({"ct_label", "dt_data"}));
    EXPECT_EQ(SchemaVersionOf(package), 0);
}

TEST(WorkingSchema, AnOlderDatabaseIsUpgradedInPlaceAndItsTablesStayByteEqual)
{
    TestEnvironment env;
    makeOlderRelease(env.systemDataFile());
    const QStringList oldTables = tablesOf(env.systemDataFile());
    ASSERT_FALSE(oldTables.contains("ct_expected"));
    QStringList before;
    for (const QString& t : oldTables)
        before << dumpOf(env.systemDataFile(), t);

    const OpenDatabaseResult opened = OpenWorkingDatabase();
    ASSERT_EQ(opened.status, OpenDatabaseResult::Opened);
    EXPECT_EQ(opened.schemaVersion, kWorkingSchemaVersion);
    EXPECT_FALSE(opened.readOnly);
    EXPECT_EQ(opened.upgradeError, "");
    EXPECT_EQ(DatabaseLabel, "某市总工会");
    SysConnection().close();

    for (int i = 0; i < oldTables.size(); ++i)
        EXPECT_EQ(dumpOf(env.systemDataFile(), oldTables[i]), before[i]) << oldTables[i].toStdString();
    QStringList now = tablesOf(env.systemDataFile());
    for (const QString& t : oldTables)
        now.removeOne(t);
    EXPECT_EQ(now, QStringList({"ct_expected", "dt_receipt"}));
    Connection db;
    db.open(env.systemDataFile(), Connection::Mode::ReadOnly);
    EXPECT_EQ(SchemaVersionOf(db), kWorkingSchemaVersion);
    EXPECT_EQ(db.scalar("PRAGMA quick_check").toString(), "ok");
    EXPECT_EQ(db.scalar("select count(*) from sqlite_master where name='ct_expected_c901'").toInt(), 1);
}

TEST(WorkingSchema, ASecondOpenChangesNothing)
{
    TestEnvironment env;
    makeOlderRelease(env.systemDataFile());
    ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
    SysConnection().close();
    const QByteArray upgraded = fileHash(env.systemDataFile());
    ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
    EXPECT_TRUE(UpgradeWorkingSchema(SysConnection()).added.isEmpty());
    SysConnection().close();
    EXPECT_EQ(fileHash(env.systemDataFile()), upgraded);
}

// Whatever part of the later schema a file lacks is added, and only that.
TEST(WorkingSchema, OnlyWhatIsMissingIsAdded)
{
    const struct {
        const char* name;
        const char* script;
        QStringList added;
    } cases[] = {
        {"nothing missing", "", {}},
        {"a table missing at version 1", "DROP TABLE dt_receipt;", {"dt_receipt"}},
        {"columns and the index missing",
         "DROP TABLE ct_expected; CREATE TABLE ct_expected (c901 NUMERIC NOT NULL, c902 TEXT); "
         "INSERT INTO ct_expected VALUES (110101000001, '东城区总工会'); PRAGMA user_version = 0;",
         {"ct_expected.c903", "ct_expected.Source", "ct_expected.AddedAt", "index ct_expected_c901"}},
        {"an older file with the tables already there", "PRAGMA user_version = 0;", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestEnvironment env;
        {
            Connection db;
            db.open(env.systemDataFile());
            db.executeScript(QString::fromUtf8(c.script));
        }
        Connection db;
        db.open(env.systemDataFile());
        const SchemaUpgrade upgrade = UpgradeWorkingSchema(db);
        EXPECT_EQ(upgrade.added, c.added);
        EXPECT_EQ(SchemaVersionOf(db), kWorkingSchemaVersion);
        EXPECT_EQ(columnsOf(db, "ct_expected"), QStringList({"c901", "c902", "c903", "Source", "AddedAt"}));
        EXPECT_EQ(columnsOf(db, "dt_receipt").size(), 12);
    }
    // The row an older table held stays.
    TestEnvironment env;
    {
        Connection db;
        db.open(env.systemDataFile());
        db.executeScript(QString::fromUtf8(cases[2].script));
    }
    Connection db;
    db.open(env.systemDataFile());
    UpgradeWorkingSchema(db);
    EXPECT_EQ(db.scalar("select c902 from ct_expected where c901=110101000001").toString(), "东城区总工会");
}

// An upgrade that fails half-way leaves the whole file as it was, and the program says so and goes on.
TEST(WorkingSchema, AFailedUpgradeChangesNothingAndIsShown)
{
    TestEnvironment env;
    ScriptedPrompter prompter;
    makeOlderRelease(env.systemDataFile());
    {
        // Two rows of one code: the unique index of the later version cannot be made.
        Connection db;
        db.open(env.systemDataFile());
        db.executeScript("CREATE TABLE ct_expected (c901 NUMERIC NOT NULL, c902 TEXT); "
                         "INSERT INTO ct_expected VALUES (110101000001, 'a'), (110101000001, 'b');");
    }
    const QByteArray before = fileHash(env.systemDataFile());
    TMainForm form;
    ASSERT_TRUE(RunStartup(form, {false}));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].startsWith(UpgradeFailedText(QString()))) << prompter.shown[0].toStdString();
    EXPECT_EQ(form.reportQuery().recordCount(), 2);
    SysConnection().close();
    EXPECT_EQ(fileHash(env.systemDataFile()), before);
}

TEST(WorkingSchema, ANewerDatabaseIsOpenedForReadingAndSaysSo)
{
    TestEnvironment env;
    ScriptedPrompter prompter;
    {
        Connection db;
        db.open(env.systemDataFile());
        db.executeScript("insert into dt_data (c901, c902, c903, c904, c907, RecordState) "
                         "values (110101000001, '东城区总工会', 110101, 10, 1, 1); PRAGMA user_version = 7;");
    }
    const QByteArray before = fileHash(env.systemDataFile());
    TMainForm form;
    ASSERT_TRUE(RunStartup(form, {false}));
    EXPECT_EQ(prompter.shown, QStringList({NewerSchemaText(7)}));
    EXPECT_TRUE(prompter.shown[0].contains("第7版"));
    EXPECT_EQ(form.reportQuery().recordCount(), 1);
    EXPECT_THROW(SysConnection().execute("update dt_data set RecordState = 2"), DbError);
    SysConnection().close();
    EXPECT_EQ(fileHash(env.systemDataFile()), before);
}

// Another database file opened by name gets nothing added: only a system data file is upgraded.
TEST(WorkingSchema, AFileThatIsNoSystemDataFileIsLeftAlone)
{
    TestEnvironment env;
    const QString other = env.path("other.db");
    {
        Connection db;
        db.open(other, Connection::Mode::Create);
        db.executeScript("CREATE TABLE ct_label (db_name TEXT); INSERT INTO ct_label VALUES ('x');");
    }
    const QByteArray before = fileHash(other);
    EXPECT_EQ(OpenWorkingDatabase(other).status, OpenDatabaseResult::Opened);
    SysConnection().close();
    EXPECT_EQ(fileHash(other), before);
}
