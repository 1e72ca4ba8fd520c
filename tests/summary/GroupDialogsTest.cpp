#include "app/Startup.h"
#include "summary/GroupExchange.h"
#include "db/WorkingDatabase.h"
#include "entry/NumericEdit.h"
#include "summary/Grouping.h"
#include "summary/SumStatements.h"
#include "summary/dlgGroupItem.h"
#include "summary/dlgGroupList.h"
#include "widgets/RecordGrid.h"
#include "widgets/ScriptedPrompter.h"
#include "support/TestEnvironment.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {
class GroupDialogsTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    void SetUp() override { ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened); }
    Connection& db() { return SysConnection(); }
    qint64 count(const QString& sql) { return db().scalar(sql).toLongLong(); }
    qint64 addItem(qint64 group, const QString& title, qint64 low, qint64 high, const QString& lowSymbol = ">=")
    {
        GroupItem item;
        item.groupId = group;
        item.title = title;
        item.low = low;
        item.high = high;
        item.lowSymbol = lowSymbol;
        return SaveGroupItem(db(), item);
    }
    // Fills the item editors and clicks a button.
    void type(TdlgGroupItemForm& form, const QString& title, const QString& low, const QString& high)
    {
        form.nameEdit()->setText(title);
        form.lowEdit()->setText(low);
        form.highEdit()->setText(high);
    }
};

TEST_F(GroupDialogsTest, CancellingTheNameMakesNothingAndAnEmptyNameIsAskedAgain)
{
    TdlgGroupListForm list;
    list.groupingTables = GroupingTableNames();
    int opened = 0;
    list.runItemForm = [&](TdlgGroupItemForm&) { ++opened; };
    list.show();
    prompter.answer(QVariant()); // cancel
    list.button("tbAdd")->click();
    EXPECT_EQ(count("select count(*) from ct_group"), 0);
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(list.button("tbRemove")->isEnabled());
    EXPECT_FALSE(list.button("tbEdit")->isEnabled());

    prompter.shown.clear();
    prompter.answer(QString());
    prompter.answer(QString());
    prompter.answer(QString("按地区"));
    qint64 seenId = -1;
    QString seenName;
    list.runItemForm = [&](TdlgGroupItemForm& form) {
        ++opened;
        seenId = form.groupId();
        seenName = form.groupNameEdit()->text();
    };
    list.button("tbAdd")->click();
    EXPECT_EQ(prompter.shown, QStringList({"输入本种分组方式的名称", "输入本种分组方式的名称", "输入本种分组方式的名称"}));
    ASSERT_EQ(count("select count(*) from ct_group"), 1);
    EXPECT_EQ(db().scalar("select orderstr from ct_group").toString(), "id ASC");
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(seenId, count("select ID from ct_group"));
    EXPECT_EQ(seenName, "按地区");
    EXPECT_TRUE(list.button("tbRemove")->isEnabled());
    EXPECT_TRUE(list.button("tbEdit")->isEnabled());
    EXPECT_EQ(list.grid()->model()->rowCount(), 1);
}

TEST_F(GroupDialogsTest, RemovingTheLastGroupingAsksAndDisablesRemoveAndEdit)
{
    const qint64 g = CreateGrouping(db(), "A");
    addItem(g, "x", 1, 2);
    TdlgGroupListForm list;
    list.show();
    prompter.answer(AnswerNo);
    list.button("tbRemove")->click();
    EXPECT_EQ(count("select count(*) from ct_group"), 1);
    prompter.answer(AnswerYes);
    list.button("tbRemove")->click();
    EXPECT_EQ(prompter.questions, QStringList({"数据将被彻底删除，确认么？", "数据将被彻底删除，确认么？"}));
    EXPECT_EQ(count("select count(*) from ct_group"), 0);
    EXPECT_EQ(count("select count(*) from DT_GroupItem"), 0);
    EXPECT_FALSE(list.button("tbRemove")->isEnabled());
    EXPECT_FALSE(list.button("tbEdit")->isEnabled());
}

TEST_F(GroupDialogsTest, ItemDialogStartsWithTheDefaultSymbolsAndAddsItems)
{
    const qint64 g = CreateGrouping(db(), "A");
    TdlgGroupItemForm form;
    form.setGroup(g, "A");
    form.show();
    EXPECT_EQ(form.leftSymbol()->text(), ">=");
    EXPECT_EQ(form.rightSymbol()->text(), "<");
    EXPECT_FALSE(form.button("tbSave")->isEnabled());
    EXPECT_FALSE(form.button("tbRemove")->isEnabled());
    EXPECT_FALSE(form.button("tbAdd")->isEnabled());

    // Equal bounds: the add button stays off and a click is refused with the message.
    type(form, "甲", "110000000000", "110000000000");
    EXPECT_FALSE(form.button("tbAdd")->isEnabled());
    form.tbAddClick();
    EXPECT_EQ(prompter.shown, QStringList({"上限必须大于下限！"}));
    form.nameEdit()->clear();
    form.tbAddClick();
    EXPECT_EQ(prompter.shown.last(), "必须输入本组数据的名称！");
    EXPECT_EQ(count("select count(*) from DT_GroupItem"), 0);

    type(form, "O'Neil \"甲\"", "110000000000", "119999999999");
    ASSERT_TRUE(form.button("tbAdd")->isEnabled());
    form.button("tbAdd")->click();
    ASSERT_EQ(count("select count(*) from DT_GroupItem"), 1);
    RowSet rows = db().query("select * from view_group_item");
    rows.first();
    EXPECT_EQ(rows.text("Title"), "O'Neil \"甲\"");
    EXPECT_EQ(rows.text("LowValue"), ">=110000000000");
    EXPECT_EQ(rows.text("HighValue"), "<119999999999");
    EXPECT_EQ(rows.toInt("GroupID"), g);
    EXPECT_EQ(form.grid()->model()->rowCount(), 1);
    EXPECT_EQ(form.grid()->model()->index(0, 1).data().toString(), ">=110000000000");
    EXPECT_TRUE(form.button("tbRemove")->isEnabled());
    EXPECT_TRUE(form.button("tbEdit")->isEnabled());

    // Changing the current item; removing it disables remove and edit.
    form.nameEdit()->setText("乙");
    form.button("tbEdit")->click();
    EXPECT_EQ(db().scalar("select Title from DT_GroupItem").toString(), "乙");
    EXPECT_EQ(count("select count(*) from DT_GroupItem"), 1);
    prompter.answer(AnswerYes);
    form.button("tbRemove")->click();
    EXPECT_EQ(count("select count(*) from DT_GroupItem"), 0);
    EXPECT_FALSE(form.button("tbRemove")->isEnabled());
    EXPECT_FALSE(form.button("tbEdit")->isEnabled());
}

TEST_F(GroupDialogsTest, ClickingARowLoadsItIntoTheEditors)
{
    const qint64 g = CreateGrouping(db(), "A");
    addItem(g, "一", 100, 200);
    GroupItem second;
    second.groupId = g;
    second.title = "二";
    second.low = 110000000000;
    second.high = 999999999999;
    second.lowSymbol = ">";
    second.highSymbol = "<=";
    SaveGroupItem(db(), second);
    TdlgGroupItemForm form;
    form.setGroup(g, "A");
    form.show();
    EXPECT_EQ(form.nameEdit()->text(), "一");
    QTest::mouseClick(form.grid()->viewport(), Qt::LeftButton, {},
                      form.grid()->visualRect(form.grid()->model()->index(1, 0)).center());
    EXPECT_EQ(form.nameEdit()->text(), "二");
    EXPECT_EQ(form.lowEdit()->intValue(), 110000000000LL);
    EXPECT_EQ(form.highEdit()->intValue(), 999999999999LL);
    EXPECT_EQ(form.leftSymbol()->text(), ">");
    EXPECT_EQ(form.rightSymbol()->text(), "<=");
}

TEST_F(GroupDialogsTest, TitleClicksSortFromDescendingAndStoreTheOrder)
{
    const qint64 g = CreateGrouping(db(), "A");
    addItem(g, "乙", 300, 400);
    addItem(g, "甲", 100, 200);
    addItem(g, "丙", 200, 300);
    TdlgGroupItemForm form;
    form.setGroup(g, "A");
    form.show();
    auto titles = [&] {
        QStringList t;
        for (int r = 0; r < form.grid()->model()->rowCount(); ++r)
            t << form.grid()->model()->index(r, 1).data().toString();
        return t;
    };
    auto header = [&](int c) { return form.grid()->model()->headerData(c, Qt::Horizontal).toString(); };
    form.titleClicked(1);
    EXPECT_EQ(header(1), "编号下限▼");
    EXPECT_EQ(titles(), QStringList({">=300", ">=200", ">=100"}));
    EXPECT_EQ(db().scalar("select orderstr from ct_group where id=?1", {g}).toString(), "LowValue DESC");
    form.titleClicked(1);
    EXPECT_EQ(header(1), "编号下限▲");
    EXPECT_EQ(db().scalar("select orderstr from ct_group where id=?1", {g}).toString(), "LowValue ASC");
    form.titleClicked(1);
    EXPECT_EQ(header(1), "编号下限▼");
    // The state is shared: after "▼" the next column gets "▲"; the previous title loses its marker.
    form.titleClicked(0);
    EXPECT_EQ(header(0), "数据项目名称▲");
    EXPECT_EQ(header(1), "编号下限");
    EXPECT_EQ(db().scalar("select orderstr from ct_group where id=?1", {g}).toString(), "Title ASC");
}

TEST_F(GroupDialogsTest, TheSummaryListsTheItemsInTheOrderTheDialogShowed)
{
    const qint64 g = CreateGrouping(db(), "城区");
    addItem(g, "西城区", 300, 400);
    addItem(g, "朝阳区", 300, 500, ">");
    addItem(g, "东城区", 100, 200);
    addItem(g, "海淀区", 100, 250, ">");
    TdlgGroupItemForm form;
    form.setGroup(g, "城区");
    form.show();
    auto shown = [&] {
        QStringList t;
        for (int r = 0; r < form.grid()->model()->rowCount(); ++r)
            t << form.grid()->model()->index(r, 0).data().toString();
        return t;
    };
    auto summed = [&] {
        QStringList t;
        for (const SumRow& row : ComputeSumSheet(db(), 2, SumKind::Group, g).rows)
            t << row.label;
        return t;
    };
    EXPECT_EQ(summed(), shown()); // "id ASC", as the dialog first lists them
    // Titles descending, then ascending (the Chinese collation), then the bounds both ways.
    for (int column : {0, 0, 1, 1, 2, 2}) {
        form.titleClicked(column);
        SCOPED_TRACE(db().scalar("select orderstr from ct_group where id=?1", {g}).toString().toStdString());
        EXPECT_EQ(summed(), shown());
    }
    form.titleClicked(0);
    form.titleClicked(0);
    EXPECT_EQ(db().scalar("select orderstr from ct_group where id=?1", {g}).toString(), "Title ASC");
    EXPECT_EQ(summed(), QStringList({"朝阳区", "东城区", "海淀区", "西城区"}));
}

TEST_F(GroupDialogsTest, RenamingTakesAnyNameAndTheListReReads)
{
    const qint64 g = CreateGrouping(db(), "A");
    TdlgGroupListForm list;
    list.runItemForm = [&](TdlgGroupItemForm& form) {
        form.show();
        EXPECT_FALSE(form.button("tbSave")->isEnabled());
        form.groupNameEdit()->clear();
        EXPECT_FALSE(form.button("tbSave")->isEnabled());
        form.groupNameEdit()->setText("它's \"名\"");
        EXPECT_TRUE(form.button("tbSave")->isEnabled());
        form.button("tbSave")->click();
        EXPECT_EQ(list.grid()->model()->index(0, 0).data().toString(), "它's \"名\"");
    };
    list.show();
    list.tbEditClick();
    EXPECT_EQ(db().scalar("select Name from ct_group where id=?1", {g}).toString(), "它's \"名\"");
}
} // namespace
