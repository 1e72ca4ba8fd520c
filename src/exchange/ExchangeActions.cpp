#include "exchange/ExchangeActions.h"

#include "base/Paths.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/PackageExport.h"
#include "exchange/PackageImport.h"
#include "exchange/ReceiptRegister.h"
#include "exchange/UploadCsv.h"
#include "logic/ProgressBar.h"
#include "widgets/Prompter.h"
#include "widgets/SaveFileDialog.h"

#include <QProgressBar>

namespace {
const QString kContact = QStringLiteral(",请与软件发行者联系。");

// The refusal text when returns are unfinished, empty when there are none; errors are shown.
bool refuseUnfinished(const QString& refusal)
{
    try {
        if (UnfinishedReturnCount(SysConnection()) > 0) {
            CurrentPrompter().message(refusal);
            return true;
        }
    } catch (const DbError& e) {
        ShowRunError(e.message(), kContact);
        return true;
    }
    return false;
}

// The save dialog of both exports; empty text when cancelled. Sources are the files the export
// reads besides the working database.
QString askExportFile(const QString& filter, const QString& extension, const QStringList& sources = {})
{
    FileDialogOptions dialog;
    dialog.title = QStringLiteral("导出文件存放为");
    dialog.filter = filter;
    dialog.folder = DocumentsFolder();
    return ChooseSaveFile(dialog, ExtendShortNames(extension), sources);
}

QString importFailureText(const QString& report)
{
    const QString lineBreak = QStringLiteral("\n\r");
    return QStringLiteral("导入过程中发生错误，准备导入的数据可能与现有的") + lineBreak
           + QStringLiteral("数据有重复的内容，详细的内容请参见文件：") + lineBreak + lineBreak + QString(12, QLatin1Char(' '))
           + report + QStringLiteral("。");
}
// The import's failure when the report of its conflicts could not be written.
QString unreportedConflictsText(qsizetype conflicts)
{
    return QStringLiteral("准备导入的数据中有%1个单位的编号与现有的数据重复，"
                          "数据没有导入；编号冲突的报告没有写出。")
        .arg(conflicts);
}
} // namespace

void ExportUploadCsv()
{
    if (refuseUnfinished(QStringLiteral("存在临时保存或逻辑错误的数据，不能导出上报数据!")))
        return;
    const QString path = askExportFile(QStringLiteral("CSV文件(*.csv)|*.csv"), QStringLiteral(".csv"));
    if (path.isEmpty())
        return;
    TProgressBarForm& progress = ProgressBarForm();
    ExchangeHooks hooks;
    hooks.started = [&progress](qint64 total) {
        progress.StartProgress(int(qMin<qint64>(total, INT_MAX)), 0);
        progress.StepProgress();
        progress.setWindowTitle(QStringLiteral("导出上报数据...%1%").arg(progress.bar()->value() * 100
                                                                         / qMax(1, progress.bar()->maximum())));
        progress.show();
    };
    const UploadCsvResult result = WriteUploadCsv(SysConnection(), path, hooks);
    progress.hide();
    if (result.error.isEmpty())
        CurrentPrompter().message(QStringLiteral("导出上报数据成功"));
    else
        ShowRunError(result.error, kContact);
}

void ExportReturns()
{
    if (refuseUnfinished(QStringLiteral("存在临时保存或逻辑错误的数据，不能上报!")))
        return;
    ExportPackage();
}

void ExportPackage()
{
    QString label = DatabaseLabel;
    for (;;) {
        if (!CurrentPrompter().inputText(QStringLiteral("设置数据库标识"),
                                         QStringLiteral("请输入提供数据的单位的名称，长度不要超过200个汉字"), &label, 255))
            return;
        if (label != DefaultDatabaseLabel())
            break;
        CurrentPrompter().message(QStringLiteral("必须修改默认的名称！"));
    }
    const QString path = askExportFile(QStringLiteral("数据加密文件(*.dat)|*.dat"), QStringLiteral(".dat"),
                                       {PackageTemplatePath()});
    if (path.isEmpty())
        return;
    const PackageExportResult result = WritePackage(SysConnection(), PackageTemplatePath(), path, label);
    if (result.error.isEmpty())
        CurrentPrompter().message(QStringLiteral("数据已经被正确导出到：'") + path + QStringLiteral("'！"));
    else
        ShowRunError(result.error, kContact);
}

FileDialogOptions ImportFileDialog(int* filter)
{
    FileDialogOptions dialog;
    dialog.title = QStringLiteral("选择导入文件");
    dialog.filter = QStringLiteral("数据加密文件(*.dat)|*.dat|数据备份文件(*.mdb)|*.mdb");
    dialog.folder = DocumentsFolder();
    dialog.chosenFilter = filter;
    return dialog;
}

bool ImportPackage(const QString& table, const QString& condition)
{
    int filter = 0;
    const QString chosen = CurrentPrompter().openFileName(ImportFileDialog(&filter)); // sets the filter
    const QString path =
        ApplyFileNameRule(chosen, KeepShortNames(filter == 1 ? QStringLiteral(".mdb") : QStringLiteral(".dat")));
    if (path.isEmpty())
        return true;

    // Every file received gets its row in the register, imported or not.
    const ReceiptEntry receipt = StartReceipt(path);
    const auto registerRefusal = [&](const ReceivedFile& source, const QString& reason) {
        const QString error = RegisterRefusal(SysConnection(), receipt, source, reason);
        if (!error.isEmpty())
            ShowRunError(error, kContact);
    };
    const ReceivedFile source(SysConnection(), path, table);
    switch (source.status()) {
    case ReceivedFile::Ready:
        break;
    case ReceivedFile::NotFound:
        CurrentPrompter().message(QStringLiteral("您选择的文件并不存在，请选择其它文件。"));
        return true;
    case ReceivedFile::MissingTable:
    case ReceivedFile::MissingWorkingTable:
        CurrentPrompter().message(source.message());
        registerRefusal(source, source.message());
        return true;
    case ReceivedFile::Refused:
        ShowRunError(source.message(), kContact);
        registerRefusal(source, source.message());
        return true;
    }
    const QString question =
        QStringLiteral("确认准备导入标记声明为【") + ShownLabel(source.label()) + QStringLiteral("】的数据么？");
    if (CurrentPrompter().warningQuestion(QStringLiteral("提示："), question) != AnswerYes) {
        registerRefusal(source, DeclinedReason(ShownLabel(source.label())));
        return false;
    }

    ImportOptions options;
    options.condition = condition;
    QString registerError;
    const ImportResult result = ImportWithReceipt(SysConnection(), source, options, receipt, &registerError);
    if (!registerError.isEmpty())
        ShowRunError(registerError, kContact);
    switch (result.status) {
    case ImportResult::Imported:
        CurrentPrompter().message(QStringLiteral("数据已经被正确地从'") + path + QStringLiteral("'导入！"));
        return true;
    case ImportResult::Conflicts: {
        const QString report = ConflictReportPath();
        QString error;
        if (WriteConflictReport(report, result.conflicts, &error)) {
            CurrentPrompter().openFile(report);
            CurrentPrompter().message(importFailureText(report));
        } else {
            // The message must not send the user to a report that was not written (an older one
            // may still lie there).
            ShowRunError(error, QStringLiteral("\n\r") + unreportedConflictsText(result.conflicts.size()));
        }
        return false;
    }
    case ImportResult::Failed:
        ShowRunError(result.error, kContact);
        return false;
    case ImportResult::Stopped:
        CurrentPrompter().message(result.error);
        return false;
    }
    return false;
}
