#include "summary/SumWorkbook.h"

#include "base/ValueText.h"
#include "entry/workbook/Workbook.h"
#include "summary/SumReading.h"

namespace {
constexpr int kFirstDataRow = 9;
}

CheckListEntries SumListTicking(const QVector<int>& sheets)
{
    CheckListEntries list = DesignedSumTableList();
    int n = 0;
    for (CheckListEntry& e : list)
        if (e.selectable)
            e.tick = sheets.contains(++n) ? 1 : 0;
    return list;
}

void WriteSumSheet(Workbook& book, int sheet, SumKind kind, const SumSheetRows& rows, const SummaryHooks& hooks)
{
    Worksheet& target = book.sheet(sheet);
    const int labelRow = target.cellText(2, 1).isEmpty() ? 2 : 3;
    // The label is text whatever it looks like.
    target.setCell(labelRow, 1, QLatin1Char('\'') + BreakdownName(kind));
    const int count = int(rows.rows.size());
    const int columns = rows.columns.size() + 1;
    if (hooks.cellsStarted)
        hooks.cellsStarted(count * columns);
    for (int i = 1; i < count; ++i)
        target.insertRow(kFirstDataRow);
    for (int i = 0; i < count; ++i) {
        const SumRow& row = rows.rows[i];
        const int r = kFirstDataRow + i;
        target.setCell(r, 1, QLatin1Char('\'') + row.label);
        for (int c = 0; c < row.values.size(); ++c)
            target.setCell(r, c + 2, FormatValueText(row.values[c]));
        if (hooks.cellsWritten)
            hooks.cellsWritten(columns);
        if (hooks.processEvents)
            hooks.processEvents();
    }
    if (count > 0) {
        target.autoFitColumn(1);
        target.setHorizontalAlignment(QStringLiteral("A%1:A%2").arg(kFirstDataRow).arg(kFirstDataRow + count - 1),
                                      HorizontalAlignment::Left);
    }
}

void SumSheet(Connection& db, Workbook& book, int sheet, SumKind kind, qint64 groupId, const SummaryHooks& hooks)
{
    if (SumStatement(sheet).isEmpty())
        return;
    WriteSumSheet(book, sheet, kind, ComputeSumSheet(db, sheet, kind, kind == SumKind::Group ? groupId : 0), hooks);
}

void RemoveUntickedSheets(Workbook& book, const CheckListEntries& list)
{
    int sheet = SelectableCount(list);
    for (int i = list.size() - 1; i >= 0; --i) {
        if (!list[i].selectable)
            continue;
        if (list[i].tick != 1 && sheet <= book.sheetCount())
            book.deleteSheet(sheet);
        --sheet;
    }
}

std::optional<Workbook> MakeSummaryWorkbook(Connection& db, const QString& templatePath, const SummaryRequest& request,
                                            const SummaryHooks& hooks)
{
    if (TickedSelectableCount(request.list) == 0)
        return std::nullopt;
    Workbook book = Workbook::OpenTemplate(templatePath);
    FillSummaryWorkbook(db, book, request, hooks);
    return book;
}

void FillSummaryWorkbook(Connection& db, Workbook& book, const SummaryRequest& request, const SummaryHooks& hooks)
{
    BuildSumStatements();
    if (hooks.sheetsStarted)
        hooks.sheetsStarted(TickedSelectableCount(request.list));
    QVector<int> ticked;
    for (int sheet = 1; sheet <= SelectableCount(request.list); ++sheet)
        if (IsSheetTicked(request.list, sheet))
            ticked << sheet;
    // Every sheet from one reading of the returns, then written sheet by sheet.
    const QMap<int, SumSheetRows> sums = ComputeSumSheets(db, ticked, request.kind, request.groupId, hooks.processEvents);
    for (int sheet : ticked) {
        if (sums.contains(sheet))
            WriteSumSheet(book, sheet, request.kind, sums[sheet], hooks);
        if (hooks.sheetDone)
            hooks.sheetDone();
        if (hooks.processEvents)
            hooks.processEvents();
    }
    RemoveUntickedSheets(book, request.list);
    // The workbook opens on its first sheet, whichever sheet the template had open.
    if (book.sheetCount() > 0)
        book.activateSheet(1);
}

bool WriteSummaryWorkbook(Connection& db, const QString& templatePath, const SummaryRequest& request,
                          const QString& outPath, const SummaryHooks& hooks)
{
    const std::optional<Workbook> book = MakeSummaryWorkbook(db, templatePath, request, hooks);
    if (!book)
        return false;
    book->save(outPath);
    return true;
}
