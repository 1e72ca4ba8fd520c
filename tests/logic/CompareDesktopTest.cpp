// The comparison window under a window manager: the clerk types the parameters, runs, filters,
// double-clicks a value and types the correction into the editor's field (keys and clicks sent
// to the X server with xdotool). With TALLYRA_SHOTS_DIR set, the screen is saved at each step.
#include "db/WorkingDatabase.h"
#include "entry/NumericEdit.h"
#include "entry/dlgSurveyData.h"
#include "logic/CompareFixture.h"
#include "logic/dlgCompare.h"
#include "support/DesktopDriving.h"
#include "support/TestEnvironment.h"
#include "widgets/ScriptedPrompter.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <gtest/gtest.h>

#include <random>

namespace {
using compare_fixture::kBase;

class CompareDesktopTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;
    QString last;
    std::unique_ptr<TdlgSurveyDataForm> editor;

    void SetUp() override
    {
        ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened);
        last = env.path("2011年数据.mdb");
        CopyDeliveredDatabase(last);
        Connection before;
        before.open(last);
        fill(SysConnection(), before);
    }
    // 200 unions with twelve indicators that mostly move a few per cent; now and then a value is
    // typed ten times too large or small; a few unions report in one year only.
    static void fill(Connection& now, Connection& before)
    {
        static const char* names[] = {"东城区总工会",   "朝阳区建筑业工会联合会", "石家庄市长安区总工会",
                                      "天河区教育工会", "海淀区科技园区工会",     "西城区金融工会"};
        const QStringList fields{"z001", "z002", "z004", "z005", "x001", "p001",
                                 "b002", "b014", "f001", "l002", "s007", "w001"};
        std::mt19937 draw(7);
        now.begin();
        before.begin();
        for (int i = 1; i <= 200; ++i) {
            const qint64 code = kBase + i;
            const QString name = QStringLiteral("%1%2").arg(QString::fromUtf8(names[i % 6])).arg(i);
            auto insert = [&](Connection& c, int state) {
                c.execute("insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState) "
                          "values (?1, ?2, 110101, 3, '张伟', '010-65120000', ?3, 1)",
                          {code, name, state});
            };
            if (i % 37 != 0)
                insert(before, 1);
            if (i % 41 != 0)
                insert(now, i % 53 == 0 ? 3 : 1);
            for (const QString& f : fields) {
                const double y = 5 + draw() % 800;
                double x = std::round(y * (0.92 + (draw() % 160) / 1000.0));
                if (draw() % 60 == 0)
                    x = y * 10;
                else if (draw() % 60 == 0)
                    x = std::round(y / 10);
                before.execute(QStringLiteral("update dt_data set %1=?1 where c901=?2").arg(f), {y, code});
                now.execute(QStringLiteral("update dt_data set %1=?1 where c901=?2").arg(f), {x, code});
            }
        }
        now.commit();
        before.commit();
    }
};
} // namespace

TEST_F(CompareDesktopTest, TheClerkRunsFiltersAndCorrectsAValueInTheEditor)
{
    TdlgCompareForm dialog(
        [this]() -> TdlgSurveyDataForm& {
            if (!editor)
                editor = std::make_unique<TdlgSurveyDataForm>();
            return *editor;
        },
        {});
    dialog.fileBox()->setText(last);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &dialog; }));
    settle();

    // The clerk types C = 5 over the offered 4.
    clickOn(dialog.parameterBox(2));
    xdotool({"key", "ctrl+a"});
    xdotool({"type", "--delay", "60", "5"});
    EXPECT_EQ(dialog.parameterBox(2)->text(), "5");
    clickOn(dialog.button("比  对"));
    ASSERT_TRUE(waitFor([&] { return !dialog.isRunning() && dialog.grid(0)->model()->rowCount() > 0; }));
    settle();
    shot("compare-1-result");
    QTableView* flagged = dialog.grid(0);
    const int all = flagged->model()->rowCount();
    EXPECT_GT(all, 5);
    // Scores fall down the list.
    double previous = 1e300;
    for (int r = 0; r < all; ++r) {
        const double score = flagged->model()->index(r, 9).data().toDouble();
        EXPECT_LE(score, previous);
        previous = score;
    }

    // The page filter, chosen with the keyboard: the second entry is the first page with values.
    clickOn(dialog.pageFilter());
    xdotool({"key", "Down"});
    xdotool({"key", "Return"});
    ASSERT_TRUE(waitFor([&] { return dialog.pageFilter()->currentIndex() == 1; }));
    const QString page = dialog.pageFilter()->currentText();
    const int shown = flagged->model()->rowCount();
    EXPECT_LT(shown, all);
    for (int r = 0; r < shown; ++r)
        EXPECT_EQ(flagged->model()->index(r, 4).data().toString(), page);
    shot("compare-2-filtered-by-page");

    // A double click on the first value opens the editor on its field, where the keys go.
    const QString field = flagged->model()->index(0, 3).data().toString();
    const QString code = flagged->model()->index(0, 0).data().toString();
    bool checked = false;
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TdlgSurveyDataForm*>(QApplication::activeModalWidget());
        if (!form || checked)
            return;
        checked = true;
        watch.stop();
        EXPECT_TRUE(waitFor([&] { return QApplication::focusWidget() == form->control(field); }));
        settle();
        shot("compare-3-editor-on-the-field");
        xdotool({"type", "--delay", "60", "321"});
        EXPECT_EQ(form->numeric(field)->plainText(), "321");
        shot("compare-4-value-typed");
        form->tbReturnClick(); // leaves without storing
    });
    watch.start();
    const QRect first = flagged->visualRect(flagged->model()->index(0, 1));
    clickAt(flagged->viewport()->mapToGlobal(first.center()), 2);
    ASSERT_TRUE(waitFor([&] { return checked && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(editor->OpenedKey, code.toLongLong());
    EXPECT_NE(SysConnection()
                  .scalar(QStringLiteral("select %1 from dt_data where c901=?1").arg(field), {code})
                  .toInt(),
              321);

    // The units of one year, on their tabs.
    QTabBar* tabs = dialog.tabs()->tabBar();
    clickAt(tabs->mapToGlobal(tabs->tabRect(1).center()));
    EXPECT_EQ(dialog.tabs()->currentIndex(), 1);
    EXPECT_GT(dialog.grid(1)->model()->rowCount(), 0);
    shot("compare-5-absent-now");
    clickAt(tabs->mapToGlobal(tabs->tabRect(2).center()));
    shot("compare-6-new-now");

    // The export, then Esc closes the window.
    const QString out =
        QDir(qEnvironmentVariable("TALLYRA_SHOTS_DIR", env.path(QString()))).filePath("compare.xlsx");
    QFile::remove(out);
    prompter.answer(out);
    clickOn(dialog.button("导  出"));
    EXPECT_TRUE(QFile::exists(out));
    xdotool({"key", "Escape"});
    EXPECT_TRUE(waitFor([&] { return !dialog.isVisible(); }));
}
