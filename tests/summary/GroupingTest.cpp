#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "summary/Grouping.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {
class GroupingTest : public ::testing::Test {
protected:
    TestEnvironment env;
    void SetUp() override { ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened); }
    Connection& db() { return SysConnection(); }
    qint64 count(const QString& sql) { return db().scalar(sql).toLongLong(); }
    qint64 addItem(qint64 group, const QString& title, qint64 low, qint64 high, const QString& ls = ">=",
                   const QString& hs = "<")
    {
        GroupItem item;
        item.groupId = group;
        item.title = title;
        item.low = low;
        item.high = high;
        item.lowSymbol = ls;
        item.highSymbol = hs;
        return SaveGroupItem(db(), item);
    }
};

TEST_F(GroupingTest, ANewGroupingHasTheDefaultOrderAndTheNameAsTyped)
{
    const qint64 id = CreateGrouping(db(), "按'市'分");
    EXPECT_GT(id, 0);
    RowSet rows = db().query("SELECT ID, Name,orderstr FROM ct_group");
    ASSERT_EQ(rows.recordCount(), 1);
    rows.first();
    EXPECT_EQ(rows.toInt("ID"), id);
    EXPECT_EQ(rows.text("Name"), "按'市'分");
    EXPECT_EQ(rows.text("orderstr"), "id ASC");
    RenameGrouping(db(), id, "O'Brien\"分组");
    EXPECT_EQ(db().scalar("select Name from ct_group where id=?1", {id}).toString(), "O'Brien\"分组");
}

TEST_F(GroupingTest, TheViewShowsTwelveDigitBoundsExactly)
{
    const qint64 g = CreateGrouping(db(), "A");
    addItem(g, "一", 110000000000, 999999999999, ">", "<=");
    RowSet rows = db().query("select * from view_group_item");
    rows.first();
    EXPECT_EQ(rows.text("LowValue"), ">110000000000");
    EXPECT_EQ(rows.text("HighValue"), "<=999999999999");
    EXPECT_EQ(rows.toInt("LowBoundary"), 110000000000LL);
    // Each text forms a comparison when written after c901.
    EXPECT_EQ(count("select count(*) from view_group_item where 999999999999 " + rows.text("HighValue").mid(0, 2) +
                    rows.text("HighValue").mid(2)),
              1);
}

TEST_F(GroupingTest, ItemsAreSavedChangedAndRemovedThroughTheView)
{
    const qint64 g = CreateGrouping(db(), "A");
    const qint64 a = addItem(g, "甲", 100, 200);
    GroupItem changed;
    changed.id = a;
    changed.groupId = g;
    changed.title = "乙'";
    changed.low = 300;
    changed.high = 400;
    changed.lowSymbol = ">";
    changed.highSymbol = "<=";
    EXPECT_EQ(SaveGroupItem(db(), changed), a);
    RowSet rows = db().query("select * from DT_GroupItem");
    ASSERT_EQ(rows.recordCount(), 1);
    rows.first();
    EXPECT_EQ(rows.text("Title"), "乙'");
    EXPECT_EQ(rows.text("LowSymbol"), ">");
    EXPECT_EQ(rows.toInt("HighBoundary"), 400);
    RemoveGroupItem(db(), a);
    EXPECT_EQ(count("select count(*) from DT_GroupItem"), 0);
}

TEST_F(GroupingTest, ItemProblemsAndUnknownSymbols)
{
    GroupItem item;
    item.title = "";
    item.low = 1;
    item.high = 2;
    EXPECT_EQ(GroupItemProblem(item), "必须输入本组数据的名称！");
    item.title = "x";
    item.high = 1;
    EXPECT_EQ(GroupItemProblem(item), "上限必须大于下限！");
    item.high = 0;
    EXPECT_EQ(GroupItemProblem(item), "上限必须大于下限！");
    item.high = 2;
    EXPECT_EQ(GroupItemProblem(item), "");
    item.lowSymbol = "=";
    EXPECT_THROW(SaveGroupItem(db(), item), DbError);
    EXPECT_EQ(GroupItemCondition(">=", "<", 3), "c901>=?3 and c901<?4");
    EXPECT_THROW(GroupItemCondition(">=0 or 1", "<", 3), DbError);
}

TEST_F(GroupingTest, RemovingAGroupingRemovesItsItemsOnly)
{
    const qint64 a = CreateGrouping(db(), "A");
    const qint64 b = CreateGrouping(db(), "B");
    addItem(a, "1", 1, 2);
    addItem(a, "2", 3, 4);
    addItem(b, "3", 5, 6);
    RemoveGrouping(db(), a);
    EXPECT_EQ(count("select count(*) from ct_group"), 1);
    EXPECT_EQ(count("select count(*) from DT_GroupItem"), 1);
    EXPECT_EQ(count("select GroupID from DT_GroupItem"), b);
}

TEST_F(GroupingTest, OrderTextsAreMadeSafe)
{
    const struct {
        const char* stored;
        const char* safe;
    } cases[] = {
        {"id ASC", "id ASC"},
        {"title DESC", "Title DESC"},
        {"LowValue desc", "LowValue DESC"},
        {"  highboundary   asc ", "HighBoundary ASC"},
        {"", "id ASC"},
        {"c901 ASC", "id ASC"},
        {"id ASC; drop table dt_data", "id ASC"},
        {"(select 1) DESC", "id ASC"},
        {"Title", "id ASC"},
        {"Title DESC, id", "id ASC"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafeGroupOrder(c.stored), c.safe) << c.stored;
    EXPECT_EQ(ReverseGroupOrder("Title DESC"), "Title ASC");
    EXPECT_EQ(ReverseGroupOrder("id ASC"), "id DESC");
}

TEST_F(GroupingTest, TheStoredOrderReadsBackSafeAndOrdersTheItems)
{
    const qint64 g = CreateGrouping(db(), "A");
    addItem(g, "乙", 5, 6);
    addItem(g, "甲", 1, 2);
    addItem(g, "丙", 3, 4);
    EXPECT_EQ(ReadGroupOrder(db(), g), "id ASC");
    StoreGroupOrder(db(), g, "LowValue DESC");
    EXPECT_EQ(db().scalar("select orderstr from ct_group where id=?1", {g}).toString(), "LowValue DESC");
    RowSet items = ReadGroupItems(db(), g, ReadGroupOrder(db(), g));
    QStringList titles;
    for (items.first(); !items.eof(); items.next())
        titles << items.text("Title");
    EXPECT_EQ(titles, QStringList({"乙", "丙", "甲"}));
    // A file from elsewhere can hold anything: it reads as the default.
    db().execute("update ct_group set orderstr='c901 desc' where id=?1", {g});
    EXPECT_EQ(ReadGroupOrder(db(), g), "id ASC");
    EXPECT_EQ(ReadGroupOrder(db(), 999), "id ASC");
}

TEST_F(GroupingTest, ItemsOfEveryGroupingLeaveOutOrphans)
{
    const qint64 g = CreateGrouping(db(), "A");
    addItem(g, "有", 1, 2);
    db().execute("insert into DT_GroupItem (GroupID, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol) "
                 "values (777, '孤', 1, 2, '>=', '<')");
    RowSet items = ReadGroupItems(db(), 0, "id ASC");
    ASSERT_EQ(items.recordCount(), 1);
    items.first();
    EXPECT_EQ(items.text("Title"), "有");
}
} // namespace
