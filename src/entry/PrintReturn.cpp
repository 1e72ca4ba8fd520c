#include "entry/PrintReturn.h"

#include "base/Paths.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/RecordPrint.h"
#include "entry/workbook/ShowWorkbook.h"
#include "logic/ProgressBar.h"
#include "widgets/Prompter.h"

#include <QDir>

QString PrintReturn(const QString& templateName, const QString& key, bool keepApplication)
{
    TProgressBarForm& progress = ProgressBarForm();
    PrintHooks hooks;
    hooks.started = [&progress](int pages) {
        progress.StartProgress(pages, 0);
        progress.show();
    };
    hooks.stepped = [&progress] { progress.StepProgress(); };
    const QString path = QDir(ProgramFolder()).filePath(templateName);
    try {
        Workbook book = FillPrintWorkbook(SysConnection(), path, key, !keepApplication, hooks);
        progress.hide();
        return MakeWorkbookVisible(book, templateName);
    } catch (const PrintTemplateError& e) {
        progress.hide();
        CurrentPrompter().message(QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office中的Excel\n") + e.cause());
    } catch (const DbError& e) {
        progress.hide();
        ShowRunError(e.message());
    } catch (const WorkbookError& e) {
        progress.hide();
        ShowRunError(e.message());
    }
    return {};
}
