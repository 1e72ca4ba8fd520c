#include "db/Connection.h"
#include "db/DbError.h"
#include "db/SqlFunctions.h"
#include "base/ValueText.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {
class ConnectionTest : public ::testing::Test {
protected:
    TestEnvironment env{TestEnvironment::Empty};
    Connection db;
    void SetUp() override
    {
        db.open(env.path("a.mdb"), Connection::Mode::Create);
        db.executeScript("create table t (id integer primary key, c901 numeric, name text, v numeric);");
    }
};
} // namespace

TEST_F(ConnectionTest, OpeningAMissingFileForWritingFails)
{
    Connection other;
    EXPECT_THROW(other.open(env.path("missing.mdb"), Connection::Mode::ReadWrite), DbError);
    EXPECT_FALSE(other.isOpen());
}

TEST_F(ConnectionTest, OpeningAFileThatIsNotADatabaseFails)
{
    QFile junk(env.path("junk.mdb"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    Connection other;
    EXPECT_THROW(other.open(env.path("junk.mdb")), DbError);
}

TEST_F(ConnectionTest, IntFunctionGivesTheNextWholeNumberNotAbove)
{
    struct Case {
        const char* expr;
        QVariant expected;
    } cases[] = {{"int(3.7)", 3}, {"int(-3.2)", -4}, {"int(5)", 5}, {"int(null)", QVariant()}, {"int('2.5')", 2}};
    for (const Case& c : cases) {
        const QVariant v = db.scalar(QStringLiteral("select ") + c.expr);
        EXPECT_EQ(v.isNull(), c.expected.isNull()) << c.expr;
        if (!c.expected.isNull())
            EXPECT_EQ(v.toLongLong(), c.expected.toLongLong()) << c.expr;
    }
}

TEST_F(ConnectionTest, TrueAndFalseLiteralsStoreOneAndZero)
{
    db.execute("insert into t (id, v) values (1, true), (2, false)");
    EXPECT_EQ(db.scalar("select v from t where id=1").toInt(), 1);
    EXPECT_EQ(db.scalar("select v from t where id=2").toInt(), 0);
    EXPECT_EQ(db.scalar("select count(*) from t where v=true").toInt(), 1);
}

TEST_F(ConnectionTest, ComparisonsReadWithTheRulesTruthValues)
{
    EXPECT_EQ(ToJetTruth(db.scalar("select (2>1) as rt")), -1);
    EXPECT_EQ(ToJetTruth(db.scalar("select (1>2) as rt")), 0);
    EXPECT_EQ(ToJetTruth(db.scalar("select (null>2) as rt")), 0);
    EXPECT_EQ(ToJetTruth(db.scalar("select (1=1 and 5>3) or (1<>1 and 5<>0) as rt")), -1);
}

TEST_F(ConnectionTest, TwelveDigitCodesStayExact)
{
    db.execute("insert into t (id, c901) values (1, ?1), (2, ?2)", {qlonglong(100000000001), 999999999998.0});
    const QVariant next = db.scalar("SELECT MAX(c901)+1 as NSI FROM t");
    EXPECT_EQ(FormatValueText(next), "999999999999");
    EXPECT_EQ(FormatFixed2(next.toDouble()), "999999999999.00");
    const QString range = QStringLiteral("select count(*) from t where c901>=%1 and c901<=%2")
                              .arg(FormatFixed2(100000000001.0), FormatFixed2(100000000001.0));
    EXPECT_EQ(db.scalar(range).toInt(), 1);
    RowSet rows = db.query("select c901 from t order by c901");
    EXPECT_EQ(rows.toInt("c901"), 100000000001LL);
    EXPECT_EQ(rows.text("c901"), "100000000001");
}

TEST_F(ConnectionTest, NextCodeOfAnEmptyTableReadsAsZero)
{
    RowSet rows = db.query("SELECT MAX(c901)+1 as NSI FROM t");
    ASSERT_EQ(rows.recordCount(), 1);
    EXPECT_TRUE(rows.isNull("NSI"));
    EXPECT_EQ(rows.toInt("NSI"), 0);
    EXPECT_EQ(rows.text("NSI"), "");
}

TEST_F(ConnectionTest, NamesMatchWithoutRegardToCase)
{
    db.execute("insert into T (ID, NAME) values (1, 'a')");
    RowSet rows = db.query("select * from t");
    EXPECT_EQ(rows.text("Name"), "a");
    EXPECT_EQ(rows.text("NAME"), "a");
    EXPECT_TRUE(db.hasTable("T"));
    EXPECT_TRUE(db.tableNames().contains("t"));
}

TEST_F(ConnectionTest, OpensATableInTheOrderOfANamedIndex)
{
    db.executeScript("create index \"byname\" on t (name); insert into t (id, name) values (1,'c'),(2,'a'),(3,'b');");
    RowSet rows = db.openTableByIndex("t", "byname");
    QStringList names;
    for (rows.first(); !rows.eof(); rows.next())
        names << rows.text("name");
    EXPECT_EQ(names, QStringList({"a", "b", "c"}));
    EXPECT_THROW(db.openTableByIndex("t", "nosuchindex"), DbError);
}

TEST_F(ConnectionTest, TransactionRollsBackUnlessCommitted)
{
    try {
        Transaction tx(db);
        db.execute("insert into t (id) values (1)");
        db.execute("insert into t (id) values (1)"); // duplicate key fails half-way
        tx.commit();
    } catch (const DbError&) {
    }
    EXPECT_EQ(db.scalar("select count(*) from t").toInt(), 0);
    EXPECT_FALSE(db.inTransaction());
}

TEST_F(ConnectionTest, InsertsEveryRowOfATableFromAnotherFile)
{
    Connection other;
    other.open(env.path("b.mdb"), Connection::Mode::Create);
    other.executeScript("create table t (v numeric, name text, id integer primary key, c901 numeric, extra text);"
                        "insert into t values (1.5, 'x', 10, 100000000001, 'e'), (2, 'it''s', 11, 2, 'f');");
    other.close();
    EXPECT_EQ(db.insertAllFromFile("t", env.path("b.mdb")), 2);
    EXPECT_EQ(db.scalar("select name from t where id=11").toString(), "it's");
    EXPECT_EQ(db.scalar("select c901 from t where id=10").toLongLong(), 100000000001LL);
    // a where clause picks rows, and the file stays detached afterwards
    EXPECT_EQ(db.insertAllFromFile("t", env.path("b.mdb"), "1=0"), 0);
    EXPECT_EQ(db.scalar("select count(*) from pragma_database_list").toInt(), 1);
}

TEST_F(ConnectionTest, InsertFromAFileLackingAColumnChangesNothing)
{
    Connection other;
    other.open(env.path("b.mdb"), Connection::Mode::Create);
    other.executeScript("create table t (id integer primary key, name text); insert into t values (1, 'x');");
    other.close();
    EXPECT_THROW(db.insertAllFromFile("t", env.path("b.mdb")), DbError);
    EXPECT_EQ(db.scalar("select count(*) from t").toInt(), 0);
    EXPECT_THROW(db.insertAllFromFile("nosuch", env.path("b.mdb")), DbError);
}

TEST_F(ConnectionTest, SelectIntoAnotherFileCreatesTheTableWithItsRows)
{
    db.execute("insert into t (id, c901, name, v) values (1, 100000000001, '工会', 2.5)");
    Connection other;
    other.open(env.path("b.mdb"), Connection::Mode::Create);
    other.executeScript("create table keep (x); insert into keep values (7);");
    other.close();
    db.selectIntoFile("t", env.path("b.mdb"));
    other.open(env.path("b.mdb"));
    RowSet rows = other.query("select * from t");
    ASSERT_EQ(rows.recordCount(), 1);
    EXPECT_EQ(rows.text("name"), "工会");
    EXPECT_EQ(rows.text("c901"), "100000000001");
    EXPECT_EQ(rows.toDouble("v"), 2.5);
    EXPECT_EQ(other.scalar("select x from keep").toInt(), 7);
    // the declared types came along
    EXPECT_EQ(other.scalar("select type from pragma_table_info('t') where name='c901'").toString(), "numeric");
    // a second copy into the same file fails: the table exists
    EXPECT_THROW(db.selectIntoFile("t", env.path("b.mdb")), DbError);
}

TEST_F(ConnectionTest, TextValuesAreBoundNotPasted)
{
    const QString tricky = QStringLiteral("a'); drop table t; --");
    db.execute("insert into t (id, name) values (1, ?1)", {tricky});
    EXPECT_EQ(db.scalar("select name from t where name=?1", {tricky}).toString(), tricky);
    EXPECT_TRUE(db.hasTable("t"));
}

TEST_F(ConnectionTest, AttachRefusesAnAliasThatIsNotAPlainName)
{
    EXPECT_THROW(db.attach(env.path("a.mdb"), "x; drop table t"), DbError);
    EXPECT_THROW(db.attach(env.path("missing.mdb"), "m"), DbError);
}
