#pragma once

#include "summary/ChoiceFile.h"
#include "summary/SumStatements.h"
#include "entry/workbook/Workbook.h"

#include <QString>
#include <QVector>
#include <functional>
#include <optional>

class Connection;

// The summary template beside the program.
inline const char* SumTemplateFileName()
{
    return "2012基层以上汇总表.xltx";
}

// Progress of a summary run: the first line counts sheets, the second the cells of the sheet
// being written. All may stay empty.
struct SummaryHooks {
    std::function<void(int sheets)> sheetsStarted;
    std::function<void()> sheetDone;
    std::function<void(int cells)> cellsStarted;
    std::function<void(int cells)> cellsWritten;
    std::function<void()> processEvents;
};

// What a summary covers: the breakdown, the grouping for SumKind::Group, and the check list
// whose ticked selectable entries are the sheets (the k-th selectable entry is sheet k).
struct SummaryRequest {
    SumKind kind = SumKind::Level;
    qint64 groupId = 0;
    CheckListEntries list;
};

// The designed summary list with exactly the given sheet numbers ticked (for runs without the
// dialog, such as "sheets 2 to 25").
CheckListEntries SumListTicking(const QVector<int>& sheets);

// Writes one sheet's rows into sheet `sheet` of the workbook: the breakdown name into A2, or
// A3 when A2 holds text; the rows from row 9 down (a row inserted at row 9 for each row after
// the first, taking row 9's styles); column A fitted and A9 to the last row left-aligned.
// Raises WorkbookError.
void WriteSumSheet(Workbook& book, int sheet, SumKind kind, const SumSheetRows& rows, const SummaryHooks& hooks = {});

// Computes sheet n for the breakdown (the grouping for SumKind::Group) and writes it; sheets
// without a statement (the cover, the supplementary sheets) are left as they are.
void SumSheet(Connection& db, Workbook& book, int sheet, SumKind kind, qint64 groupId, const SummaryHooks& hooks = {});

// Removes the sheets of the selectable entries that are not ticked, from the last to the first,
// so the numbers of the sheets still to be looked at stay valid.
void RemoveUntickedSheets(Workbook& book, const CheckListEntries& list);

// Sums each ticked sheet with a statement (all in one reading of the returns) and writes it into
// a workbook made from the template, then removes the sheets of unticked entries and makes the
// first sheet the active one. Raises DbError or WorkbookError.
void FillSummaryWorkbook(Connection& db, Workbook& book, const SummaryRequest& request, const SummaryHooks& hooks = {});

// The whole summary: opens the template, sums and writes each ticked sheet with a statement,
// removes the sheets of unticked entries. Nothing ticked gives no workbook. Raises DbError (a
// statement) or WorkbookError (the template or a sheet).
std::optional<Workbook> MakeSummaryWorkbook(Connection& db, const QString& templatePath, const SummaryRequest& request,
                                            const SummaryHooks& hooks = {});
// The same, saved to a file (complete or not there). False when nothing was ticked.
bool WriteSummaryWorkbook(Connection& db, const QString& templatePath, const SummaryRequest& request,
                          const QString& outPath, const SummaryHooks& hooks = {});
