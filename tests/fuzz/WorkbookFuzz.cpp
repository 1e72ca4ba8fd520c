// A workbook template from the program folder (a user may have replaced it) through what the
// summary and the print do to it: opened as a new workbook, rows written and inserted on a
// sheet, values typed at print places, columns fitted, unticked sheets removed, saved; the saved
// workbook must open again.
#include "FuzzTarget.h"

#include "entry/workbook/Workbook.h"
#include "summary/SumWorkbook.h"

#include <QDir>
#include <QFile>

namespace {
// Three result rows of a summary sheet, as the statements give them.
SumSheetRows summaryRows()
{
    SumSheetRows rows;
    rows.columns = {QStringLiteral("z010"), QStringLiteral("z011"), QStringLiteral("cnt")};
    rows.rows = {{QStringLiteral("全国总工会"), {12, 3.5, QVariant()}},
                 {QStringLiteral("省级工会"), {0, -1, 7}},
                 {QStringLiteral("=1+1"), {QStringLiteral("1e3"), QStringLiteral("'x"), 2}}};
    return rows;
}

// The list the summary dialog hands on: one selectable entry per sheet, the first two ticked.
CheckListEntries tickingFirstTwo(int sheets)
{
    CheckListEntries list;
    list << CheckListEntry{QStringLiteral("//封面"), false, 0};
    for (int n = 1; n <= sheets; ++n)
        list << CheckListEntry{QStringLiteral("表%1").arg(n), true, n <= 2 ? 1 : 0};
    return list;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = FuzzInputFile(QStringLiteral("template.xltx"), data, size);
    const QString saved = QDir(FuzzSetUp().scratch).filePath(QStringLiteral("saved.xlsx"));
    QFile::remove(saved);
    try {
        Workbook book = Workbook::OpenTemplate(path);
        const int sheets = book.sheetCount();
        // The summary: a sheet's rows from row 9 down, the breakdown's name above them.
        WriteSumSheet(book, sheets >= 2 ? 2 : 1, SumKind::Level, summaryRows());
        // The print: values typed at the places the print map names, the first columns fitted.
        Worksheet& first = book.sheet(1);
        first.setRange(QStringLiteral("C5"), QStringLiteral("110101000001"));
        first.setRange(QStringLiteral("D12"), QStringLiteral("某区工会"));
        first.setCell(3, 2, QStringLiteral("12.5"));
        (void)first.cellText(2, 1);
        (void)first.lastRow();
        for (int column = 1; column <= 4; ++column)
            first.autoFitColumn(column);
        first.setColumnNumberFormat(2, QStringLiteral("0"));
        first.setFont(5, 3, true, 12);
        RemoveUntickedSheets(book, tickingFirstTwo(sheets));
        book.activateSheet(1);
        book.save(saved);
    } catch (const WorkbookError& e) {
        (void)e.message();
        return 0;
    }
    try {
        Workbook again = Workbook::Open(saved);
        (void)again.sheet(1).cellText(9, 1);
    } catch (const WorkbookError& e) {
        FuzzFault(QStringLiteral("the saved workbook does not open again: ") + e.message());
    }
    return 0;
}
