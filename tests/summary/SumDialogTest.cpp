#include "db/WorkingDatabase.h"
#include "summary/ChoiceFile.h"
#include "summary/Grouping.h"
#include "logic/ProgressBar2Line.h"
#include "summary/SumWorkbook.h"
#include "summary/dlgSum.h"
#include "support/OpenpyxlReader.h"
#include "widgets/ScriptedPrompter.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

class SumDialogTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    void SetUp() override { ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened); }
    void doubleClick(TdlgSumForm& form, int row)
    {
        QListWidget* list = form.tableList();
        emit list->itemDoubleClicked(list->item(row));
    }
};

TEST_F(SumDialogTest, TheListShowsHeadingsBoldBlueWithoutBoxes)
{
    TdlgSumForm form;
    form.show();
    QListWidget* list = form.tableList();
    ASSERT_EQ(list->count(), 40);
    EXPECT_EQ(list->item(1)->text(), "//表一 工会组织建设状况       ");
    EXPECT_TRUE(list->item(1)->font().bold());
    EXPECT_EQ(list->item(1)->foreground().color(), QColor(0, 0, 255));
    EXPECT_FALSE(list->item(1)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(list->item(1)->flags() & Qt::ItemIsSelectable);
    EXPECT_TRUE(list->item(0)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(list->item(0)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(form.sumType(0)->isChecked());
    // With no grouping the grouping choice is off.
    EXPECT_FALSE(form.sumType(2)->isEnabled());
    EXPECT_FALSE(form.groupButton()->isEnabled());
    EXPECT_EQ(form.groupButton()->text(), "自定义分组");
}

TEST_F(SumDialogTest, TicksSurviveClosingByteForByte)
{
    {
        TdlgSumForm form;
        form.show();
        doubleClick(form, 8); // //表四: its five sheets
        form.tableList()->item(0)->setCheckState(Qt::Checked);
        form.reject(); // Esc or the close box
    }
    const QByteArray saved = fileBytes(TdlgSumForm::ChoiceFilePath());
    CheckListEntries expected = DesignedSumTableList();
    for (int r : {0, 9, 10, 11, 12, 13})
        expected[r].tick = 1;
    EXPECT_EQ(saved, ChoiceFileBytes(expected));
    {
        TdlgSumForm form;
        form.show();
        EXPECT_EQ(form.entries(), expected);
        EXPECT_EQ(form.tableList()->item(9)->checkState(), Qt::Checked);
        EXPECT_EQ(form.tableList()->item(14)->checkState(), Qt::Unchecked);
        form.button("tbReturn")->click();
    }
    EXPECT_EQ(fileBytes(TdlgSumForm::ChoiceFilePath()), saved);
}

TEST_F(SumDialogTest, AllAndNoneTickHeadingsToo)
{
    TdlgSumForm form;
    form.show();
    form.button("Button1")->click();
    for (const CheckListEntry& e : form.entries())
        EXPECT_EQ(e.tick, 1) << e.caption.toStdString();
    EXPECT_EQ(form.tableList()->item(39)->checkState(), Qt::Checked);
    form.button("Button2")->click();
    for (const CheckListEntry& e : form.entries())
        EXPECT_EQ(e.tick, 0);
    // A double click on a selectable entry ticks nothing else.
    doubleClick(form, 2);
    EXPECT_EQ(TickedSelectableCount(form.entries()), 0);
}

TEST_F(SumDialogTest, AMissingOrBrokenChoiceFileShowsTheDesignedList)
{
    QFile::remove(TdlgSumForm::ChoiceFilePath());
    {
        TdlgSumForm form;
        form.show();
        EXPECT_EQ(form.entries(), DesignedSumTableList());
    }
    // A line whose fourth character is not a digit reads as not ticked.
    QFile f(TdlgSumForm::ChoiceFilePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("&1 ? x \r\n&1 1 y \r\n");
    f.close();
    TdlgSumForm form;
    form.show();
    ASSERT_EQ(form.entries().size(), 2);
    EXPECT_EQ(form.entries()[0].tick, 0);
    EXPECT_EQ(form.entries()[1].tick, 1);
}

TEST_F(SumDialogTest, GroupingsFillTheMenuAndOnesWithoutItemsAreOff)
{
    const qint64 empty = CreateGrouping(SysConnection(), "空组");
    const qint64 full = CreateGrouping(SysConnection(), "满组");
    GroupItem item;
    item.groupId = full;
    item.title = "x";
    item.low = 1;
    item.high = 2;
    SaveGroupItem(SysConnection(), item);
    TdlgSumForm form;
    form.show();
    EXPECT_TRUE(form.sumType(2)->isEnabled());
    EXPECT_EQ(form.groupId(), empty); // the first is preselected even without items
    EXPECT_EQ(form.groupButton()->text(), "空组");
    const QList<QAction*> entries = form.groupMenu()->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_FALSE(entries[0]->isEnabled());
    EXPECT_TRUE(entries[1]->isEnabled());
    entries[1]->trigger();
    EXPECT_EQ(form.groupId(), full);
    EXPECT_EQ(form.groupButton()->text(), "满组");
    EXPECT_TRUE(form.sumType(0)->isChecked());
    form.groupButton()->click();
    EXPECT_TRUE(form.sumType(2)->isChecked());
    EXPECT_EQ(form.SumType(), 2);
}

TEST_F(SumDialogTest, NothingTickedDoesNothing)
{
    TdlgSumForm form;
    form.show();
    form.button("tbSum")->click();
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_TRUE(prompter.opened.isEmpty());
}
} // namespace

namespace {
TEST_F(SumDialogTest, SummingWritesTheWorkbookAndOpensIt)
{
    SysConnection().execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001) "
                            "values (110000000001, 'x', 110101, 3, 'y', '1', 1, 1, 42)");
    TdlgSumForm form;
    form.show();
    form.tableList()->item(2)->setCheckState(Qt::Checked);  // 工会组织建设状况统计表1: sheet 2
    form.tableList()->item(39)->setCheckState(Qt::Checked); // 补充资料统计表2: sheet 27
    form.button("tbSum")->click();
    ASSERT_EQ(prompter.opened.size(), 1) << prompter.shown.join('\n').toStdString();
    EXPECT_TRUE(prompter.opened[0].startsWith(env.documentsFolder()));
    EXPECT_FALSE(ProgressBar2LineForm().isVisible());
    EXPECT_EQ(ProgressBar2LineForm().firstDone(), 2);
    const QJsonObject seen = ReadWithOpenpyxl(prompter.opened[0]);
    const QJsonArray sheets = seen["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 2);
    const QJsonObject s = sheets[0].toObject();
    EXPECT_EQ(s["name"].toString(), "表一  工会组织建设状况(1)");
    auto cell = [&](const char* a) -> QJsonValue { return s["cells"].toObject()[a].toObject()["value"]; };
    EXPECT_EQ(cell("A3").toString(), "工会层次");
    EXPECT_EQ(cell("A9").toString(), "省级地方工会");
    EXPECT_EQ(cell("A11").toString(), "县级地方工会");
    EXPECT_EQ(cell("B11").toInt(), 1);
    EXPECT_EQ(cell("C11").toInt(), 42);
    EXPECT_EQ(cell("A18").toString(), "其他基层以上工会");
    EXPECT_EQ(sheets[1].toObject()["name"].toString(), "补充资料(2)");
}

TEST_F(SumDialogTest, AGroupingWithoutItemsIsNamedInsteadOfSummed)
{
    CreateGrouping(SysConnection(), "空组");
    TdlgSumForm form;
    form.show();
    form.tableList()->item(2)->setCheckState(Qt::Checked);
    form.groupButton()->click(); // the preselected grouping, which has no items
    ASSERT_EQ(form.SumType(), 2);
    form.button("tbSum")->click();
    EXPECT_EQ(prompter.shown, QStringList({"自定义分组“空组”没有分组项，无法按它汇总。请先在“数据分组”中为它增加分组项。"}));
    EXPECT_TRUE(prompter.opened.isEmpty());
    EXPECT_TRUE(QDir(env.documentsFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(ProgressBar2LineForm().isVisible());
}

TEST_F(SumDialogTest, AMissingTemplateIsReported)
{
    QFile::remove(QDir(env.programFolder()).filePath(SumTemplateFileName()));
    TdlgSumForm form;
    form.show();
    form.tableList()->item(2)->setCheckState(Qt::Checked);
    form.button("tbSum")->click();
    EXPECT_EQ(prompter.shown, QStringList({"打开汇总模版文件时发生错误，可能是没有安装MS Office中的Excel"}));
    EXPECT_TRUE(prompter.opened.isEmpty());
}
} // namespace
