// The package preview and the conflict review under a window manager, driven as a clerk drives
// them: clicks and keys sent to the X server with xdotool, not to a widget. With
// TALLYRA_SHOTS_DIR set the screen is saved at each step.
#include "ExchangeFixture.h"

#include "app/Main.h"
#include "app/NavigationBar.h"
#include "app/Startup.h"
#include "exchange/dlgConflictReview.h"
#include "exchange/dlgPackagePreview.h"
#include "logic/ProgressBar2Line.h"
#include "query/QueryWindowSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include "support/DesktopDriving.h"

namespace {
constexpr qint64 kBase = 110101000000;
} // namespace

class PackagePreviewDesktopTest : public ExchangeTest {};

TEST_F(PackagePreviewDesktopTest, TheClerkLooksIntoPackagesDecidesWithKeysAndImports)
{
    // Here: 1..5. East: new codes; west: 3..8 of the same returns, 4 and 5 corrected; a big
    // county's package; a file that is no package.
    AddReturns(SysConnection(), kBase + 1, 5);
    const QString passing = PassingReturnsScript();
    SysConnection().executeScript(passing);
    const QString east = MakePackage(env, "east", kBase + 101, 40, "东城区总工会", passing);
    const QString west = MakePackage(env, "west", kBase + 1, 8, "西城区总工会", passing +
                                     QString("delete from dt_data where c901 < %1;"
                                             "update dt_data set z001 = 999 where c901 = %2;"
                                             "update dt_data set c902 = '某区工会4（更正）', z002 = 7 where c901 = %3;")
                                         .arg(kBase + 3)
                                         .arg(kBase + 4)
                                         .arg(kBase + 5));
    // Two of its returns break z003<=z001.
    const QString big = MakePackage(env, "county", kBase + 10001, 30000, "某县总工会",
                                    passing + "update dt_data set z003 = 30 where c901 % 15000 = 1;");
    WriteAll(env.path("upload.dat"), QByteArray(8192, '\x01'));
    SysConnection().close();

    TMainForm main;
    ASSERT_TRUE(RunStartup(main, {false}));
    main.show();
    main.activateWindow();
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &main; }));
    settle();
    clickOn(main.navigation()->groupHeader(1)); // "备份与上报"
    ASSERT_TRUE(main.navigation()->isGroupOpen(1));
    shot("preview-1-the-action-in-its-group");

    prompter.answer(QStringList{east, west, big, env.path("upload.dat")});
    bool previewed = false, reviewed = false, progressSeen = false;
    const ModalWatch previewWatch = OnModal<TdlgPackagePreviewForm>([&](TdlgPackagePreviewForm& preview) {
        previewed = true;
        ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &preview; }));
        settle();
        shot("preview-2-four-packages-looked-into");
        QTableWidget* table = preview.packageTable();
        ASSERT_EQ(table->rowCount(), 4);
        EXPECT_EQ(table->item(3, TdlgPackagePreviewForm::VerdictColumn)->text(),
                  "不能导入：所选的文件不是有效的数据文件");

        const ModalWatch reviewWatch = OnModal<TdlgConflictReviewForm>([&](TdlgConflictReviewForm& review) {
            reviewed = true;
            ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &review; }));
            settle();
            shot("preview-3-conflict-review-first-undecided");
            EXPECT_EQ(review.currentConflict(), 1);
            EXPECT_EQ(QApplication::focusWidget(), review.codeList());
            xdotool({"key", "Right"}); // code 4: the package's
            EXPECT_EQ(review.codeList()->model()->index(1, 6).data().toString(), "采用导入");
            EXPECT_EQ(review.currentConflict(), 2);
            shot("preview-4-after-taking-the-package");
            clickBox(review.onlyDifferent());
            EXPECT_FALSE(review.onlyDifferent()->isChecked());
            shot("preview-5-every-field-the-differing-highlighted");
            clickBox(review.onlyDifferent());
            review.codeList()->setFocus();
            settle();
            xdotool({"key", "Left"}); // code 5: keep
            EXPECT_EQ(review.codeList()->model()->index(2, 6).data().toString(), "保留现有");
            EXPECT_TRUE(review.button("按决定导入")->isEnabled());
            shot("preview-6-every-code-decided");
            clickOn(review.button("按决定导入"));
        });
        // Double-click the west row: its review opens.
        const QRect west = table->visualItemRect(table->item(1, TdlgPackagePreviewForm::LabelColumn));
        clickAt(table->viewport()->mapToGlobal(west.center()), 2);
        ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &preview; }));
        settle();
        EXPECT_EQ(table->item(1, TdlgPackagePreviewForm::ResultColumn)->text(), "已导入：新增3，替换1，保留1，相同1");
        shot("preview-7-west-imported");

        // The big county's package goes in with the two-line progress and its stop button.
        table->item(0, TdlgPackagePreviewForm::FileColumn)->setCheckState(Qt::Checked);
        table->item(2, TdlgPackagePreviewForm::FileColumn)->setCheckState(Qt::Checked);
        TProgressBar2LineForm& progress = ProgressBar2LineForm();
        int ticks = 0;
        QTimer watcher;
        watcher.setInterval(0);
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (progress.isVisible() && progress.firstDone() == 1 && ++ticks == 3) {
                progressSeen = true;
                shot("preview-8-progress-with-stop");
            }
        });
        watcher.start();
        clickOn(preview.button("导  入"));
        ASSERT_TRUE(waitFor([&] { return !progress.isVisible(); }, 120000));
        watcher.stop();
        settle();
        shot("preview-9-closing-table");
        xdotool({"key", "Escape"});
    });
    QToolButton* item = nullptr;
    for (QToolButton* b : main.navigation()->findChildren<QToolButton*>("navItem"))
        if (b->defaultAction() == main.action("查看并导入数据包"))
            item = b;
    ASSERT_NE(item, nullptr);
    clickOn(item);
    ASSERT_TRUE(waitFor([&] { return previewed && QApplication::activeModalWidget() == nullptr; }, 180000));
    EXPECT_TRUE(reviewed);
    EXPECT_TRUE(progressSeen);
    EXPECT_EQ(SysConnection().scalar("select count(*) from dt_data").toInt(), 5 + 3 + 40 + 30000);
    EXPECT_EQ(SysConnection().scalar("select z001 from dt_data where c901 = ?1", {kBase + 4}).toInt(), 999);
    ASSERT_FALSE(prompter.shown.isEmpty());
    EXPECT_TRUE(prompter.shown.last().startsWith("导入结束：\neast.dat：已导入：新增40\ncounty.dat：已导入：新增30000"))
        << prompter.shown.last().toStdString();
    settle();
    shot("preview-10-main-window-after");
}
