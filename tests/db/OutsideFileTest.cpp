#include "db/Connection.h"
#include "db/DbError.h"
#include "db/OutsideFile.h"
#include "support/TestEnvironment.h"

#include <QFile>
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
QByteArray damaged(const QString& path, bool truncate)
{
    makeFile(path, QStringLiteral("create table dt_data (c901 numeric, c902 text, z001 numeric);"
                                  "create table ct_label (db_name text);"
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
