#include "db/WorkingDatabase.h"
#include "entry/NumericEdit.h"
#include "entry/dlgSurveyData.h"
#include "logic/MessageListWin.h"
#include "logic/RuleCheck.h"
#include "widgets/ScriptedPrompter.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
// A county union's return that breaks no rule, opened in the editor.
class RuleCheckTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    RowSet list;
    std::unique_ptr<TdlgSurveyDataForm> form;

    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        SysConnection().execute(
            "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, z004, x001, x003) "
            "values (110101000001, '东城区总工会', 110101, 3, '张伟', '010-6512', 1, 1, 1, 1, 1, 1)");
        list = SysConnection().query("SELECT *  from view_data order by c901 asc");
        form = std::make_unique<TdlgSurveyDataForm>();
        form->openForModify(&list);
        form->show();
        QApplication::setActiveWindow(form.get());
        ClearErrorList();
    }
    void TearDown() override
    {
        form->button("tbSave")->setEnabled(false);
        form->close();
        ClearErrorList();
    }
    NumericEdit* num(const char* name) { return form->numeric(name); }
    QStringList listedPages()
    {
        QStringList pages;
        if (IsErrorListEmpty())
            return pages;
        QTableWidget* grid = MessageListWin().grid();
        for (int r = 0; r < grid->rowCount(); ++r)
            pages << grid->item(r, TMessageListWinForm::PageColumn)->text();
        return pages;
    }
    QStringList listedRules()
    {
        QStringList rules;
        if (IsErrorListEmpty())
            return rules;
        QTableWidget* grid = MessageListWin().grid();
        for (int r = 0; r < grid->rowCount(); ++r)
            rules << grid->item(r, TMessageListWinForm::RuleColumn)->text();
        return rules;
    }
};
} // namespace

TEST_F(RuleCheckTest, AValidReturnBreaksNoRule)
{
    form->checkAllPageRules();
    EXPECT_TRUE(IsErrorListEmpty());
    EXPECT_FALSE(MessageListWin().isVisible());
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(RuleCheckTest, PagesOutsideTheRangeLeaveTheListAlone)
{
    AddErrorRow("r", "e", "z001", 1);
    EXPECT_FALSE(form->checkPageRules(14, true));
    EXPECT_FALSE(form->checkPageRules(0, true));
    EXPECT_EQ(listedRules(), QStringList{"r"});
}

TEST_F(RuleCheckTest, OnlyThePagesBrokenRulesAreListed)
{
    num("b038")->setValue(5); // b038 <= b037 and b039 > b038 break on page 5
    form->checkAllPageRules();
    EXPECT_FALSE(listedPages().isEmpty());
    for (const QString& page : listedPages())
        EXPECT_EQ(page, "5");
    EXPECT_TRUE(listedRules().contains("b038<=b037"));
    EXPECT_TRUE(MessageListWin().isVisible());
    // the explanation is rendered with the captions
    EXPECT_TRUE(MessageListWin().grid()->item(0, TMessageListWinForm::ExplanationColumn)->text().startsWith("["));
}

TEST_F(RuleCheckTest, BlankFieldsCountAsZero)
{
    num("z001")->clearValue();
    num("z003")->setValue(5);
    EXPECT_FALSE(form->checkPageRules(1, true));
    EXPECT_TRUE(listedRules().contains("z003<=z001"));
}

TEST_F(RuleCheckTest, TurningAPageChecksThePagesLeftAndEntered)
{
    num("p005")->setValue(3);      // page 3: p005 <= p004
    num("w008")->setValue(2);      // page 11: w008 <= w006
    form->pages()->setCurrentIndex(1);
    EXPECT_TRUE(IsErrorListEmpty());
    form->pages()->setCurrentIndex(3);
    EXPECT_EQ(listedPages(), QStringList{"3"});
    form->pages()->setCurrentIndex(11);
    QStringList pages = listedPages();
    pages.removeDuplicates();
    EXPECT_EQ(pages, QStringList({"11", "3"}));
}

TEST_F(RuleCheckTest, SavingWithABrokenRuleStoresStateTwo)
{
    num("z003")->setValue(9);
    form->tbSaveClick();
    EXPECT_EQ(prompter.shown.last(), "数据保存成功，有逻辑错误！");
    EXPECT_EQ(SysConnection().scalar("select RecordState from dt_data").toInt(), 2);
    num("z003")->setValue(0);
    form->tbSaveClick();
    EXPECT_EQ(prompter.shown.last(), "数据保存成功，没有逻辑错误！");
    EXPECT_EQ(SysConnection().scalar("select RecordState from dt_data").toInt(), 1);
}

TEST_F(RuleCheckTest, TheCheckButtonReportsACleanReturn)
{
    form->tbCheckClick();
    EXPECT_EQ(prompter.shown.last(), "没有逻辑错误");
    num("z002")->setValue(4);
    form->tbCheckClick();
    EXPECT_FALSE(IsErrorListEmpty());
    EXPECT_TRUE(MessageListWin().isVisible());
}

TEST_F(RuleCheckTest, ClosingWithErrorsHoldsTheReturn)
{
    num("z003")->setValue(9);
    prompter.answer(AnswerYes);
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(SysConnection().scalar("select RecordState from dt_data").toInt(), 0);
    EXPECT_EQ(SysConnection().scalar("select z003 from dt_data").toInt(), 9);
    EXPECT_FALSE(MessageListWin().isVisible());
}

TEST_F(RuleCheckTest, ADoubleClickJumpsToTheField)
{
    num("x002")->setValue(5); // x002 <= x001 and x002 <= z002+z009 on page 2
    form->pages()->setCurrentIndex(1);
    form->checkAllPageRules();
    ASSERT_FALSE(IsErrorListEmpty());
    // find the row of the rule and double click it
    QTableWidget* grid = MessageListWin().grid();
    int row = -1;
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, TMessageListWinForm::RuleColumn)->text() == "x002<=x001")
            row = r;
    ASSERT_GE(row, 0);
    const QString field = grid->item(row, TMessageListWinForm::FieldColumn)->text();
    const QRect cell = grid->visualItemRect(grid->item(row, TMessageListWinForm::RuleColumn));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(form->currentPage(), 2);
    EXPECT_EQ(QApplication::focusWidget(), form->control(field));
    EXPECT_FALSE(ErrorListJumpInProgress());
}

TEST_F(RuleCheckTest, AJumpToADisabledFieldOnlySwitchesThePage)
{
    form->ApplyLevel(5); // z017 does not apply to 街道工会
    ASSERT_FALSE(form->control("z017")->isEnabled());
    form->pages()->setCurrentIndex(2);
    form->jumpToField(1, "Z017");
    EXPECT_EQ(form->currentPage(), 1);
    EXPECT_NE(QApplication::focusWidget(), form->control("z017"));
    form->jumpToField(1, "Z016"); // enabled: found without regard to letter case
    EXPECT_EQ(QApplication::focusWidget(), form->control("z016"));
}

TEST_F(RuleCheckTest, AnUnknownNameStopsThePageWithTwoMessages)
{
    SysConnection().execute("insert into dt_logic (page_id, expression, rule, explain, focus) "
                            "values (3, 'p002>p001', 'p002<=p001', 'p002[<=]p001', 'p002')");
    SysConnection().execute("insert into dt_logic (page_id, expression, rule, explain, focus) "
                            "values (3, 'nosuch>0', 'bad', 'bad', 'p001')");
    num("p002")->setValue(1);
    form->checkPageRules(3, true);
    ASSERT_GE(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[prompter.shown.size() - 2], "Control name parse error : nosuch");
    EXPECT_EQ(prompter.shown.last(), "nosuch>0");
    EXPECT_TRUE(listedRules().contains("p002<=p001"));
    // names are found without regard to letter case; words pass as operators
    FieldReader reader = [&](const QString& n) { return form->readField(n); };
    EXPECT_EQ(ResolveRuleName("Z001", reader), "1");
    EXPECT_EQ(ResolveRuleName("And", reader), "And");
}

TEST_F(RuleCheckTest, TheListTakesDoubleClicksWhileTheEditorIsModal)
{
    form->button("tbSave")->setEnabled(false);
    form->close();
    auto modal = std::make_unique<TdlgSurveyDataForm>();
    modal->openForModify(&list);
    int pageAfterJump = -1;
    QTimer::singleShot(0, [&] {
        modal->numeric("x002")->setValue(5);
        modal->pages()->setCurrentIndex(1);
        modal->checkAllPageRules();
        TMessageListWinForm& errors = MessageListWin();
        QTableWidget* grid = errors.grid();
        QPoint at;
        for (int r = 0; r < grid->rowCount(); ++r)
            if (grid->item(r, TMessageListWinForm::RuleColumn)->text() == "x002<=x001")
                at = grid->viewport()->mapTo(&errors, grid->visualItemRect(grid->item(r, 0)).center());
        // through the window system, where a modal window blocks the windows it does not own
        QTest::mouseClick(errors.windowHandle(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(errors.windowHandle(), Qt::LeftButton, {}, at);
        pageAfterJump = modal->currentPage();
        modal->tbReturnClick();
    });
    modal->exec();
    EXPECT_EQ(pageAfterJump, 2);
    EXPECT_EQ(MessageListWin().parent(), nullptr); // the list outlives the editor
}

TEST_F(RuleCheckTest, LoadingAnotherReturnClearsTheList)
{
    num("z003")->setValue(9);
    form->checkAllPageRules();
    ASSERT_FALSE(IsErrorListEmpty());
    form->LoadRecord();
    EXPECT_TRUE(IsErrorListEmpty());
    EXPECT_FALSE(MessageListWin().isVisible());
}
