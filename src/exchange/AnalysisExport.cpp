#include "exchange/AnalysisExport.h"

#include "base/Paths.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/AnalysisFile.h"
#include "logic/ProgressBar.h"
#include "logic/ProgressEstimate.h"
#include "query/ResultExport.h"
#include "widgets/Prompter.h"
#include "widgets/SaveFileDialog.h"

#include <QApplication>
#include <QDate>
#include <QScopeGuard>

namespace {
const QString kRunErrorTail = QStringLiteral(",请与系统管理员或软件发行者联系。");
}

void SaveReturnsForAnalysis(const QString& condition, const QVariantList& params, const QString& title)
{
    Connection& db = SysConnection();
    try {
        if (db.scalar(QStringLiteral("select count(*) from dt_data ") + condition, params).toLongLong() ==
            0) {
            CurrentPrompter().message(QStringLiteral("没有符合条件的数据，不能导出！"));
            return;
        }
    } catch (const DbError& e) {
        ShowRunError(e.message(), kRunErrorTail);
        return;
    }

    int filter = 0;
    FileDialogOptions dialog;
    dialog.title = QStringLiteral("导出文件存放为");
    dialog.folder = DocumentsFolder();
    dialog.filter = AnalysisFileFilter();
    dialog.fileName = ExportProposedName(title, QDate::currentDate());
    dialog.chosenFilter = &filter;
    const QString path = ChooseSaveFile(dialog, [](int index) {
        return KeepShortNames(AnalysisFileExtension(AnalysisFormatOfFilter(index)));
    });
    if (path.isEmpty())
        return;
    AnalysisFileRequest request;
    request.format = AnalysisFormatOfFilter(filter);
    request.condition = condition;
    request.params = params;
    request.databaseLabel = DatabaseLabel;
    request.exportTime = QDateTime::currentDateTime();

    // The window only shows the run: nothing else may touch the returns until it ends.
    TProgressBarForm& progress = ProgressBarForm();
    const Qt::WindowModality modality = progress.windowModality();
    progress.setWindowModality(Qt::ApplicationModal);
    const auto restore = qScopeGuard([&progress, modality] {
        progress.hide();
        progress.setWindowModality(modality);
        progress.setWindowTitle(QStringLiteral("处理进度"));
    });
    ExchangeHooks hooks;
    hooks.started = [&progress](qint64 total) {
        progress.StartProgress(int(qMin<qint64>(total, INT_MAX)), 0);
        progress.setWindowTitle(QStringLiteral("导出分析数据...0%"));
        progress.show();
        QApplication::processEvents();
    };
    hooks.stepped = [&progress](qint64 done) {
        progress.StepProgressTo(int(qMin<qint64>(done, INT_MAX)));
        progress.setWindowTitle(
            QStringLiteral("导出分析数据...%1%").arg(ProgressPercent(progress.done(), progress.total())));
        QApplication::processEvents();
    };
    const AnalysisFileResult result = WriteAnalysisFile(db, path, request, hooks);
    progress.hide();
    if (result.ok())
        CurrentPrompter().message(
            QStringLiteral("%1个单位的分析数据已经正确导出到：'%2'！").arg(result.rows).arg(path));
    else
        ShowRunError(result.error, kRunErrorTail);
}
