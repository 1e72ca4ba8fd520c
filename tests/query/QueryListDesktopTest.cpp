// The result list under a window manager: while an export runs, clicks on the list's titles,
// keys typed into it and the window manager's close (sent to the X server with xdotool) reach
// nothing; the progress window is modal over the list.
#include "db/WorkingDatabase.h"
#include "logic/ProgressBar.h"
#include "query/dlgQueryList.h"
#include "widgets/RecordGrid.h"
#include "widgets/ScriptedPrompter.h"
#include "support/DesktopDriving.h"
#include "support/OpenpyxlReader.h"
#include "support/TestEnvironment.h"

#include <QHeaderView>
#include <QSet>
#include <QTableView>
#include <QTimer>

namespace {
constexpr int kReturns = 30000;

class QueryListDesktopTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    std::unique_ptr<TdlgQueryListForm> list;

    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        SysConnection().execute(
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < ?1) "
            "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001) "
            "select 110101000000 + i, '工会' || i, 110101, 3, '张伟', '010-1', 1, 1, i from n",
            {kReturns});
        list = std::make_unique<TdlgQueryListForm>(EditorProvider{});
        list->ShowQueryResult(QString());
        list->show();
        list->activateWindow();
        ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == list.get(); }));
        settle();
    }
    qint64 count() { return SysConnection().scalar("select count(*) from dt_data").toLongLong(); }
};
} // namespace

TEST_F(QueryListDesktopTest, ClicksAndKeysDuringAnExportReachNothing)
{
    QHeaderView* header = list->grid()->horizontalHeader();
    int name = -1;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        if (list->model()->column(c).fieldName == "c902")
            name = c;
    ASSERT_GE(name, 0);
    const QPoint title = header->mapToGlobal(QPoint(header->sectionViewportPosition(name) + 20, header->height() / 2));
    const QPoint cell = list->grid()->viewport()->mapToGlobal(QPoint(40, 30));
    clickAt(cell); // the keyboard is in the list

    // Once the progress window shows, the clerk clicks a title, presses ".", Ctrl+A and "."; the
    // export goes on meanwhile (these run inside its event processing).
    bool sentWhileRunning = false;
    QTimer during;
    during.setInterval(5);
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (!ProgressBarForm().isVisible())
            return;
        during.stop();
        shot("export-1-progress-over-the-list");
        clickAt(title);
        xdotool({"key", "period", "ctrl+a", "period"});
        // Alt+F4 asks the window manager to close the active window: neither the progress
        // window nor the list under it goes.
        xdotool({"key", "alt+F4"});
        sentWhileRunning = ProgressBarForm().isVisible() && ProgressBarForm().done() < ProgressBarForm().total();
        EXPECT_TRUE(list->isVisible());
        shot("export-2-clicked-and-typed-while-running");
    });
    during.start();
    prompter.answer(env.path("全部.xlsx"));
    prompter.answer(AnswerYes);
    prompter.answer(AnswerYesToAll);
    list->ExportToExcel();
    settle();
    shot("export-3-after-the-export");
    EXPECT_TRUE(sentWhileRunning) << "the export ended before the clicks were sent";
    ASSERT_EQ(prompter.shown, QStringList({"Excel文件已经正确导出到：'" + env.path("全部.xlsx")}));
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_EQ(list->sortState(), 1);
    EXPECT_EQ(count(), kReturns);
    const QStringList column = ReadColumnWithOpenpyxl(env.path("全部.xlsx"), 1, 5);
    const QSet<QString> codes(column.begin(), column.end());
    bool ordered = true;
    for (int i = 1; i < column.size(); ++i)
        ordered = ordered && column[i - 1].toLongLong() < column[i].toLongLong();
    EXPECT_EQ(column.size(), kReturns);
    EXPECT_EQ(codes.size(), kReturns);
    EXPECT_TRUE(ordered);
}
