#include "entry/NumericEdit.h"
#include "entry/dlgSurveyData.h"
#include "logic/ProgressBar.h"
#include "query/QueryConditions.h"
#include "query/dlgQueryList.h"
#include "widgets/RecordGrid.h"
#include "QueryWindowSupport.h"
#include "support/AnalysisReaders.h"
#include "support/OpenpyxlReader.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <sqlite3.h>

namespace {
class QueryListTest : public QueryWindowTest {
protected:
    std::unique_ptr<TdlgSurveyDataForm> editor;
    std::unique_ptr<TdlgQueryListForm> list;

    void open(const QString& condition)
    {
        list = std::make_unique<TdlgQueryListForm>([this]() -> TdlgSurveyDataForm& {
            if (!editor)
                editor = std::make_unique<TdlgSurveyDataForm>();
            return *editor;
        });
        list->ShowQueryResult(condition);
        list->show();
    }
    QString title(int column) { return list->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(); }
    int columnOf(const QString& field)
    {
        for (int c = 0; c < list->model()->columnCount(); ++c)
            if (list->model()->column(c).fieldName == field)
                return c;
        return -1;
    }
};
} // namespace

TEST_F(QueryListTest, ColumnsComeFromTheCatalogueWithTheSortMarker)
{
    addReturns(3);
    open("where c901>=110101000002");
    EXPECT_EQ(list->windowTitle(), "查询结果列表");
    EXPECT_EQ(list->countLabel()->text(), "符合条件的数据总数：2");
    // the visible catalogue rows only, by field name; the first title carries the marker
    EXPECT_EQ(list->model()->columnCount(), 8);
    EXPECT_EQ(title(0), "本级工会统计编码▲");
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal, Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 0));
    const int name = columnOf("c902");
    ASSERT_GE(name, 0);
    EXPECT_EQ(list->model()->index(0, name).data().toString(), "工会2");
    const int state = columnOf("CheckStateName");
    EXPECT_EQ(list->model()->index(0, state).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter, Qt::AlignHCenter);
}

// The result list's titles take their colour from the palette, as the main list's do, so the
// sorted column's lime shows where a style sheet would paint over it.
TEST_F(QueryListTest, TheSortedColumnsTitleIsDrawnLime)
{
    addReturns(3);
    open("where c901>=110101000001");
    QApplication::processEvents();
    QHeaderView* titles = list->grid()->horizontalHeader();
    const QImage drawn = titles->grab().toImage();
    auto colourAt = [&](int column) {
        return QColor(drawn.pixel(titles->sectionViewportPosition(column) + 3, titles->height() / 2));
    };
    const QColor sorted = colourAt(0);
    EXPECT_GT(sorted.green(), sorted.red() + 60) << sorted.name().toStdString();
    EXPECT_GT(sorted.green(), sorted.blue() + 60) << sorted.name().toStdString();
    const QColor other = colourAt(columnOf("c902"));
    EXPECT_GT(other.blue(), other.red()) << other.name().toStdString();
}

TEST_F(QueryListTest, TitleClicksSortWithTheListsOwnState)
{
    addReturns(3);
    open(QString());
    const int name = columnOf("c902");
    list->grid()->horizontalHeader()->sectionClicked(name);
    EXPECT_EQ(list->sortState(), 2);
    EXPECT_EQ(title(name), "本级工会名称▼");
    EXPECT_EQ(title(0), "本级工会统计编码");
    EXPECT_EQ(list->model()->index(0, name).data().toString(), "工会3");
    list->grid()->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(title(0), "本级工会统计编码▲");
    EXPECT_EQ(title(name), "本级工会名称");
}

TEST_F(QueryListTest, AnOpenedRowNavigatesThroughTheResult)
{
    addReturns(5);
    open("where c901=110101000002 or c901=110101000004");
    list->grid()->setCurrentIndex(list->grid()->model()->index(1, 0));
    // The row indicator follows the row moved to, as in the main list.
    EXPECT_EQ(list->grid()->model()->headerData(1, Qt::Vertical).toString(), CurrentRowMarker());
    EXPECT_NE(list->grid()->model()->headerData(0, Qt::Vertical).toString(), CurrentRowMarker());
    QStringList seen;
    const ModalWatch watch1 = OnModal<TdlgSurveyDataForm>([&seen](TdlgSurveyDataForm& form) {
        seen << form.counter()->text() << QString::number(form.numeric("c901")->intValue());
        form.navigate(0);
        seen << form.counter()->text() << QString::number(form.numeric("c901")->intValue());
        form.navigate(2);
        form.navigate(2); // stays on the last row of the result
        seen << form.counter()->text() << QString::number(form.numeric("c901")->intValue());
        form.tbReturnClick();
    });
    QTest::keyClick(list->grid(), Qt::Key_Return);
    EXPECT_EQ(seen, QStringList({"第2条/共2条", "110101000004", "第1条/共2条", "110101000002", "第2条/共2条",
                                 "110101000004"}));
    EXPECT_EQ(list->reportQuery().text("c901"), "110101000004");
    EXPECT_EQ(list->grid()->currentIndex().row(), 1);
}

TEST_F(QueryListTest, AnEmptyResultOpensNothing)
{
    addReturns(2);
    open("where c901=1");
    EXPECT_EQ(list->countLabel()->text(), "符合条件的数据总数：0");
    list->EditCurrentRecord();
    EXPECT_FALSE(editor);
    list->ExportToAccess();
    EXPECT_EQ(prompter.shown, QStringList({"SaveQueryAsAccess:：出错:数据表为空，不能导出！"}));
    EXPECT_TRUE(prompter.fileDialogs.isEmpty());
}

TEST_F(QueryListTest, TheDotKeyDeletesTheCurrentReturn)
{
    addReturns(3);
    open("where c901>=110101000002");
    list->grid()->setCurrentIndex(list->grid()->model()->index(0, 0));
    list->grid()->clearSelection();
    prompter.answer(AnswerYes);
    QTest::keyClick(list->grid(), Qt::Key_Period);
    EXPECT_EQ(prompter.questions, QStringList({"您确定要删除当前所选择的记录吗?"}));
    EXPECT_EQ(codes(), QStringList({"110101000001", "110101000003"}));
    EXPECT_EQ(list->countLabel()->text(), "符合条件的数据总数：1");
    EXPECT_EQ(list->detailQuery().recordCount(), 1);
}

TEST_F(QueryListTest, TheDatabaseExportWritesEveryColumnOfTheResult)
{
    addReturns(3);
    SysConnection().execute("update dt_data set c902='O''Brien工会' where c901=110101000002");
    open("where c901<=110101000002");
    prompter.answer(env.path("导出"));
    list->ExportToAccess();
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    const FileDialogOptions& dialog = prompter.fileDialogs[0];
    EXPECT_EQ(dialog.title, "导出文件存放为");
    EXPECT_EQ(dialog.filter, "Access文件(*.mdb)|*.mdb");
    EXPECT_EQ(dialog.fileName, "Tallyra查询结果-" + QDate::currentDate().toString("yyyy-MM-dd"));
    const QString file = env.path("导出.mdb");
    ASSERT_EQ(prompter.shown, QStringList({"Access文件已经正确导出到：'" + file + "'！"}));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "select c902, z001 from \"Tallyra查询结果\" order by c901", -1, &stmt, nullptr),
              SQLITE_OK);
    QStringList rows;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        rows << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) + "|"
                    + QString::number(sqlite3_column_int(stmt, 1));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    EXPECT_EQ(rows, QStringList({"工会1|10", "O'Brien工会|20"}));
}

TEST_F(QueryListTest, TheWorkbookExportWritesTheShownColumnsWithoutTheSortMarker)
{
    addReturns(3);
    open("where c901>=110101000002");
    const int name = columnOf("c902");
    list->grid()->horizontalHeader()->sectionClicked(name); // sorted descending by name, title marked
    ASSERT_EQ(title(name), "本级工会名称▼");
    prompter.answer(env.path("结果.XLSX"));
    list->ExportToExcel();
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_EQ(prompter.fileDialogs[0].filter, "Excel 文件(*.xlsx)|*.xlsx");
    EXPECT_EQ(prompter.fileDialogs[0].title, "导出文件存放为");
    // the comparison respects case: ".XLSX" gets ".xlsx" appended
    const QString file = env.path("结果.XLSX.xlsx");
    ASSERT_EQ(prompter.shown, QStringList({"Excel文件已经正确导出到：'" + file}));
    const QJsonObject book = ReadWithOpenpyxl(file);
    ASSERT_FALSE(book.contains("error")) << book["error"].toString().toStdString();
    const QJsonObject cells = book["sheets"].toArray()[0].toObject()["cells"].toObject();
    QStringList titles;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        titles << cells[QString(QChar('A' + c)) + "3"].toObject()["value"].toString();
    EXPECT_EQ(titles, QStringList({"本级工会统计编码", "本级工会名称", "所在地行政区划", "工会层次", "填表人", "联系电话",
                                   "填报状态", "检查状态"}));
    // the rows in the list's order, the words the list shows
    const char nameColumn = char('A' + name);
    EXPECT_EQ(cells[QString(nameColumn) + "5"].toObject()["value"].toString(), "工会3");
    EXPECT_EQ(cells[QString(nameColumn) + "6"].toObject()["value"].toString(), "工会2");
    EXPECT_EQ(cells["A5"].toObject()["value"].toVariant().toLongLong(), 110101000003LL);
    EXPECT_FALSE(cells.contains("A7"));
}

TEST_F(QueryListTest, AnEmptyResultIsNotExported)
{
    addReturns(1);
    open("where c901=5");
    list->ExportToExcel();
    list->ExportToAccess();
    EXPECT_EQ(prompter.shown, QStringList({"SaveQueryAsExcel出错:数据表为空，不能导出！",
                                           "SaveQueryAsAccess:：出错:数据表为空，不能导出！"}));
    EXPECT_TRUE(prompter.fileDialogs.isEmpty());
}

TEST_F(QueryListTest, AFailedWorkbookSaveIsReported)
{
    addReturns(2);
    open(QString());
    QFile plain(env.path("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    prompter.answer(env.path("plain/结果.xlsx"));
    list->ExportToExcel();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].startsWith("运行中发生错误："));
    EXPECT_TRUE(prompter.shown[0].endsWith(",请与系统管理员或软件发行者联系。"));
    EXPECT_FALSE(QFileInfo::exists(env.path("plain/结果.xlsx")));
}

TEST_F(QueryListTest, TheAnalysisExportWritesTheListedReturns)
{
    addReturns(4);
    open("where c901>=110101000002");
    // a return deleted from the list is no longer in it
    list->grid()->setCurrentIndex(list->grid()->model()->index(0, 0));
    list->grid()->clearSelection();
    prompter.answer(AnswerYes);
    QTest::keyClick(list->grid(), Qt::Key_Period);
    prompter.chosenFilter = 1;
    prompter.answer(env.path("分析"));
    list->ExportForAnalysis();
    ASSERT_EQ(prompter.fileDialogs.size(), 1);
    EXPECT_EQ(prompter.fileDialogs[0].filter, "SPSS 数据文件(*.sav)|*.sav|Stata 数据文件(*.dta)|*.dta");
    EXPECT_EQ(prompter.fileDialogs[0].fileName, "Tallyra查询结果-" + QDate::currentDate().toString("yyyy-MM-dd"));
    const QString file = env.path("分析.dta");
    EXPECT_EQ(prompter.shown.last(), "2个单位的分析数据已经正确导出到：'" + file + "'！");
    const QJsonObject read = ReadDtaWithPandas(file);
    ASSERT_FALSE(read.contains("error")) << read["error"].toString().toStdString();
    const QJsonArray rows = read["rows"].toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toArray()[0].toDouble(), 110101000003.0);
    EXPECT_EQ(rows[1].toArray()[0].toDouble(), 110101000004.0);
}

TEST_F(QueryListTest, TheDetailExportAfterAnEditWritesWhatIsStored)
{
    addReturns(3);
    open(QString());
    list->grid()->setCurrentIndex(list->grid()->model()->index(1, 0));
    const ModalWatch watch = OnModal<TdlgSurveyDataForm>([](TdlgSurveyDataForm& form) {
        qobject_cast<QLineEdit*>(form.control("c902"))->setText("改过的工会");
        form.numeric("z001")->setValue(77);
        form.tbHoldClick();
        form.tbReturnClick();
    });
    list->EditCurrentRecord();
    ASSERT_EQ(prompter.shown, QStringList({"数据已经被临时保存。"}));
    prompter.answer(env.path("详细"));
    list->ExportToAccess();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(env.path("详细.mdb").toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "select c902, z001, RecordState from \"Tallyra查询结果\" where c901=110101000002", -1,
                                 &stmt, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))), "改过的工会");
    EXPECT_EQ(sqlite3_column_int(stmt, 1), 77);
    EXPECT_EQ(sqlite3_column_int(stmt, 2), 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

namespace {
// Many returns at once, in one statement: 110101000001.. named 工会1.., z001 = i.
void AddManyReturns(int count)
{
    SysConnection().execute(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < ?1) "
        "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001) "
        "select 110101000000 + i, '工会' || i, 110101, 3, '张伟', '010-1', 1, 1, i from n",
        {count});
}

} // namespace

TEST_F(QueryListTest, WhileAnExportRunsTheListTakesNoClicksOrKeys)
{
    // A title click, a delete and select-all + delete while the workbook export lets events
    // run: sent through the window system, as a mouse and a keyboard send them.
    constexpr int kReturns = 20000;
    AddManyReturns(kReturns);
    open(QString());
    list->grid()->setFocus();
    const int name = columnOf("c902");
    QHeaderView* header = list->grid()->horizontalHeader();
    const QPoint titleAt = header->mapTo(list.get(), QPoint(header->sectionViewportPosition(name) + 10, header->height() / 2));
    QWindow* window = list->windowHandle();
    ASSERT_NE(window, nullptr);
    bool sentDuringExport = false;
    QTimer during;
    during.setInterval(0);
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (!ProgressBarForm().isVisible())
            return;
        during.stop();
        sentDuringExport = ProgressBarForm().done() < ProgressBarForm().total();
        QTest::mouseClick(window, Qt::LeftButton, {}, titleAt);
        QTest::keyClick(window, Qt::Key_Period);
        QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window, Qt::Key_Period);
    });
    during.start();
    prompter.answer(env.path("全部.xlsx"));
    prompter.answer(AnswerYes); // were a delete question asked, it would be answered
    prompter.answer(AnswerYesToAll);
    list->ExportToExcel();
    EXPECT_TRUE(sentDuringExport);
    ASSERT_EQ(prompter.shown, QStringList({"Excel文件已经正确导出到：'" + env.path("全部.xlsx")}));
    // nothing reached the list: no sort, no question, nothing deleted
    EXPECT_EQ(list->sortState(), 1);
    EXPECT_EQ(title(0), "本级工会统计编码▲");
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_EQ(count(), kReturns);
    // every return once, in the list's order
    const QStringList codes = ReadColumnWithOpenpyxl(env.path("全部.xlsx"), 1, 5);
    ASSERT_EQ(codes.size(), kReturns);
    EXPECT_EQ(codes.first(), "110101000001");
    EXPECT_EQ(codes.last(), QString::number(110101000000LL + kReturns));
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end(), [](const QString& a, const QString& b) { return a.toLongLong() < b.toLongLong(); }));
    EXPECT_EQ(QSet<QString>(codes.begin(), codes.end()).size(), kReturns);
    // once the export is over, the list takes clicks again
    EXPECT_FALSE(window->isModal() || QGuiApplication::modalWindow());
    QTest::mouseClick(window, Qt::LeftButton, {}, titleAt);
    EXPECT_EQ(list->sortState(), 2);
}
