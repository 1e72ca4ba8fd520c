// The two windows driven through their controls: "应报单位名单" and "收报情况", its export read
// back with openpyxl, and the main window's actions that open them.
#include "ExchangeFixture.h"

#include "base/Gbk.h"
#include "app/Main.h"
#include "app/Startup.h"
#include "exchange/ExchangeActions.h"
#include "exchange/ExpectedUnits.h"
#include "exchange/PackageExport.h"
#include "exchange/dlgExpected.h"
#include "exchange/dlgReceipts.h"
#include "support/FileSizeLimit.h"
#include "support/OpenpyxlReader.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QTreeView>

namespace {
void click(QPushButton* button)
{
    ASSERT_NE(button, nullptr);
    button->click();
}

QString cellText(QAbstractItemModel* model, int row, int column, const QModelIndex& parent = {})
{
    return model->index(row, column, parent).data().toString();
}

} // namespace

class ExpectedWindowTest : public ExchangeTest {
protected:
    void SetUp() override
    {
        ExchangeTest::SetUp();
        form = std::make_unique<TdlgExpectedForm>();
        form->show();
    }
    std::unique_ptr<TdlgExpectedForm> form;
};

TEST_F(ExpectedWindowTest, ATextFileFillsTheListWhichShowsItsCountAndSources)
{
    EXPECT_EQ(form->countLabel()->text(), "名单中共有 0 个应报单位");
    EXPECT_FALSE(form->button("btnRemove")->isEnabled());
    const QString list = env.path("应报.txt");
    WriteAll(list, GbkEncode("110101000001\t东城区总工会\r\n110101000002,西城区总工会\r\n错误的一行\r\n"));
    prompter.answer(list);
    click(form->button("btnFromText"));
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_EQ(prompter.fileDialogs[0].title, "选择应报单位名单的文本文件");
    EXPECT_EQ(prompter.fileDialogs[0].folder, env.documentsFolder());
    EXPECT_EQ(prompter.shown, QStringList({"从文本文件：应报.txt读入了2个单位，新加入名单2个，名单中现有2个应报单位。\n"
                                           "有1行（条）没有读入：\n第3行：“错误的一行”不是12位的工会统计编码"}));
    EXPECT_EQ(form->countLabel()->text(), "名单中共有 2 个应报单位");
    ASSERT_EQ(form->sourceTable()->rowCount(), 1);
    EXPECT_EQ(form->sourceTable()->item(0, 0)->text(), "文本文件：应报.txt");
    EXPECT_EQ(form->sourceTable()->item(0, 1)->text(), "2");
    QAbstractItemModel* model = form->unitGrid()->model();
    QAbstractItemModelTester tester(model);
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(cellText(model, 0, 0), "110101000001");
    EXPECT_EQ(cellText(model, 1, 1), "西城区总工会");
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "工会统计编码");
    EXPECT_TRUE(form->button("btnRemove")->isEnabled());
}

TEST_F(ExpectedWindowTest, TheReturnsPresentAndADatabaseFileAddToTheListOrReplaceIt)
{
    AddReturns(SysConnection(), 110101000001, 3);
    click(form->button("btnFromReturns"));
    EXPECT_EQ(form->countLabel()->text(), "名单中共有 3 个应报单位");

    const QString package = MakePackage(env, "county", 110101000003, 4, "东城区总工会");
    // Replacing asks first; "否" keeps the list as it is.
    form->replaceChoice()->setChecked(true);
    prompter.answer(package);
    prompter.answer(AnswerNo);
    click(form->button("btnFromDatabase"));
    EXPECT_EQ(prompter.questions, QStringList({"确定要用读入的4个单位替换名单中现有的3个单位吗?"}));
    EXPECT_EQ(form->countLabel()->text(), "名单中共有 3 个应报单位");
    prompter.answer(package);
    prompter.answer(AnswerYes);
    click(form->button("btnFromDatabase"));
    EXPECT_EQ(form->countLabel()->text(), "名单中共有 4 个应报单位");
    EXPECT_EQ(form->sourceTable()->item(0, 0)->text(), "数据库文件：county.dat【东城区总工会】");

    form->addChoice()->setChecked(true);
    click(form->button("btnFromReturns"));
    EXPECT_EQ(form->countLabel()->text(), "名单中共有 6 个应报单位");
    EXPECT_EQ(form->sourceTable()->rowCount(), 2);
    EXPECT_EQ(prompter.shown.last(), "从现有数据读入了3个单位，新加入名单2个，名单中现有6个应报单位。");
}

TEST_F(ExpectedWindowTest, ARefusedFileSaysWhyAndChangesNothing)
{
    const QString text = env.path("a.txt");
    WriteAll(text, QByteArray("PK\x03\x04\0\0binary", 12));
    prompter.answer(text);
    click(form->button("btnFromText"));
    EXPECT_EQ(prompter.shown, QStringList({"所选的文件不是文本文件"}));
    const QString fake = env.path("b.dat");
    WriteAll(fake, "110101000001\n");
    prompter.answer(fake);
    click(form->button("btnFromDatabase"));
    EXPECT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(form->countLabel()->text(), "名单中共有 0 个应报单位");
    // Cancelled dialogs do nothing.
    click(form->button("btnFromText"));
    EXPECT_EQ(prompter.shown.size(), 2);
}

TEST_F(ExpectedWindowTest, SelectedUnitsAreRemovedAfterAsking)
{
    AddReturns(SysConnection(), 110101000001, 4);
    click(form->button("btnFromReturns"));
    prompter.shown.clear();
    click(form->button("btnRemove"));
    EXPECT_EQ(prompter.shown, QStringList({"请先在名单中选择要删除的单位"}));
    QTableView* grid = form->unitGrid();
    grid->selectionModel()->select(grid->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid->selectionModel()->select(grid->model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    prompter.answer(AnswerYes);
    click(form->button("btnRemove"));
    EXPECT_EQ(prompter.questions.last(), "确定要从名单中删除选中的2个单位吗?");
    EXPECT_EQ(form->countLabel()->text(), "名单中共有 2 个应报单位");
    EXPECT_EQ(cellText(grid->model(), 0, 0), "110101000001");
    EXPECT_EQ(cellText(grid->model(), 1, 0), "110101000003");
}

class ReceiptsWindowTest : public ExchangeTest {
protected:
    // Expected: 110101000001..6 (4 in 东城区, 2 in 西城区) and one without a division; returns: the
    // package's three, one of them with errors, and one not expected.
    void SetUp() override
    {
        ExchangeTest::SetUp();
        package = MakePackage(env, "county", 110101000001, 3, "东城区总工会");
        prompter.answer(package);
        prompter.answer(AnswerYes);
        ASSERT_TRUE(ImportPackage("dt_data"));
        prompter.answer(package);
        prompter.answer(AnswerNo);
        ImportPackage("dt_data");
        Connection& db = SysConnection();
        db.executeScript("update dt_data set RecordState = 2 where c901 = 110101000002;"
                         "update dt_data set c901 = 120101000009 where c901 = 110101000003;");
        const ExpectedReading list = ReadExpectedText("110101000001,甲\n110101000002,乙\n110101000004,丁\n110101000005,戊\n"
                                                      "110102000006,己\n110102000007,庚\n130000000001,无地区\n",
                                                      "文本文件：t.txt");
        ASSERT_EQ(StoreExpectedUnits(db, list, ExpectedStoreMode::Add).error, "");
        db.execute("update ct_expected set c903 = 110101 where c901 < 110102000000");
        db.execute("update ct_expected set c903 = 110102 where c901 between 110102000000 and 110102999999");
        prompter.shown.clear();
        prompter.fileDialogs.clear();
        form = std::make_unique<TdlgReceiptsForm>();
        form->show();
    }
    QString package;
    std::unique_ptr<TdlgReceiptsForm> form;
};

TEST_F(ReceiptsWindowTest, TheFiguresTheTreeTheMissingUnitsAndTheRegisterShow)
{
    const QStringList captions = {"应报", "已报", "未报", "不在名单中", "无逻辑错误", "有逻辑错误", "临时保存"};
    QStringList figures;
    for (const QString& c : captions)
        figures << form->figure(c)->text();
    EXPECT_EQ(figures, QStringList({"7", "2", "5", "1", "1", "1", "0"}));

    QAbstractItemModel* tree = form->divisionTree()->model();
    QAbstractItemModelTester tester(tree, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(tree->rowCount(), 2); // 北京市, and the unit without a division
    EXPECT_EQ(cellText(tree, 0, 0), "110000 北京市");
    EXPECT_EQ(cellText(tree, 1, 0), "未填行政区划");
    EXPECT_EQ(tree->headerData(TdlgReceiptsForm::ShareColumn, Qt::Horizontal).toString(), "已报比例");
    const QModelIndex beijing = tree->index(0, 0);
    EXPECT_TRUE(form->divisionTree()->isExpanded(beijing)); // the provinces open at once
    const QModelIndex prefecture = tree->index(0, 0, beijing);
    ASSERT_EQ(tree->rowCount(prefecture), 2);
    const QModelIndex dongcheng = tree->index(0, 0, prefecture);
    EXPECT_EQ(dongcheng.data().toString(), "110101 东城区");
    QStringList row;
    for (int c = 1; c < TdlgReceiptsForm::ColumnCount; ++c)
        row << tree->index(0, c, prefecture).data().toString();
    EXPECT_EQ(row, QStringList({"4", "2", "2", "1", "50.0%"}));
    EXPECT_DOUBLE_EQ(tree->index(0, TdlgReceiptsForm::ShareColumn, prefecture).data(Qt::UserRole).toDouble(), 0.5);
    // Opened, the county shows its missing units.
    form->divisionTree()->expand(dongcheng);
    ASSERT_EQ(tree->rowCount(dongcheng), 2);
    EXPECT_EQ(tree->index(0, 0, dongcheng).data().toString(), "110101000004  丁");
    EXPECT_EQ(tree->index(1, 0, dongcheng).data().toString(), "110101000005  戊");
    EXPECT_EQ(tree->parent(tree->index(1, 0, dongcheng)), dongcheng);
    EXPECT_EQ(tree->rowCount(tree->index(0, 0, dongcheng)), 0);

    form->tabs()->setCurrentIndex(1);
    EXPECT_EQ(form->tabs()->tabText(1), "未报单位");
    QAbstractItemModel* missing = form->missingGrid()->model();
    ASSERT_EQ(missing->rowCount(), 5);
    EXPECT_EQ(cellText(missing, 0, 0), "110101000004");
    EXPECT_EQ(cellText(missing, 0, 3), "北京市东城区");
    EXPECT_EQ(cellText(missing, 4, 0), "130000000001");
    EXPECT_EQ(cellText(missing, 4, 2), "");

    QAbstractItemModel* register_ = form->receiptGrid()->model();
    ASSERT_EQ(register_->rowCount(), 2);
    EXPECT_EQ(cellText(register_, 0, 7), "未导入：未确认标记声明为【东城区总工会】的数据"); // newest first
    EXPECT_EQ(cellText(register_, 1, 7), "已导入");
    EXPECT_EQ(cellText(register_, 1, 4), "3");
    EXPECT_EQ(cellText(register_, 1, 1), package);

    // Refreshed, the window follows the data.
    SysConnection().execute("update dt_data set RecordState = 1");
    click(form->button("btnRefresh"));
    EXPECT_EQ(form->figure("有逻辑错误")->text(), "0");
    EXPECT_EQ(form->figure("无逻辑错误")->text(), "2");
}

TEST_F(ReceiptsWindowTest, TheExportWritesThreeSheetsThatOpenpyxlReads)
{
    const QString path = env.path("收报情况");
    prompter.answer(path);
    click(form->button("btnExport"));
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_EQ(prompter.fileDialogs[0].filter, "Excel 文件(*.xlsx)|*.xlsx");
    EXPECT_EQ(prompter.fileDialogs[0].fileName, "收报情况-" + QDate::currentDate().toString("yyyy-MM-dd"));
    EXPECT_EQ(prompter.shown, QStringList({"收报情况已经正确导出到：'" + path + ".xlsx'！"}));

    const QJsonObject book = ReadWithOpenpyxl(path + ".xlsx");
    ASSERT_FALSE(book.contains("error")) << book["error"].toString().toStdString();
    const QJsonArray sheets = book["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 3);
    const auto cells = [&](int sheet) { return sheets[sheet].toObject()["cells"].toObject(); };
    const auto value = [&](int sheet, const char* ref) { return cells(sheet)[ref].toObject()["value"].toVariant(); };
    EXPECT_EQ(sheets[0].toObject()["name"].toString(), "收报情况");
    EXPECT_EQ(sheets[1].toObject()["name"].toString(), "未报单位");
    EXPECT_EQ(sheets[2].toObject()["name"].toString(), "收件登记");

    EXPECT_EQ(value(0, "A1").toString(), "收报情况");
    EXPECT_TRUE(cells(0)["A1"].toObject()["bold"].toBool());
    EXPECT_EQ(value(0, "B2").toString(), "默认数据库");
    const QStringList figureCaptions = {"应报单位", "已报", "未报", "不在名单中的单位", "已报中无逻辑错误",
                                        "已报中有逻辑错误", "已报中临时保存"};
    const QList<int> figureValues = {7, 2, 5, 1, 1, 1, 0};
    for (int i = 0; i < figureCaptions.size(); ++i) {
        const QByteArray a = "A" + QByteArray::number(5 + i), b = "B" + QByteArray::number(5 + i);
        EXPECT_EQ(value(0, a.constData()).toString(), figureCaptions[i]);
        EXPECT_EQ(value(0, b.constData()).toInt(), figureValues[i]);
        EXPECT_EQ(cells(0)[b.constData()].toObject()["type"].toString(), "int");
    }
    EXPECT_EQ(value(0, "A13").toString(), "行政区划代码");
    EXPECT_EQ(value(0, "G13").toString(), "已报比例");
    EXPECT_EQ(value(0, "A14").toInt(), 110000);
    EXPECT_EQ(value(0, "B14").toString(), "北京市");
    EXPECT_EQ(value(0, "C14").toInt(), 6);
    EXPECT_EQ(value(0, "A16").toInt(), 110101);
    EXPECT_EQ(value(0, "B16").toString(), QString(4, QChar(0x3000)) + "东城区");
    EXPECT_DOUBLE_EQ(value(0, "G16").toDouble(), 0.5);
    EXPECT_EQ(cells(0)["G16"].toObject()["format"].toString(), "0.0%");
    EXPECT_EQ(value(0, "B18").toString(), "未填行政区划");
    EXPECT_FALSE(cells(0).contains("A19"));

    EXPECT_EQ(value(1, "A1").toString(), "工会统计编码");
    EXPECT_EQ(value(1, "A2").toLongLong(), 110101000004LL);
    EXPECT_EQ(cells(1)["A2"].toObject()["format"].toString(), "0");
    EXPECT_EQ(value(1, "B2").toString(), "丁");
    EXPECT_EQ(value(1, "D2").toString(), "北京市东城区");
    EXPECT_EQ(value(1, "A6").toLongLong(), 130000000001LL);
    EXPECT_FALSE(cells(1).contains("A7"));

    // The figures print one page wide, the register across the pages; the shares' column keeps a plain width.
    EXPECT_EQ(sheets[2].toObject()["orientation"].toString(), "landscape");
    EXPECT_FALSE(sheets[2].toObject()["fitToPage"].toBool());
    EXPECT_TRUE(sheets[0].toObject()["fitToPage"].toBool());
    EXPECT_NEAR(sheets[0].toObject()["widths"].toObject()["G"].toDouble(), 10, 1);
    EXPECT_EQ(value(2, "A1").toString(), "接收时间");
    EXPECT_EQ(value(2, "F2").toString(), "未导入：未确认标记声明为【东城区总工会】的数据");
    EXPECT_EQ(value(2, "F3").toString(), "已导入");
    EXPECT_EQ(value(2, "B3").toString(), "county.dat");
    EXPECT_EQ(value(2, "I3").toString(), package);
    EXPECT_EQ(value(2, "E3").toInt(), 3);
    EXPECT_EQ(cells(2)["E3"].toObject()["type"].toString(), "int");
    EXPECT_EQ(value(2, "K3").toString().size(), 64);
    EXPECT_FALSE(cells(2).contains("A4"));
}

TEST_F(ReceiptsWindowTest, TheWorkingDatabaseIsNoTargetAndAFullDiskLeavesNoFile)
{
    // The working database under a workbook's name.
    const QByteArray database = ReadAll(CurrentDatabasePath);
    const QString link = env.path("work.xlsx");
    ASSERT_TRUE(QFile::link(CurrentDatabasePath, link));
    prompter.answer(link);
    click(form->button("btnExport"));
    EXPECT_EQ(prompter.shown, QStringList({"不能把数据导出到正在使用的数据库文件“" + link + "”，请选择其它文件"}));
    EXPECT_EQ(ReadAll(CurrentDatabasePath), database);
    prompter.shown.clear();

    // Enough units for a workbook beyond its first blocks.
    QByteArray lines;
    for (int i = 0; i < 20000; ++i)
        lines += QByteArray::number(140101000000LL + i) + ",某某工会\n";
    ASSERT_EQ(StoreExpectedUnits(SysConnection(), ReadExpectedText(lines, "t"), ExpectedStoreMode::Add).error, "");
    click(form->button("btnRefresh"));
    const QString probe = env.path("probe.xlsx");
    prompter.answer(probe);
    click(form->button("btnExport"));
    const qint64 size = QFileInfo(probe).size();
    ASSERT_GT(size, 100000);
    const QDir folder(env.path(""));
    const QStringList files = folder.entryList(QDir::Files);
    const QString path = env.path("full.xlsx");
    for (const bool older : {false, true}) {
        SCOPED_TRACE(older);
        if (older)
            WriteAll(path, "older file");
        prompter.shown.clear();
        prompter.answer(path);
        if (older)
            prompter.answer(AnswerYes); // replace it
        {
            const FileSizeLimit full{rlim_t(size - 1)};
            click(form->button("btnExport"));
        }
        ASSERT_EQ(prompter.shown.size(), older ? 2 : 1);
        EXPECT_TRUE(prompter.shown.last().startsWith("运行中发生错误：")) << prompter.shown.last().toStdString();
        if (older)
            EXPECT_EQ(ReadAll(path), "older file");
        else
            EXPECT_FALSE(QFile::exists(path));
        QStringList now = folder.entryList(QDir::Files);
        now.removeAll("full.xlsx");
        EXPECT_EQ(now, files); // no temporary file is left either
    }
}

// The main window offers both windows in its navigation and menu; each opens modally.
TEST_F(ExchangeTest, TheMainWindowOpensBothWindows)
{
    SysConnection().close();
    TMainForm form;
    ASSERT_TRUE(RunStartup(form, {false}));
    for (const char* caption : {"应报单位名单", "收报情况"}) {
        QAction* action = form.action(QString::fromUtf8(caption));
        ASSERT_NE(action, nullptr) << caption;
        QString title;
        QTimer::singleShot(0, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                title = modal->windowTitle();
                modal->close();
            }
        });
        action->trigger();
        EXPECT_EQ(title, QString::fromUtf8(caption));
    }
}
