// The record editor under a window manager: keys typed by the clerk (sent to the X server with
// xdotool, not to a widget) must land in the field that shows the focus.
#include "app/Main.h"
#include "db/WorkingDatabase.h"
#include "entry/NumericEdit.h"
#include "entry/dlgSurveyData.h"
#include "logic/MessageListWin.h"
#include "widgets/CodePicker.h"
#include "widgets/ScriptedPrompter.h"
#include "support/DesktopDriving.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
class EditorFocusDesktopTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    RowSet list;
    std::unique_ptr<QWidget> owner; // the main window the program opens the editor over, when set
    std::unique_ptr<TdlgSurveyDataForm> form;

    void SetUp() override { ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened); }
    void TearDown() override
    {
        if (form) {
            form->button("tbSave")->setEnabled(false);
            form->close();
        }
    }
    void open(bool forNew)
    {
        list = SysConnection().query(ReportQuerySql());
        list.setKeyColumn("c901");
        list.first();
        form = std::make_unique<TdlgSurveyDataForm>(owner.get());
        if (forNew)
            form->openForNew(&list);
        else
            form->openForModify(&list);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == form.get(); }));
        settle();
    }
    // A stored return of a union of level 10 that breaks no rule.
    void openStoredReturn()
    {
        SysConnection().execute(
            "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, z004, x001, x003) "
            "values (110101000001, '东城区总工会', 110101, 10, '张伟', '010-6512', 1, 1, 1, 1, 1, 1)");
        open(false);
    }
    NumericEdit* num(const char* name) { return form->numeric(name); }
};
} // namespace

TEST_F(EditorFocusDesktopTest, AfterEnterTurnsThePageTheNextKeysGoIntoTheFocusedField)
{
    openStoredReturn();
    form->pages()->setCurrentIndex(4);
    ASSERT_EQ(form->currentPage(), 4);
    num("b001")->setValue(1);
    num("b002")->setValue(10);
    num("b003")->setValue(20); // more than b002: a rule of the page breaks
    num("b014")->setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == num("b014"); }));
    xdotool({"type", "--delay", "60", "12.345"});
    shot("focus-1-typed-on-page-4");
    xdotool({"key", "Return"});
    // the page turns, the error list shows the broken rule, and the editor keeps the keyboard
    ASSERT_EQ(form->currentPage(), 5);
    ASSERT_TRUE(waitFor([] { return MessageListWin().isVisible(); }));
    settle();
    shot("focus-2-next-page-with-error-list");
    EXPECT_EQ(QApplication::activeWindow(), form.get());
    QWidget* field = QApplication::focusWidget();
    ASSERT_EQ(field, form->control("b043"));
    xdotool({"type", "--delay", "60", "99"});
    shot("focus-3-typed-99");
    EXPECT_EQ(num("b043")->plainText(), "99");
    EXPECT_DOUBLE_EQ(num("b014")->value(), 12.345);
}

TEST_F(EditorFocusDesktopTest, AfterAJumpFromTheErrorListTheNextKeysGoIntoTheRulesField)
{
    openStoredReturn();
    form->pages()->setCurrentIndex(4);
    num("b001")->setValue(1);
    num("b002")->setValue(10);
    num("b003")->setValue(20);
    form->pages()->setCurrentIndex(5);
    ASSERT_TRUE(waitFor([] { return MessageListWin().isVisible(); }));
    settle();
    QTableWidget* grid = MessageListWin().grid();
    int row = -1;
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, TMessageListWinForm::FieldColumn)->text() == "b003")
            row = r;
    ASSERT_GE(row, 0);
    const QRect cell = grid->visualRect(grid->model()->index(row, TMessageListWinForm::RuleColumn));
    clickAt(grid->viewport()->mapToGlobal(cell.center()), 2);
    ASSERT_TRUE(waitFor([&] { return form->currentPage() == 4; }));
    settle();
    shot("focus-4-after-double-click-jump");
    EXPECT_EQ(QApplication::activeWindow(), form.get());
    EXPECT_EQ(QApplication::focusWidget(), form->control("b003"));
    xdotool({"type", "--delay", "60", "7"});
    shot("focus-5-typed-7-into-b003");
    EXPECT_EQ(num("b003")->plainText(), "7");
}

TEST_F(EditorFocusDesktopTest, TheStateListOpensWhileTheStateFieldIsInvalid)
{
    open(true); // a new return: reporting state 0, which the state check refuses
    num("c901")->setValue(110101000009);
    num("c907")->setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == num("c907"); }));
    QToolButton* drop = form->nameBox("StateName")->findChild<QToolButton*>();
    ASSERT_NE(drop, nullptr);
    clickAt(drop->mapToGlobal(drop->rect().center()));
    ASSERT_TRUE(waitFor([] { return CodePopupMenu()->isVisible(); }));
    shot("focus-6-state-list-open");
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.join(" | ").toStdString();
    // the second entry, 新建工会, by the keyboard
    xdotool({"key", "Down", "Down", "Return"});
    ASSERT_TRUE(waitFor([&] { return num("c907")->intValue() == 2; }));
    EXPECT_EQ(form->nameBox("StateName")->text(), "新建工会");
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.join(" | ").toStdString();
}

TEST_F(EditorFocusDesktopTest, ARefusedTabClickShowsOneMessageAndKeepsTheCover)
{
    open(true);
    // a whole cover but for the reporting state, which stays 0
    num("c901")->setValue(110101000009);
    qobject_cast<QLineEdit*>(form->control("c902"))->setText("朝阳区总工会");
    num("c903")->setValue(110105);
    qobject_cast<QLineEdit*>(form->control("c905"))->setText("李娜");
    qobject_cast<QLineEdit*>(form->control("c906"))->setText("010-8888");
    num("c907")->setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == num("c907"); }));
    QTabBar* tabs = form->pages()->tabBar();
    clickAt(tabs->mapToGlobal(tabs->tabRect(6).center()));
    settle();
    shot("focus-7-refused-tab-click");
    EXPECT_EQ(prompter.shown, QStringList{"输入的基层以上工会本年度的填报状态代码不合法，请重新输入或通过列表选择"});
    EXPECT_EQ(form->currentPage(), 0);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(form->control("c907")->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), num("c907"));
}

TEST_F(EditorFocusDesktopTest, TheErrorListStaysWhollyOnTheScreen)
{
    // Over a maximized main window, as the program opens the editor.
    owner = std::make_unique<QWidget>();
    owner->showMaximized();
    ASSERT_TRUE(waitFor([&] { return owner->isVisible(); }));
    settle();
    openStoredReturn();
    const QRect screen = form->screen()->availableGeometry();
    // Twice: the first showing learns the list's own frame, the second uses it.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        form->pages()->setCurrentIndex(4);
        num("b001")->setValue(1);
        num("b002")->setValue(10);
        num("b003")->setValue(20 + round);
        form->pages()->setCurrentIndex(5);
        ASSERT_TRUE(waitFor([] { return MessageListWin().isVisible(); }));
        settle(1000);
        shot(QStringLiteral("errorlist-%1-on-screen").arg(round + 1));
        const QRect list = MessageListWin().frameGeometry();
        EXPECT_TRUE(screen.contains(list)) << "list " << list.x() << "," << list.y() << " " << list.width() << "x"
                                           << list.height() << " screen " << screen.width() << "x" << screen.height();
        // beside the editor, not over its fields, and tall enough for the titles and a few rows
        EXPECT_FALSE(list.intersects(form->frameGeometry().adjusted(0, 0, 0, -1)));
        EXPECT_GE(MessageListWin().grid()->viewport()->height(), 3 * TMessageListWinForm::DefaultRowHeight);
        num("b003")->setValue(5);
        form->pages()->setCurrentIndex(4);
        settle();
    }
}
