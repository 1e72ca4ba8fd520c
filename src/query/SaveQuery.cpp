#include "query/SaveQuery.h"

#include "base/Paths.h"
#include "logic/ProgressBar.h"
#include "logic/ProgressEstimate.h"
#include "query/ResultExport.h"
#include "widgets/Prompter.h"
#include "widgets/SaveFileDialog.h"

#include <QApplication>
#include <QDate>

namespace {
const QString kRunErrorTail = QStringLiteral(",请与系统管理员或软件发行者联系。");

// The file the user chooses, with the extension rule applied; empty when cancelled.
QString ChooseExportFile(const QString& title, const QString& filter, const QString& extension)
{
    FileDialogOptions dialog;
    dialog.title = QStringLiteral("导出文件存放为");
    dialog.folder = DocumentsFolder();
    dialog.filter = filter;
    dialog.fileName = ExportProposedName(title, QDate::currentDate());
    return ChooseSaveFile(dialog, KeepShortNames(extension));
}

// Hooks that drive the single progress window: its bar and the caption with the percentage.
ExportHooks ProgressHooks()
{
    TProgressBarForm& progress = ProgressBarForm();
    ExportHooks hooks;
    hooks.started = [&progress](qint64 total) {
        progress.StartProgress(int(total), 0);
        progress.setWindowTitle(QStringLiteral("数据导出...0%"));
        // The export reads its rows while events run: modal over every window, the progress
        // window keeps clicks and keys from sorting or deleting them meanwhile.
        progress.setWindowModality(Qt::ApplicationModal);
        progress.show();
    };
    hooks.progressed = [&progress](qint64 done) {
        progress.StepProgressTo(int(done));
        progress.setWindowTitle(QStringLiteral("数据导出...%1%").arg(ProgressPercent(progress.done(), progress.total())));
    };
    hooks.processEvents = [] { QApplication::processEvents(); };
    return hooks;
}
void HideProgress()
{
    ProgressBarForm().hide();
    ProgressBarForm().setWindowModality(Qt::NonModal);
    ProgressBarForm().setWindowTitle(QStringLiteral("处理进度"));
}
} // namespace

void SaveQueryAsAccess(RowSet& rows, const QString& title)
{
    if (rows.isEmpty()) {
        CurrentPrompter().message(QStringLiteral("SaveQueryAsAccess:：出错:数据表为空，不能导出！"));
        return;
    }
    const QString path = ChooseExportFile(title, QStringLiteral("Access文件(*.mdb)|*.mdb"), QStringLiteral(".mdb"));
    if (path.isEmpty())
        return;
    const ExportOutcome outcome = WriteResultDatabase(rows, title, path, ProgressHooks());
    HideProgress();
    if (outcome.ok()) {
        CurrentPrompter().message(QStringLiteral("Access文件已经正确导出到：'") + path + QStringLiteral("'！"));
        return;
    }
    ShowRunError(outcome.error, kRunErrorTail);
    if (!outcome.lastStatement.isEmpty())
        CurrentPrompter().message(outcome.lastStatement);
}

void SaveQueryAsExcel(RowSet& rows, const QString& title, const TFieldDataArray& columns)
{
    if (rows.isEmpty()) {
        CurrentPrompter().message(QStringLiteral("SaveQueryAsExcel出错:数据表为空，不能导出！"));
        return;
    }
    const QString path = ChooseExportFile(title, QStringLiteral("Excel 文件(*.xlsx)|*.xlsx"), QStringLiteral(".xlsx"));
    if (path.isEmpty())
        return;
    const ExportOutcome outcome = WriteResultWorkbook(rows, title, columns, path, QDate::currentDate(), ProgressHooks());
    HideProgress();
    if (outcome.ok())
        CurrentPrompter().message(QStringLiteral("Excel文件已经正确导出到：'") + path);
    else
        ShowRunError(outcome.error, kRunErrorTail);
}
