// "应报单位名单" and "收报情况" under a window manager, driven with the keyboard and the mouse
// as the X server gets them (xdotool). With TALLYRA_SHOTS_DIR set, the screen is saved at each step.
#include "ExchangeFixture.h"
#include "support/DesktopDriving.h"

#include "base/Gbk.h"
#include "exchange/ExchangeActions.h"
#include "exchange/ExpectedUnits.h"
#include "exchange/PackageExport.h"
#include "exchange/dlgExpected.h"
#include "exchange/dlgReceipts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>

namespace {
// An office above with three counties' packages received, one refused, and a list of 40 units.
class ReceiptsDesktopTest : public ExchangeTest {
protected:
    void SetUp() override
    {
        ExchangeTest::SetUp();
        const struct {
            const char* name;
            qint64 first;
            int count;
            int division;
            const char* label;
        } counties[] = {{"dongcheng", 110101000001, 6, 110101, "东城区总工会"},
                        {"xicheng", 110102000001, 4, 110102, "西城区总工会"},
                        {"heping", 120101000001, 5, 120101, "和平区总工会"}};
        for (const auto& c : counties) {
            const QString county = env.path(QString(c.name) + ".mdb");
            CopyDeliveredDatabase(county);
            Connection db;
            db.open(county);
            AddReturns(db, c.first, c.count);
            db.execute("update dt_data set c903 = ?1", {c.division});
            const QString package = env.path(QString(c.name) + ".dat");
            ASSERT_EQ(WritePackage(db, PackageTemplatePath(), package, QString::fromUtf8(c.label)).error, "");
            prompter.answer(package);
            prompter.answer(AnswerYes);
            ImportPackage("dt_data");
        }
        prompter.answer(env.path("xicheng.dat"));
        prompter.answer(AnswerYes);
        ImportPackage("dt_data"); // again: refused, its codes are here
        SysConnection().executeScript("update dt_data set RecordState = 2 where c901 in (110101000002, 120101000003);"
                                      "update dt_data set RecordState = 0 where c901 = 110102000004;");
        QByteArray list;
        for (int i = 1; i <= 10; ++i)
            list += QByteArray::number(110101000000LL + i) + ",东城区第" + QByteArray::number(i) + "工会\n";
        for (int i = 1; i <= 8; ++i)
            list += QByteArray::number(110102000000LL + i) + ",西城区第" + QByteArray::number(i) + "工会\n";
        for (int i = 1; i <= 6; ++i)
            list += QByteArray::number(120101000000LL + i) + ",和平区第" + QByteArray::number(i) + "工会\n";
        for (int i = 1; i <= 4; ++i)
            list += QByteArray::number(130102000000LL + i) + ",长安区第" + QByteArray::number(i) + "工会\n";
        listFile = env.path("应报单位.txt");
        WriteAll(listFile, GbkEncode(QString::fromUtf8(list)));
        prompter.shown.clear();
    }
    QString listFile;
};
} // namespace

TEST_F(ReceiptsDesktopTest, TheListIsFilledAndThePictureReadByAClerk)
{
    TdlgExpectedForm expected;
    expected.show();
    expected.activateWindow();
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &expected; }));
    settle();
    prompter.answer(listFile);
    clickOn(expected.button("btnFromText"));
    ASSERT_TRUE(waitFor([&] { return expected.units().recordCount() == 28; }));
    EXPECT_EQ(prompter.shown.size(), 1);
    // The units get their divisions (here the first six digits of their codes), so the missing
    // ones find their place in the tree.
    SysConnection().execute("update ct_expected set c903 = cast(c901 / 1000000 as integer)");
    expected.refresh();
    settle();
    shot("i23-1-expected-units");
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitFor([&] { return !expected.isVisible(); }));

    TdlgReceiptsForm receipts;
    receipts.show();
    receipts.activateWindow();
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &receipts; }));
    settle();
    EXPECT_EQ(receipts.figure("应报")->text(), "28");
    EXPECT_EQ(receipts.figure("已报")->text(), "15");
    EXPECT_EQ(receipts.figure("未报")->text(), "13");
    shot("i23-2-receipts-tree");

    // Double clicks on 市辖区 and then on 东城区 open them: its missing units show under it.
    QTreeView* tree = receipts.divisionTree();
    const QModelIndex beijing = tree->model()->index(0, 0);
    const QModelIndex prefecture = tree->model()->index(0, 0, beijing);
    const QModelIndex dongcheng = tree->model()->index(0, 0, prefecture);
    ASSERT_EQ(dongcheng.data().toString(), "110101 东城区");
    for (const QModelIndex& row : {prefecture, dongcheng}) {
        clickAt(tree->viewport()->mapToGlobal(tree->visualRect(row).center()), 2);
        ASSERT_TRUE(waitFor([&] { return tree->isExpanded(row); }));
        settle();
    }
    EXPECT_EQ(tree->model()->rowCount(dongcheng), 4);
    EXPECT_EQ(tree->model()->index(0, 0, dongcheng).data().toString(), "110101000007  东城区第7工会");
    settle();
    shot("i23-3-receipts-county-opened");

    QTabBar* bar = receipts.tabs()->tabBar();
    clickAt(bar->mapToGlobal(bar->tabRect(1).center()));
    ASSERT_TRUE(waitFor([&] { return receipts.tabs()->currentIndex() == 1; }));
    shot("i23-4-receipts-missing");
    clickAt(bar->mapToGlobal(bar->tabRect(2).center()));
    ASSERT_TRUE(waitFor([&] { return receipts.tabs()->currentIndex() == 2; }));
    EXPECT_EQ(receipts.receiptGrid()->model()->rowCount(), 4);
    shot("i23-5-receipts-register");

    const QString book = env.path("收报情况.xlsx");
    prompter.answer(book);
    clickOn(receipts.button("btnExport"));
    ASSERT_TRUE(waitFor([&] { return QFile::exists(book); }));
    if (!qEnvironmentVariableIsEmpty("TALLYRA_SHOTS_DIR"))
        QFile::copy(book, QDir(qEnvironmentVariable("TALLYRA_SHOTS_DIR")).filePath("i23-receipts.xlsx"));
    clickOn(receipts.button("btnClose"));
    ASSERT_TRUE(waitFor([&] { return !receipts.isVisible(); }));
}
