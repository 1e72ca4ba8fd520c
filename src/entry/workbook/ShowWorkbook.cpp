#include "entry/workbook/ShowWorkbook.h"

#include "entry/workbook/Workbook.h"
#include "entry/workbook/WorkbookDocuments.h"
#include "widgets/Prompter.h"

#include <QDir>

QString MakeWorkbookVisible(const Workbook& book, const QString& stem)
{
    QString path;
    try {
        path = SaveToDocuments(book, stem);
    } catch (const WorkbookError& e) {
        ShowRunError(e.message());
        return {};
    }
    ShowSavedWorkbook(path);
    return path;
}

void ShowSavedWorkbook(const QString& path)
{
    if (!CurrentPrompter().openFile(path))
        CurrentPrompter().message(QStringLiteral("工作簿已经保存到：") + QDir::toNativeSeparators(path));
}
