#include "ExchangeFixture.h"

#include "app/Main.h"
#include "app/NavigationBar.h"
#include "app/Startup.h"
#include "exchange/ConflictReview.h"
#include "exchange/PackagePreview.h"
#include "exchange/ReceiptRegister.h"
#include "exchange/ReturnComparison.h"
#include "exchange/dlgConflictReview.h"
#include "exchange/dlgPackagePreview.h"
#include "logic/ProgressBar2Line.h"
#include "query/QueryWindowSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

namespace {
constexpr qint64 kBase = 110101000000;
const QString kFilter = QStringLiteral("数据加密文件(*.dat)|*.dat|数据备份文件(*.mdb)|*.mdb");

} // namespace

class PackagePreviewTest : public ExchangeTest {
protected:
    qint64 count() { return SysConnection().scalar("select count(*) from dt_data").toLongLong(); }
    QString junk()
    {
        WriteAll(env.path("junk.dat"), QByteArray(8192, '\x01'));
        return env.path("junk.dat");
    }
    QString conflictingPackage() { return MakeConflictingPackage(env, kBase, "西城区总工会"); }
    QString cell(TdlgPackagePreviewForm& form, int row, int column)
    {
        return form.packageTable()->item(row, column)->text();
    }
    bool tickable(TdlgPackagePreviewForm& form, int row)
    {
        return form.packageTable()->item(row, TdlgPackagePreviewForm::FileColumn)->flags() & Qt::ItemIsUserCheckable;
    }
    Qt::CheckState tick(TdlgPackagePreviewForm& form, int row)
    {
        return form.packageTable()->item(row, TdlgPackagePreviewForm::FileColumn)->checkState();
    }
};

// Each chosen file is looked into as the import reads it, and nothing anywhere changes.
TEST_F(PackagePreviewTest, EachFileIsLookedIntoAndARefusedOneSaysWhy)
{
    AddReturns(SysConnection(), kBase + 1, 3);
    const QString east = MakePackage(env, "east", kBase + 11, 5, "东城区总工会", PassingReturnsScript());
    // 1..5: three codes already here, and code 2 breaks z003<=z001.
    const QString west =
        MakePackage(env, "west", kBase + 1, 5, "西城区总工会",
                    PassingReturnsScript() + QString("update dt_data set z003 = 25 where c901 = %1").arg(kBase + 2));
    // 14, 15 also in east
    const QString north = MakePackage(env, "north", kBase + 14, 3, "北城区总工会", PassingReturnsScript());
    const QStringList files = {east, west, north, junk(), env.path("none.dat"), CurrentDatabasePath};
    QList<QByteArray> bytes;
    for (const QString& f : files)
        bytes << ReadAll(f);
    const QByteArray database = ReadAll(CurrentDatabasePath);

    const QVector<PackagePreview> previews = PreviewPackages(SysConnection(), files);
    ASSERT_EQ(previews.size(), 6);
    const struct {
        const char* label;
        qint64 returns, existing, inOther, failing;
        QString refusal;
    } expected[] = {
        {"东城区总工会", 5, 0, 2, 0, ""},
        {"西城区总工会", 5, 3, 0, 1, ""},
        {"北城区总工会", 3, 0, 2, 0, ""},
        {"", 0, 0, 0, 0, "所选的文件不是有效的数据文件"},
        {"", 0, 0, 0, 0, "您选择的文件并不存在，请选择其它文件。"},
        {"", 0, 0, 0, 0, "所选的文件就是正在使用的数据库文件"},
    };
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(files[i].toStdString());
        const PackagePreview& p = previews[i];
        EXPECT_EQ(p.file, files[i]);
        EXPECT_EQ(p.refusal, expected[i].refusal);
        EXPECT_EQ(p.importable(), expected[i].refusal.isEmpty());
        EXPECT_EQ(p.label, expected[i].label);
        EXPECT_EQ(p.returns, expected[i].returns);
        EXPECT_EQ(p.existingCodes, expected[i].existing);
        EXPECT_EQ(p.codesInOtherFiles, expected[i].inOther);
        EXPECT_EQ(p.failingReturns, expected[i].failing);
        EXPECT_EQ(PreviewVerdict(p), expected[i].refusal.isEmpty() ? "可以导入" : "不能导入：" + expected[i].refusal);
        EXPECT_EQ(ReadAll(files[i]), bytes[i]);
    }
    EXPECT_EQ(ReadAll(CurrentDatabasePath), database);
}

TEST_F(PackagePreviewTest, TheWindowImportsTheTickedPackagesAndShowsTheClosingTable)
{
    AddReturns(SysConnection(), kBase + 1, 3);
    const QString east = MakePackage(env, "east", kBase + 11, 5, "东城区总工会");
    const QString west = MakePackage(env, "west", kBase + 1, 5, "西城区总工会");
    prompter.answer(QStringList{east, west, junk()});
    TdlgPackagePreviewForm form;
    ASSERT_TRUE(form.chooseFiles());
    form.show();
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_EQ(prompter.fileDialogs[0].title, "选择导入文件");
    EXPECT_EQ(prompter.fileDialogs[0].filter, kFilter);
    EXPECT_EQ(prompter.fileDialogs[0].folder, env.documentsFolder());
    EXPECT_EQ(form.windowTitle(), "查看并导入数据包");
    ASSERT_EQ(form.packageTable()->rowCount(), 3);
    using F = TdlgPackagePreviewForm;
    EXPECT_EQ(cell(form, 0, F::FileColumn), "east.dat");
    EXPECT_EQ(cell(form, 0, F::LabelColumn), "东城区总工会");
    EXPECT_EQ(cell(form, 0, F::ReturnsColumn), "5");
    EXPECT_EQ(cell(form, 0, F::VerdictColumn), "可以导入");
    EXPECT_EQ(cell(form, 0, F::ConflictColumn), "无冲突");
    EXPECT_EQ(cell(form, 1, F::ExistingColumn), "3");
    EXPECT_EQ(cell(form, 1, F::ConflictColumn), "3个编号已经存在，已决定0个");
    EXPECT_EQ(cell(form, 2, F::VerdictColumn), "不能导入：所选的文件不是有效的数据文件");
    // Ready packages are ticked; one with codes already here waits; a refused one has no box.
    EXPECT_EQ(tick(form, 0), Qt::Checked);
    EXPECT_EQ(tick(form, 1), Qt::Unchecked);
    EXPECT_TRUE(tickable(form, 1));
    EXPECT_FALSE(tickable(form, 2));
    EXPECT_FALSE(form.packageTable()->item(2, F::FileColumn)->data(Qt::CheckStateRole).isValid());
    form.packageTable()->setCurrentCell(1, 0);
    EXPECT_TRUE(form.button("处理冲突")->isEnabled());
    form.packageTable()->setCurrentCell(2, 0);
    EXPECT_FALSE(form.button("处理冲突")->isEnabled());

    QTest::mouseClick(form.button("导  入"), Qt::LeftButton);
    EXPECT_EQ(count(), 8);
    EXPECT_EQ(prompter.shown.last(), "导入结束：\neast.dat：已导入：新增5");
    EXPECT_EQ(cell(form, 0, F::ResultColumn), "已导入：新增5");
    EXPECT_FALSE(tickable(form, 0)) << "imported: it cannot go in twice";
    EXPECT_TRUE(form.importedAny());
    EXPECT_TRUE(cell(form, 1, F::ResultColumn).isEmpty());
    EXPECT_FALSE(ProgressBar2LineForm().isVisible());

    // Ticked, a package with undecided differing codes is not imported and says so.
    form.packageTable()->item(1, F::FileColumn)->setCheckState(Qt::Checked);
    Connection& db = SysConnection();
    db.execute("update dt_data set z001 = 4242 where c901 = ?1", {kBase + 2});
    QTest::mouseClick(form.button("导  入"), Qt::LeftButton);
    EXPECT_EQ(prompter.shown.last(), "导入结束：\nwest.dat：未导入：1个编号的数据不同，尚未决定");
    EXPECT_EQ(count(), 8);
    // Each import tried has its row in the register, newest first.
    const QVector<ReceiptEntry> receipts = ReadReceipts(SysConnection());
    ASSERT_EQ(receipts.size(), 2);
    EXPECT_EQ(receipts[0].fileName, west);
    EXPECT_EQ(receipts[0].result, "未导入：1个编号的数据不同，尚未决定");
    EXPECT_EQ(receipts[0].added, 0);
    EXPECT_EQ(receipts[1].fileName, east);
    EXPECT_EQ(receipts[1].label, "东城区总工会");
    EXPECT_EQ(receipts[1].result, "已导入");
    EXPECT_EQ(receipts[1].added, 5);
}

TEST_F(PackagePreviewTest, ACodeInTwoChosenPackagesConflictsWhenTheSecondGoesIn)
{
    const QString east = MakePackage(env, "east", kBase + 11, 5, "东城区总工会");
    const QString north = MakePackage(env, "north", kBase + 14, 3, "北城区总工会");
    prompter.answer(QStringList{east, north});
    TdlgPackagePreviewForm form;
    ASSERT_TRUE(form.chooseFiles());
    using F = TdlgPackagePreviewForm;
    EXPECT_EQ(cell(form, 0, F::OtherFilesColumn), "2");
    EXPECT_EQ(cell(form, 1, F::OtherFilesColumn), "2");
    QTest::mouseClick(form.button("导  入"), Qt::LeftButton);
    EXPECT_EQ(prompter.shown.last(),
              "导入结束：\neast.dat：已导入：新增5\nnorth.dat：未导入：2个编号的数据不同，尚未决定");
    // What the second finds here now is counted again, ready for its review.
    EXPECT_EQ(cell(form, 1, F::ExistingColumn), "2");
    form.packageTable()->setCurrentCell(1, 0);
    EXPECT_TRUE(form.button("处理冲突")->isEnabled());
    EXPECT_EQ(count(), 5);
}

TEST_F(PackagePreviewTest, FilesAddedLaterAreCountedWithTheOthersAndTheTicksStay)
{
    const QString east = MakePackage(env, "east", kBase + 11, 5, "东城区总工会");
    const QString north = MakePackage(env, "north", kBase + 14, 3, "北城区总工会");
    prompter.answer(QStringList{east});
    TdlgPackagePreviewForm form;
    ASSERT_TRUE(form.chooseFiles());
    using F = TdlgPackagePreviewForm;
    EXPECT_EQ(cell(form, 0, F::OtherFilesColumn), "0");
    form.packageTable()->item(0, F::FileColumn)->setCheckState(Qt::Unchecked);
    prompter.answer(QStringList{north, east}); // east again: listed once
    form.button("添加文件")->click();
    ASSERT_EQ(form.packageTable()->rowCount(), 2);
    EXPECT_EQ(cell(form, 0, F::OtherFilesColumn), "2");
    EXPECT_EQ(cell(form, 1, F::FileColumn), "north.dat");
    EXPECT_EQ(cell(form, 1, F::OtherFilesColumn), "2");
    EXPECT_EQ(tick(form, 0), Qt::Unchecked) << "the clerk's tick stays";
    EXPECT_EQ(tick(form, 1), Qt::Checked);
}

// The review is walked and decided with the keyboard alone, then "按决定导入" imports the
// package in one go.
TEST_F(PackagePreviewTest, ConflictsAreDecidedWithTheKeyboardAndImported)
{
    const QString west = conflictingPackage();
    prompter.answer(QStringList{west});
    TdlgPackagePreviewForm form;
    ASSERT_TRUE(form.chooseFiles());
    form.show();
    form.packageTable()->setCurrentCell(0, 0);
    ASSERT_TRUE(form.button("处理冲突")->isEnabled());
    bool reviewed = false;
    const ModalWatch watch = OnModal<TdlgConflictReviewForm>([&](TdlgConflictReviewForm& review) {
        reviewed = true;
        EXPECT_EQ(review.windowTitle(), "处理编号冲突");
        QAbstractItemModel* list = review.codeList()->model();
        ASSERT_EQ(list->rowCount(), 3);
        auto at = [list](int row, int column) { return list->index(row, column).data().toString(); };
        EXPECT_EQ(at(0, 0), "110101000003");
        EXPECT_EQ(at(0, 6), "相同");
        EXPECT_EQ(at(0, 5), "0");
        EXPECT_EQ(at(1, 5), "1");
        EXPECT_EQ(at(2, 1), "某区工会4");
        EXPECT_EQ(at(2, 2), "新名称");
        EXPECT_EQ(at(2, 3), "通过");
        EXPECT_EQ(at(2, 5), "2");
        EXPECT_EQ(at(1, 6), "未决定");
        // The first code that waits for a decision is selected; its differing field shows.
        EXPECT_EQ(review.currentConflict(), 1);
        EXPECT_TRUE(review.onlyDifferent()->isChecked());
        ASSERT_EQ(review.fieldList()->rowCount(), 1);
        EXPECT_EQ(review.fieldList()->item(0, 1)->text(), "本级工会机关实有工作人员(人)");
        EXPECT_EQ(review.fieldList()->item(0, 2)->text(), "3");
        EXPECT_EQ(review.fieldList()->item(0, 3)->text(), "999");
        EXPECT_EQ(review.fieldList()->item(0, 0)->text(), "表1");
        // Every field, in catalogue order, the differing one highlighted.
        review.onlyDifferent()->click();
        const int fields = int(ComparedFields(SysConnection()).size());
        ASSERT_EQ(review.fieldList()->rowCount(), fields);
        EXPECT_EQ(review.fieldList()->item(0, 1)->text(), "本级工会统计编码");
        const QBrush plain = review.fieldList()->item(0, 2)->background();
        int highlighted = 0;
        for (int r = 0; r < fields; ++r)
            if (review.fieldList()->item(r, 2)->background() != plain) {
                ++highlighted;
                EXPECT_EQ(review.fieldList()->item(r, 1)->text(), "本级工会机关实有工作人员(人)");
            }
        EXPECT_EQ(highlighted, 1);
        review.onlyDifferent()->click();
        EXPECT_FALSE(review.button("按决定导入")->isEnabled());

        QWidget* keys = review.codeList();
        QTest::keyClick(keys, Qt::Key_Right); // code 4: the package's
        EXPECT_EQ(at(1, 6), "采用导入");
        EXPECT_EQ(review.currentConflict(), 2) << "on to the next undecided code";
        ASSERT_EQ(review.fieldList()->rowCount(), 2);
        QTest::keyClick(keys, Qt::Key_Up);
        EXPECT_EQ(review.currentConflict(), 1);
        QTest::keyClick(keys, Qt::Key_Left); // changed its mind: keep code 4
        EXPECT_EQ(at(1, 6), "保留现有");
        EXPECT_EQ(review.currentConflict(), 2);
        EXPECT_FALSE(review.button("按决定导入")->isEnabled());
        QTest::keyClick(keys, Qt::Key_Left); // code 5: keep
        EXPECT_EQ(at(2, 6), "保留现有");
        EXPECT_TRUE(review.button("按决定导入")->isEnabled());
        QTest::keyClick(keys, Qt::Key_Up);
        QTest::keyClick(keys, Qt::Key_Right); // code 4: the package's after all
        EXPECT_EQ(at(1, 6), "采用导入");
        EXPECT_EQ(review.summary()->text(), "新编号3个；已有编号3个：相同1个，保留现有1个，采用导入1个，未决定0个");
        QTest::mouseClick(review.button("按决定导入"), Qt::LeftButton);
    });
    QTest::mouseClick(form.button("处理冲突"), Qt::LeftButton);
    ASSERT_TRUE(reviewed);
    EXPECT_EQ(cell(form, 0, TdlgPackagePreviewForm::ResultColumn), "已导入：新增3，替换1，保留1，相同1");
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].startsWith("导入结束：\nconflicting.dat：已导入：新增3，替换1，保留1，相同1\n冲突处理记录已经保存到："
                                             + QDir(env.documentsFolder()).filePath("数据导入冲突处理记录-")))
        << prompter.shown[0].toStdString();
    Connection& db = SysConnection();
    EXPECT_EQ(count(), 8);
    EXPECT_EQ(db.scalar("select z001 from dt_data where c901 = ?1", {kBase + 4}).toInt(), 999);
    EXPECT_EQ(db.scalar("select c902 from dt_data where c901 = ?1", {kBase + 5}).toString(), "某区工会4");
    EXPECT_EQ(QDir(env.documentsFolder()).entryList({"数据导入冲突处理记录-*.txt"}).size(), 1);
    const QVector<ReceiptEntry> receipts = ReadReceipts(db);
    ASSERT_EQ(receipts.size(), 1);
    EXPECT_EQ(receipts[0].result, "已导入");
    EXPECT_EQ(receipts[0].returns, 6);
    EXPECT_EQ(receipts[0].added, 3);
    EXPECT_EQ(receipts[0].replaced, 1);
    EXPECT_EQ(receipts[0].kept, 1);
}

TEST_F(PackagePreviewTest, AllCodesAtOnceAndTheListKeepsTheDecisions)
{
    const QString west = conflictingPackage();
    prompter.answer(QStringList{west});
    TdlgPackagePreviewForm form;
    ASSERT_TRUE(form.chooseFiles());
    form.packageTable()->setCurrentCell(0, 0);
    {
        const ModalWatch watch = OnModal<TdlgConflictReviewForm>([](TdlgConflictReviewForm& review) {
            review.button("全部采用导入")->click();
            EXPECT_TRUE(review.button("按决定导入")->isEnabled());
            review.button("全部保留现有")->click();
            EXPECT_EQ(review.codeList()->model()->index(1, 6).data().toString(), "保留现有");
            EXPECT_EQ(review.codeList()->model()->index(0, 6).data().toString(), "相同");
            review.button("返  回")->click();
        });
        form.button("处理冲突")->click();
    }
    // Every code decided: the package is ticked, and its row says how.
    EXPECT_EQ(tick(form, 0), Qt::Checked);
    EXPECT_EQ(cell(form, 0, TdlgPackagePreviewForm::ConflictColumn), "相同1，保留2，采用0");
    EXPECT_EQ(count(), 5) << "returning imports nothing";
    form.button("导  入")->click();
    EXPECT_EQ(count(), 8);
    EXPECT_EQ(SysConnection().scalar("select z001 from dt_data where c901 = ?1", {kBase + 4}).toInt(), 3);
}

// A stop keeps the packages imported before it whole and leaves the current one untouched.
TEST_F(PackagePreviewTest, AStopKeepsWhatWasImportedAndTheCurrentPackageUntouched)
{
    const QString first = MakePackage(env, "first", kBase + 101, 3, "甲");
    const QString big = MakePackage(env, "big", kBase + 1001, 12000, "乙");
    const QString last = MakePackage(env, "last", kBase + 20001, 3, "丙");
    prompter.answer(QStringList{first, big, last});
    TdlgPackagePreviewForm form;
    ASSERT_TRUE(form.chooseFiles());
    form.show();
    TProgressBar2LineForm& progress = ProgressBar2LineForm();
    bool blocked = false;
    QTimer stopper;
    stopper.setInterval(0);
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (progress.isVisible() && progress.firstDone() == 1 && progress.stopButton()->isEnabled()) {
            blocked = !form.isEnabled() && progress.isModal();
            QTest::mouseClick(progress.stopButton(), Qt::LeftButton);
        }
    });
    stopper.start();
    form.button("导  入")->click();
    stopper.stop();
    EXPECT_TRUE(blocked) << "while it runs, only the progress window takes input";
    EXPECT_EQ(prompter.shown.last(),
              "导入结束：\nfirst.dat：已导入：新增3\nbig.dat：已停止，未导入\nlast.dat：已停止，未导入");
    EXPECT_EQ(count(), 3);
    EXPECT_FALSE(progress.isVisible());
    EXPECT_TRUE(form.isEnabled());
    EXPECT_TRUE(tickable(form, 1)) << "a stopped package can be imported later";
}

TEST_F(PackagePreviewTest, TheMainWindowOffersThePreview)
{
    SysConnection().close();
    TMainForm main;
    ASSERT_TRUE(RunStartup(main, {false}));
    QAction* action = main.action("查看并导入数据包");
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->isEnabled());
    QToolButton* item = nullptr;
    QToolButton* import = nullptr;
    for (QToolButton* b : main.navigation()->findChildren<QToolButton*>("navItem")) {
        if (b->defaultAction() == action)
            item = b;
        if (b->defaultAction() == main.action("数据导入"))
            import = b;
    }
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->parentWidget(), import->parentWidget()) << "in the group 备份与上报";
    QMenu* process = nullptr;
    for (QAction* a : main.menuBar()->actions())
        if (a->text() == "数据处理")
            process = a->menu();
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(process->actions().contains(action));
    // Cancelling the open dialog ends it at once.
    action->trigger();
    EXPECT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_TRUE(prompter.shown.isEmpty());
}
