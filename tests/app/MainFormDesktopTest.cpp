// The main window under a window manager: after an action started from the navigation pane the
// keys the clerk types go to the record list again.
#include "app/Main.h"
#include "app/NavigationBar.h"
#include "app/Startup.h"
#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "widgets/ScriptedPrompter.h"
#include "support/DesktopDriving.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace {
class MainFormDesktopTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    std::unique_ptr<TMainForm> form;

    void start(int returns)
    {
        Connection db;
        db.open(env.systemDataFile());
        for (int i = 1; i <= returns; ++i)
            db.execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState) "
                       "values (?1, ?2, 110101, 3, '张伟', '010-1', 1, 1)",
                       {qlonglong(110101000000LL + i), QStringLiteral("工会%1").arg(i)});
        db.close();
        form = std::make_unique<TMainForm>();
        ASSERT_TRUE(RunStartup(*form, {false}));
        form->show();
        form->activateWindow();
        ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == form.get(); }));
        settle();
    }
    QToolButton* item(const QString& caption)
    {
        for (QToolButton* b : form->navigation()->findChildren<QToolButton*>("navItem"))
            if (b->defaultAction() && b->defaultAction()->text() == caption)
                return b;
        return nullptr;
    }
};
} // namespace

TEST_F(MainFormDesktopTest, AfterANavigationItemTheKeysGoToTheRecordList)
{
    start(6);
    QTableView* grid = form->recordGrid();
    // Dialogs the pane opens, each closed with Esc; then Down moves the list by one row.
    const struct {
        int group; // the one group open, so the item shows
        const char* caption;
    } cases[] = {{2, "参数设置"}, {2, "自定义列表显示"}, {0, "检查数据的逻辑"}, {0, "指标查询"}};
    for (const auto& c : cases) {
        const char* caption = c.caption;
        SCOPED_TRACE(caption);
        for (int g = 0; g < 3; ++g)
            form->navigation()->setGroupOpen(g, g == c.group);
        settle();
        QToolButton* button = item(QString::fromUtf8(caption));
        ASSERT_NE(button, nullptr);
        const int before = grid->currentIndex().row();
        // The dialog runs its own event loop inside the click: it is closed from there.
        bool closed = false;
        QTimer watch;
        watch.setInterval(50);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            // Esc is sent once the window manager has given the dialog the keyboard; on a busy
            // machine that may come well after the dialog shows.
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog || QApplication::activeWindow() != dialog)
                return;
            watch.stop();
            settle();
            shot(QStringLiteral("navigation-%1-dialog").arg(QString::fromUtf8(caption)));
            xdotool({"key", "Escape"});
            closed = true;
        });
        watch.start();
        clickAt(button->mapToGlobal(button->rect().center()));
        ASSERT_TRUE(waitFor([&] { return closed && !QApplication::activeModalWidget() && QApplication::activeWindow() == form.get(); },
                            20000));
        settle();
        EXPECT_EQ(QApplication::focusWidget(), grid);
        xdotool({"key", "Down"});
        shot(QStringLiteral("navigation-%1-after-down").arg(QString::fromUtf8(caption)));
        EXPECT_EQ(grid->currentIndex().row(), before + 1);
    }
}
