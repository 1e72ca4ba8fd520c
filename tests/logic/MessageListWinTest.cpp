#include "logic/ErrorListPlace.h"
#include "logic/MessageListWin.h"
#include "widgets/ScriptedPrompter.h"

#include <QHeaderView>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

QString Cell(const TMessageListWinForm& form, int row, int column)
{
    const QTableWidgetItem* item = form.grid()->item(row, column);
    return item ? item->text() : QString();
}

void DoubleClickRow(TMessageListWinForm& form, int row)
{
    QTableWidget* grid = form.grid();
    const QRect cell = grid->visualRect(grid->model()->index(row, TMessageListWinForm::RuleColumn));
    // A real double click: press and release, then the second press that the system reports
    // as a double click.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

struct Jump {
    int page;
    QString field;
    bool flagDuringJump;
};

} // namespace

TEST(MessageListWin, WindowColumnsAndWidths)
{
    TMessageListWinForm form;
    form.show();
    EXPECT_EQ(form.windowTitle(), "逻辑错误列表");
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.windowType(), Qt::Tool);
    // the designed size, as far as the screen holds the window (the test screen is smaller)
    const QRect screen = form.screen()->availableGeometry();
    const QSize frame = form.frameGeometry().size() - form.size();
    EXPECT_EQ(form.frameGeometry().size(), (QSize(900, 258) + frame).boundedTo(screen.size()));
    if (screen.width() >= 900 + frame.width() && screen.height() >= 258 + frame.height())
        EXPECT_EQ(form.size(), QSize(900, 258));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(255, 255, 204));
    EXPECT_EQ(form.font().pixelSize(), 13);

    QTableWidget* grid = form.grid();
    EXPECT_EQ(grid->verticalHeader()->width(), 32); // the fixed, empty first column
    const struct {
        const char* title;
        int width;
    } columns[] = {{"逻辑关系", 340}, {"说明", 321}, {"页号", 73}, {"变量", 70}};
    ASSERT_EQ(grid->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(grid->horizontalHeaderItem(c)->text(), QString::fromUtf8(columns[c].title)) << c;
        EXPECT_EQ(grid->columnWidth(c), columns[c].width) << c;
    }
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->rowHeight(0), 18);
    EXPECT_TRUE(grid->model()->headerData(0, Qt::Vertical).toString().isEmpty());
}

TEST(MessageListWin, ShowsAtItsPlaceWhollyOnTheScreen)
{
    TMessageListWinForm form;
    form.move(300, 20);
    form.show();
    // left 90, top 476, moved up and left as far as the whole window needs to be on the screen
    const QRect screen = form.screen()->availableGeometry();
    const QPoint place = KeepOnScreen(QRect(QPoint(90, 476), form.frameGeometry().size()), screen).topLeft();
    EXPECT_EQ(form.pos(), place);
    EXPECT_TRUE(screen.contains(form.frameGeometry()));
    form.hide();
    form.move(10, 10);
    form.show();
    EXPECT_EQ(form.pos(), place);
    // on a screen with room, the place as designed
    if (screen.contains(QRect(QPoint(90, 476), form.frameGeometry().size())))
        EXPECT_EQ(place, QPoint(90, 476));
}

TEST(MessageListWin, FirstRuleFillsTheBlankRowAndLaterOnesAppend)
{
    TMessageListWinForm form;
    QTableWidget* grid = form.grid();
    EXPECT_TRUE(form.IsErrorListEmpty());

    form.AddErrorRow("z001>=z004", "[职工人数]不能小于[女职工]", "z004", 1);
    EXPECT_FALSE(form.IsErrorListEmpty());
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(Cell(form, 0, TMessageListWinForm::RuleColumn), "z001>=z004");
    EXPECT_EQ(Cell(form, 0, TMessageListWinForm::ExplanationColumn), "[职工人数]不能小于[女职工]");
    EXPECT_EQ(Cell(form, 0, TMessageListWinForm::PageColumn), "1");
    EXPECT_EQ(Cell(form, 0, TMessageListWinForm::FieldColumn), "z004");
    EXPECT_FALSE(form.isVisible()); // the caller shows it

    form.AddErrorRow("b011<=b010", "说明二", "b011", 12);
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(Cell(form, 1, TMessageListWinForm::PageColumn), "12");
    EXPECT_EQ(Cell(form, 1, TMessageListWinForm::FieldColumn), "b011");
    EXPECT_EQ(Cell(form, 0, TMessageListWinForm::FieldColumn), "z004");
    EXPECT_TRUE(grid->model()->headerData(1, Qt::Vertical).toString().isEmpty());

    form.show();
    form.ClearErrorList();
    EXPECT_TRUE(form.IsErrorListEmpty());
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(grid->rowCount(), 1);
    for (int c = 0; c < grid->columnCount(); ++c)
        EXPECT_TRUE(Cell(form, 0, c).isEmpty()) << c;

    // after clearing, the blank row is reused again
    form.AddErrorRow("c001>0", "三", "c001", 13);
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(Cell(form, 0, TMessageListWinForm::FieldColumn), "c001");
}

TEST(MessageListWin, ClearingAnEmptyListKeepsOneBlankRowAndHides)
{
    TMessageListWinForm form;
    form.show();
    form.ClearErrorList();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.IsErrorListEmpty());
    EXPECT_EQ(form.grid()->rowCount(), 1);
    EXPECT_EQ(form.grid()->rowHeight(0), 18);
}

TEST(MessageListWin, RowHeightFollowsTheWrappedText)
{
    const QString longText = QString("职工人数不能小于女职工人数，").repeated(12);
    const QString longWords = QString("z001+z002+z003 >= z004 and ").repeated(10);
    const struct {
        const char* name;
        QString rule;
        QString explanation;
        int minimumLines; // 1: no taller than a row of one line
    } cases[] = {
        {"short texts", "z001>=z004", "说明", 1}, {"empty texts", "", "", 1},
        {"long rule", longWords, "说明", 2},      {"long explanation", "z001>=z004", longText, 3},
        {"both long", longWords, longText, 3},
    };
    TMessageListWinForm reference;
    reference.AddErrorRow("z001>=z004", "说明", "z001", 1);
    const int oneLine = reference.grid()->rowHeight(0);
    const int lineHeight = QFontMetrics(reference.grid()->font()).height();
    EXPECT_GE(oneLine, 18);
    EXPECT_LT(oneLine, 2 * lineHeight + 8);
    for (const auto& c : cases) {
        TMessageListWinForm form;
        form.AddErrorRow("z001>=z004", "说明", "z001", 1);
        form.AddErrorRow(c.rule, c.explanation, "z001", 1);
        const int height = form.grid()->rowHeight(1);
        EXPECT_GE(height, 18) << c.name;
        if (c.minimumLines == 1)
            EXPECT_LE(height, oneLine) << c.name;
        else
            EXPECT_GE(height, c.minimumLines * lineHeight + 8) << c.name;
        EXPECT_EQ(form.grid()->rowHeight(0), oneLine) << c.name; // other rows keep their height
    }
}

TEST(MessageListWin, ReusedRowKeepsItsGreaterHeight)
{
    TMessageListWinForm form;
    form.AddErrorRow("z001>0", "短", "z001", 1);
    const int oneLine = form.grid()->rowHeight(0);
    form.ClearErrorList();
    form.AddErrorRow(QString("很长的说明文字").repeated(20), "", "z001", 1);
    const int tall = form.grid()->rowHeight(0);
    ASSERT_GT(tall, oneLine);
    form.ClearErrorList();
    form.AddErrorRow("z001>0", "短", "z001", 1);
    EXPECT_EQ(form.grid()->rowHeight(0), tall); // rows grow, they never shrink
}

TEST(MessageListWin, DoubleClickJumpsToThePageAndFieldOfTheRow)
{
    TMessageListWinForm form;
    form.AddErrorRow("z001>=z004", "一", "z004", 1);
    form.AddErrorRow("b011<=b010", "二", "B011", 7);
    QList<Jump> jumps;
    form.jumpTo = [&](int page, const QString& field) { jumps.append({page, field, form.JumpInProgress()}); };
    form.show();
    EXPECT_FALSE(form.JumpInProgress());

    DoubleClickRow(form, 1);
    ASSERT_EQ(jumps.size(), 1);
    EXPECT_EQ(jumps[0].page, 7);
    EXPECT_EQ(jumps[0].field, "B011");
    EXPECT_TRUE(jumps[0].flagDuringJump);
    EXPECT_FALSE(form.JumpInProgress());
    EXPECT_EQ(form.grid()->currentRow(), 0);
    EXPECT_EQ(form.grid()->currentColumn(), TMessageListWinForm::RuleColumn);

    DoubleClickRow(form, 0);
    ASSERT_EQ(jumps.size(), 2);
    EXPECT_EQ(jumps[1].page, 1);
    EXPECT_EQ(jumps[1].field, "z004");
}

TEST(MessageListWin, DoubleClickDuringAJumpIsIgnored)
{
    TMessageListWinForm form;
    form.AddErrorRow("z001>=z004", "一", "z004", 1);
    form.AddErrorRow("b011<=b010", "二", "b011", 7);
    QList<Jump> jumps;
    form.jumpTo = [&](int page, const QString& field) {
        jumps.append({page, field, form.JumpInProgress()});
        DoubleClickRow(form, 0); // the user double-clicks again before the jump is over
    };
    form.show();
    DoubleClickRow(form, 1);
    ASSERT_EQ(jumps.size(), 1);
    EXPECT_EQ(jumps[0].page, 7);
    EXPECT_FALSE(form.JumpInProgress());

    // once the jump is over, a double click jumps again (and is again the only one)
    DoubleClickRow(form, 0);
    ASSERT_EQ(jumps.size(), 2);
    EXPECT_EQ(jumps[1].page, 1);
}

// The failure is shown in the general error box by the list's own handler; the next double
// click acts again.
TEST(MessageListWin, JumpThatFailsStillClearsTheFlag)
{
    ScriptedPrompter prompter;
    TMessageListWinForm form;
    form.AddErrorRow("z001>=z004", "一", "z004", 3);
    form.jumpTo = [](int, const QString&) { throw std::runtime_error("editor gone"); };
    form.show();
    form.grid()->setCurrentCell(0, TMessageListWinForm::RuleColumn);
    form.grid()->cellDoubleClicked(0, 0);
    EXPECT_EQ(prompter.shown, QStringList({"editor gone"}));
    EXPECT_FALSE(form.JumpInProgress());
}

TEST(MessageListWin, DoubleClickOnTheBlankRowDoesNothing)
{
    TMessageListWinForm form;
    int jumps = 0;
    form.jumpTo = [&](int, const QString&) { ++jumps; };
    form.show();
    DoubleClickRow(form, 0);
    EXPECT_EQ(jumps, 0);
    EXPECT_FALSE(form.JumpInProgress());
}

TEST(MessageListWin, ProgramWideListAndItsOperations)
{
    TMessageListWinForm& list = MessageListWin();
    EXPECT_EQ(&list, &MessageListWin());
    ClearErrorList();
    EXPECT_TRUE(IsErrorListEmpty());
    AddErrorRow("z001>=z004", "一", "z004", 1);
    AddErrorRow("z002>=z005", "二", "z005", 1);
    EXPECT_FALSE(IsErrorListEmpty());
    EXPECT_EQ(list.grid()->rowCount(), 2);

    bool flagSeen = false;
    list.jumpTo = [&](int, const QString&) { flagSeen = ErrorListJumpInProgress(); };
    list.show();
    DoubleClickRow(list, 1);
    EXPECT_TRUE(flagSeen);
    EXPECT_FALSE(ErrorListJumpInProgress());

    ClearErrorList();
    EXPECT_TRUE(IsErrorListEmpty());
    EXPECT_FALSE(list.isVisible());
    EXPECT_EQ(list.grid()->rowCount(), 1);
    list.jumpTo = nullptr;
}
