#include "db/Connection.h"
#include "db/DbError.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {
class RowSetTest : public ::testing::Test {
protected:
    TestEnvironment env{TestEnvironment::Empty};
    Connection db;
    void SetUp() override
    {
        db.open(env.path("a.mdb"), Connection::Mode::Create);
        db.executeScript("create table t (c901 numeric, name text, v numeric);"
                         "insert into t values (100000000003, '乙', 2), (100000000001, '甲', null),"
                         " (100000000002, null, 1.5), (100000000004, '丙', 10);");
    }
    // A table of 40 numeric columns v0 to v39.
    void createNumbers(const QString& table)
    {
        QStringList cols;
        for (int i = 0; i < 40; ++i)
            cols << QStringLiteral("v%1 numeric").arg(i);
        db.execute("create table " + table + " (" + cols.join(',') + ")");
    }
    QStringList column(RowSet& rows, const char* name)
    {
        QStringList out;
        for (rows.first(); !rows.eof(); rows.next())
            out << rows.text(name);
        return out;
    }
};
} // namespace

TEST_F(RowSetTest, WalksForwardAndBackward)
{
    RowSet rows = db.query("select * from t order by c901");
    EXPECT_EQ(rows.recordCount(), 4);
    EXPECT_FALSE(rows.eof());
    EXPECT_EQ(rows.text("c901"), "100000000001");
    rows.last();
    EXPECT_EQ(rows.text("c901"), "100000000004");
    rows.next();
    EXPECT_TRUE(rows.eof());
    rows.prior();
    EXPECT_EQ(rows.position(), 3);
    rows.first();
    rows.prior();
    EXPECT_TRUE(rows.bof());
    EXPECT_THROW(rows.value("c901"), DbError);
}

TEST_F(RowSetTest, NullReadsAsEmptyTextOrZero)
{
    RowSet rows = db.query("select * from t where c901=100000000001");
    EXPECT_TRUE(rows.isNull("v"));
    EXPECT_EQ(rows.text("v"), "");
    EXPECT_EQ(rows.toInt("v"), 0);
    EXPECT_EQ(rows.toDouble("v"), 0.0);
    EXPECT_FALSE(rows.toBool("v"));
    EXPECT_THROW(rows.value("nosuch"), DbError);
}

TEST_F(RowSetTest, AnEmptyResultIsAtItsEnd)
{
    RowSet rows = db.query("select * from t where 1=0");
    EXPECT_TRUE(rows.isEmpty());
    EXPECT_TRUE(rows.eof());
    EXPECT_TRUE(rows.bof());
    EXPECT_EQ(rows.position(), -1);
    EXPECT_EQ(rows.columnIndex("NAME"), 1);
}

TEST_F(RowSetTest, LocatesARowByValue)
{
    RowSet rows = db.query("select * from t order by c901");
    EXPECT_TRUE(rows.locate("C901", qlonglong(100000000003)));
    EXPECT_EQ(rows.text("name"), "乙");
    EXPECT_TRUE(rows.locate("v", 1.5));
    EXPECT_EQ(rows.text("c901"), "100000000002");
    EXPECT_FALSE(rows.locate("name", "none"));
    EXPECT_EQ(rows.text("c901"), "100000000002");
}

TEST_F(RowSetTest, SortsTheRowsItHolds)
{
    RowSet rows = db.query("select * from t");
    rows.sort("v DESC");
    EXPECT_EQ(column(rows, "v"), QStringList({"10", "2", "1.5", ""}));
    rows.sort("v ASC");
    EXPECT_EQ(column(rows, "v"), QStringList({"", "1.5", "2", "10"}));
    rows.sort("name ASC");
    EXPECT_EQ(column(rows, "name"), QStringList({"", "丙", "甲", "乙"})); // pinyin order
    rows.sort("c901 DESC");
    EXPECT_EQ(column(rows, "c901").first(), "100000000004");
    rows.sort("");
    EXPECT_EQ(column(rows, "c901").first(), "100000000003");
    EXPECT_THROW(rows.sort("nosuch ASC"), DbError);
}

TEST_F(RowSetTest, RequeryKeepsTheSortAndSeesNewRows)
{
    RowSet rows = db.query("select * from t");
    rows.sort("c901 DESC");
    db.execute("insert into t values (100000000009, 'x', 0)");
    rows.requery();
    EXPECT_EQ(rows.recordCount(), 5);
    EXPECT_EQ(rows.sortSpec(), "c901 DESC");
    EXPECT_EQ(rows.text("c901"), "100000000009");
}

TEST_F(RowSetTest, BookmarkFindsTheSameRowAfterARequery)
{
    RowSet rows = db.query("select * from t order by c901");
    rows.setKeyColumn("c901");
    rows.locate("c901", qlonglong(100000000003));
    const Bookmark mark = rows.bookmark();
    db.execute("delete from t where c901=100000000001");
    rows.requery();
    ASSERT_TRUE(rows.gotoBookmark(mark));
    EXPECT_EQ(rows.text("c901"), "100000000003");
    EXPECT_EQ(rows.position(), 1);
    db.execute("delete from t where c901=100000000003");
    rows.requery();
    EXPECT_FALSE(rows.gotoBookmark(mark));
}

TEST_F(RowSetTest, BookmarkWithoutAKeyReturnsToTheSamePlace)
{
    RowSet rows = db.query("select * from t order by c901");
    rows.moveTo(2);
    const Bookmark mark = rows.bookmark();
    rows.first();
    ASSERT_TRUE(rows.gotoBookmark(mark));
    EXPECT_EQ(rows.position(), 2);
    EXPECT_FALSE(rows.gotoBookmark(Bookmark()));
}

TEST_F(RowSetTest, StoresValuesCompactly)
{
    // 20,000 rows of 40 small whole numbers: a type byte and four bytes a cell.
    db.execute("create table wide (" + [] {
        QStringList cols;
        for (int i = 0; i < 40; ++i)
            cols << QStringLiteral("v%1 numeric").arg(i);
        return cols.join(',');
    }() + ")");
    db.execute("with recursive n(i) as (select 1 union all select i+1 from n where i<20000) "
               "insert into wide (v0, v1, v39) select i, i % 7, i * 3 from n");
    RowSet rows = db.query("select * from wide");
    EXPECT_EQ(rows.recordCount(), 20000);
    EXPECT_LE(rows.memoryUsed(), size_t(20000) * 40 * 5 + 200000);
    rows.last();
    EXPECT_EQ(rows.toInt("v39"), 60000);
    EXPECT_TRUE(rows.isNull("v2"));
}

TEST_F(RowSetTest, PayloadsTakeTheBytesTheirValuesNeed)
{
    // 20,000 rows of 40 columns: counts below 500 take two bytes a cell, empty columns nothing.
    createNumbers("counts");
    db.execute("with recursive n(i) as (select 1 union all select i+1 from n where i<20000) "
               "insert into counts (v0, v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13, v14, v15, v16, v17, v18, v19) "
               "select i % 500, i % 499, i % 498, i % 497, i % 496, i % 495, i % 494, i % 493, i % 492, i % 491, "
               "i % 490, i % 489, i % 488, i % 487, i % 486, i % 485, i % 484, i % 483, i % 482, i % 481 from n");
    RowSet counts = db.query("select * from counts");
    EXPECT_LE(counts.memoryUsed(), size_t(20000) * 20 * 2 + 200000);
    counts.last();
    EXPECT_EQ(counts.toInt("v0"), 0);
    EXPECT_EQ(counts.toInt("v1"), 20000 % 499);
    EXPECT_TRUE(counts.isNull("v39"));

    // Values that need wider payloads midway through a block keep every value exact.
    const std::vector<qint64> edges = {0, 1, -128, 127, -129, 128, 32767, -32768, 32768, -32769, 2147483647LL,
                                       -2147483647LL - 1, 2147483648LL, -2147483649LL, 9223372036854775807LL,
                                       -9223372036854775807LL - 1, -1, 0};
    db.execute("create table edges (n integer, v numeric)");
    for (size_t i = 0; i < edges.size(); ++i)
        db.execute("insert into edges values (?1, ?2)", {qlonglong(i), edges[i]});
    db.execute("insert into edges values (100, 0.5), (101, null), (102, 'x'), (103, 7)");
    RowSet rows = db.query("select v from edges order by n");
    for (size_t i = 0; i < edges.size(); ++i)
        EXPECT_EQ(rows.valueAt(int(i), 0).toLongLong(), edges[i]) << i;
    EXPECT_EQ(rows.valueAt(int(edges.size()), 0).toDouble(), 0.5);
    EXPECT_TRUE(rows.isNullAt(int(edges.size()) + 1, 0));
    EXPECT_EQ(rows.textAt(int(edges.size()) + 2, 0), "x");
    EXPECT_EQ(rows.valueAt(int(edges.size()) + 3, 0).toLongLong(), 7);
}

TEST_F(RowSetTest, KeepsLargeAndFractionalValuesExact)
{
    RowSet rows = db.query("select 123456789012345 as big, 0.1 as tenth, -5 as neg, 'x' as t union all "
                           "select 7, 2.25, null, ''");
    EXPECT_EQ(rows.toInt("big"), 123456789012345LL);
    EXPECT_EQ(rows.text("tenth"), "0.1");
    EXPECT_EQ(rows.toInt("neg"), -5);
    rows.next();
    EXPECT_EQ(rows.text("big"), "7");
    EXPECT_EQ(rows.text("tenth"), "2.25");
    EXPECT_FALSE(rows.isNull("t"));
    EXPECT_EQ(rows.text("t"), "");
}

TEST_F(RowSetTest, ATextWithAnEmbeddedNulReadsWhole)
{
    const QString text = QStringLiteral("甲") + QChar(0) + QStringLiteral("乙丙");
    db.execute("insert into t values (100000000005, ?1, 0)", {text});
    RowSet rows = db.query("select * from t where c901=100000000005");
    EXPECT_EQ(rows.text("name"), text);
    EXPECT_EQ(rows.value("name").toString().size(), 4);
    EXPECT_EQ(rows.textAt(0, rows.columnIndex("name")), text);
}

TEST_F(RowSetTest, ManyRowsOfMixedKindsKeepEveryValue)
{
    // More rows than one block holds; a column turns to wide values and texts midway.
    db.execute("delete from t");
    db.execute("with recursive n(i) as (select 0 union all select i+1 from n where i<9999) "
               "insert into t select i, case when i % 3 = 0 then null else 'x' || i end, "
               "case when i < 5000 then i when i < 7000 then i * 1000000000000 when i < 9000 then i + 0.5 "
               "else 'v' || i end from n");
    RowSet rows = db.query("select * from t order by c901");
    ASSERT_EQ(rows.recordCount(), 10000);
    const int name = rows.columnIndex("name"), v = rows.columnIndex("v");
    for (int i = 0; i < 10000; ++i) {
        ASSERT_EQ(rows.valueAt(i, 0).toLongLong(), i);
        ASSERT_EQ(rows.isNullAt(i, name), i % 3 == 0) << i;
        if (i % 3)
            ASSERT_EQ(rows.textAt(i, name), QStringLiteral("x%1").arg(i)) << i;
        const QVariant value = rows.valueAt(i, v);
        if (i < 5000)
            ASSERT_EQ(value.toLongLong(), i) << i;
        else if (i < 7000)
            ASSERT_EQ(value.toLongLong(), i * 1000000000000LL) << i;
        else if (i < 9000)
            ASSERT_EQ(value.toDouble(), i + 0.5) << i;
        else
            ASSERT_EQ(value.toString(), QStringLiteral("v%1").arg(i)) << i;
    }
    rows.sort("v DESC");
    EXPECT_EQ(rows.valueAt(0, v).toString(), "v9999"); // texts after numbers, descending first
}
