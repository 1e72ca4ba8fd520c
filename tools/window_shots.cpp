// Opens the program's windows on a copy of the delivered data with a few sample returns and
// saves a picture of each: the main window, the record editor's cover and data pages, the error
// list, the check dialog, the label box, the grouping dialogs, the summary dialog, the search and
// query dialogs and the result list; and a summary workbook by union level.
// Usage: window_shots DELIVERED_FOLDER OUTPUT_FOLDER   (run on a display, e.g. under xvfb-run)
#include "SampleReturns.h"
#include "app/Main.h"
#include "app/Startup.h"
#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "entry/dlgSurveyData.h"
#include "logic/MessageListWin.h"
#include "logic/dlgCheck.h"
#include "widgets/InputTextDialog.h"
#include "summary/Grouping.h"
#include "summary/dlgGroupItem.h"
#include "summary/dlgGroupList.h"
#include "summary/SumWorkbook.h"
#include "summary/dlgSum.h"
#include "entry/MVValidEdit.h"
#include "query/DataSearchCode.h"
#include "query/QueryConditions.h"
#include "query/dlgDataSearch.h"
#include "query/dlgDelete.h"
#include "query/dlgLocate.h"
#include "query/dlgQueryList.h"
#include "query/dlgSearch.h"
#include "widgets/CodePicker.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

namespace {
void save(QWidget& window, const QString& path)
{
    QApplication::processEvents();
    if (!window.grab().save(path))
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
    else
        std::printf("saved %s\n", qPrintable(path));
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_shots DELIVERED_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir from(QString::fromLocal8Bit(argv[1]));
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QTemporaryDir home;
    for (const QString& name : from.entryList({"*.mdb", "*.dll", "*.zul", "*.xltx"}, QDir::Files))
        QFile::copy(from.filePath(name), home.filePath(name));
    QDir(home.path()).mkpath("notes");
    for (const QString& name : QDir(from.filePath("notes")).entryList(QDir::Files))
        QFile::copy(from.filePath("notes/" + name), home.filePath("notes/" + name));
    QFile::setPermissions(home.filePath("2012NB_zul.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    {
        Connection db;
        db.open(home.filePath("2012NB_zul.mdb"));
        FillSampleReturns(db, 12);
    }
    qputenv("TALLYRA_HOME", home.path().toUtf8());
    qputenv("TALLYRA_SETTINGS_DIR", home.filePath("settings").toUtf8());

    TMainForm form;
    if (!RunStartup(form, {false}))
        return 1;
    form.setGeometry(QApplication::primaryScreen()->availableGeometry());
    form.show();
    save(form, out + "/main.png");

    form.reportQuery().moveTo(4); // a union that reports data
    TdlgSurveyDataForm& editor = form.surveyDataForm();
    editor.openForModify(&form.reportQuery());
    editor.show();
    save(editor, out + "/editor-cover.png");
    for (int page : {1, 6, 13}) {
        editor.pages()->setCurrentIndex(page);
        save(editor, out + QStringLiteral("/editor-page%1.png").arg(page));
    }
    editor.pages()->setCurrentIndex(1);
    editor.checkAllPageRules();
    save(MessageListWin(), out + "/error-list.png");
    editor.button("tbSave")->setEnabled(false);
    editor.close();

    TdlgCheckForm check(&form);
    check.show();
    save(check, out + "/check-dialog.png");
    check.StartCheckProgress(100000, 0);
    for (int i = 0; i < 37000; ++i)
        check.StepCheckProgress();
    check.findChild<QWidget*>("progressGroup")->show();
    check.setFixedHeight(255);
    save(check, out + "/check-dialog-running.png");
    check.close();

    TInputTextForm label(QStringLiteral("设置数据库标识"), QStringLiteral("请输入提供数据的单位的名称，长度不要超过200个汉字"),
                         QStringLiteral("默认数据库"), 255, &form);
    label.show();
    save(label, out + "/label-box.png");
    // Groupings: two of them, the first with three items sorted by the lower bound.
    const qint64 group = CreateGrouping(SysConnection(), "按地区");
    CreateGrouping(SysConnection(), "按行业");
    const struct {
        const char* title;
        qint64 low, high;
    } items[] = {{"北京市东城区", 110101000000, 110101999999},
                 {"北京市朝阳区", 110105000000, 110105999999},
                 {"河北省石家庄市", 130100000000, 130199999999}};
    for (const auto& it : items) {
        GroupItem item;
        item.groupId = group;
        item.title = QString::fromUtf8(it.title);
        item.low = it.low;
        item.high = it.high;
        SaveGroupItem(SysConnection(), item);
    }
    TdlgGroupListForm groups(&form);
    groups.show();
    save(groups, out + "/group-list.png");
    TdlgGroupItemForm groupItems(&groups);
    groupItems.setGroup(group, "按地区");
    groupItems.show();
    groupItems.titleClicked(1);
    save(groupItems, out + "/group-items.png");
    groupItems.close();
    groups.close();

    TdlgSumForm sum(&form);
    sum.show();
    sum.tableList()->item(0)->setCheckState(Qt::Checked);
    sum.tableList()->item(2)->setCheckState(Qt::Checked);
    sum.tableList()->item(3)->setCheckState(Qt::Checked);
    sum.tableList()->setCurrentRow(3);
    save(sum, out + "/sum-dialog.png");
    sum.close();

    // One summary sheet by union level, for a spreadsheet application to draw.
    SummaryRequest request{SumKind::Level, 0, SumListTicking({2})};
    WriteSummaryWorkbook(SysConnection(), QDir(home.path()).filePath(SumTemplateFileName()), request,
                         out + "/summary-by-level.xlsx");
    std::printf("saved %s\n", qPrintable(out + "/summary-by-level.xlsx"));

    // Search and query: the four dialogs, the indicator picker and the result list.
    const EditorProvider editorOf = [&form]() -> TdlgSurveyDataForm& { return form.surveyDataForm(); };
    auto choose = [](QLineEdit* box, const TMenuItemDataArray& codes, int code) {
        box->setText(FindCodeName(codes, code));
        SetEditTag(box, code);
    };
    TdlgSearchForm search(editorOf, {}, &form);
    choose(search.lc1, OperatorList(), 4);
    search.number1->setText(form.reportQuery().text("c901"));
    choose(search.lc3, OperatorList(), 5);
    search.number2->setText(QString::number(form.reportQuery().toInt("c901") + 5));
    search.show();
    save(search, out + "/search-dialog.png");
    search.close();

    TdlgLocateForm locate(&form.reportQuery(), {}, &form);
    locate.rad902->setChecked(true);
    locate.c902->setText(QStringLiteral("总工会"));
    locate.show();
    save(locate, out + "/locate-dialog.png");
    locate.close();

    TdlgDataSearchForm dataSearch(editorOf, {}, &form);
    dataSearch.DataField->setText(QStringLiteral("z001"));
    choose(dataSearch.lc1, OperatorList(), 4);
    dataSearch.Number1->setText(QStringLiteral("10"));
    choose(dataSearch.lc3, OperatorList(), 3);
    dataSearch.Number2->setText(QStringLiteral("500"));
    dataSearch.show();
    save(dataSearch, out + "/indicator-query.png");
    dataSearch.close();

    TDataSearchCodeForm picker(&form);
    picker.pageList()->setCurrentRow(2);
    picker.indicatorList()->setCurrentCell(3, 0);
    picker.show();
    save(picker, out + "/indicator-picker.png");
    picker.close();

    TdlgDeleteForm remove(form.recordGrid(), form.recordModel(), {}, &form);
    remove.Range->setChecked(true);
    remove.c901_1->setText(form.reportQuery().text("c901"));
    remove.show();
    save(remove, out + "/delete-dialog.png");
    remove.close();

    TdlgQueryListForm results(editorOf, &form);
    results.ShowQueryResult(QStringLiteral("where c907<=2"));
    results.show();
    results.grid()->horizontalHeader()->sectionClicked(1);
    results.grid()->selectRow(2);
    save(results, out + "/result-list.png");
    results.close();
    return 0;
}
