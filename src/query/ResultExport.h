#pragma once

#include "db/RowSet.h"
#include "model/FieldCatalogue.h"

#include <QDate>
#include <QString>
#include <functional>

// Writing a result (any open row set) into a file for other programs: a workbook with chosen
// columns, or a table of a database file with every column. The query result list and the data
// list export share these; the windows only choose the file and wire the hooks.

// What a column holds, from the type the statement declared (yes/no and dates) or else from
// the values it holds.
enum class ExportKind { Integer32, Integer64, Real, Text, Boolean, DateTime, Unknown };
ExportKind ColumnExportKind(const ColumnValueKinds& kinds);

// The column type of the database export: "VARCHAR(n)" with the longest text, "INTEGER",
// "DOUBLE", "DATE", "BIT" for yes/no; empty text when nothing tells (the engine takes any value).
QString ExportSqlType(const ColumnValueKinds& kinds);
// The number format of a workbook column: "@" for texts, "yyyy-mm-dd" for dates, the money
// format for decimals, "#,##0_ " for whole numbers, "0" for whole numbers beyond 32 bits
// (codes stay readable digits), empty for none.
QString ExportNumberFormat(ExportKind kind);
// The number format of a column by its name and kind: the code fields (c901, c903, c904, c907)
// show plain digits ("0") whatever their size; the others as ExportNumberFormat.
QString ExportColumnFormat(const QString& column, ExportKind kind);
// The export date as the date line shows it: the Chinese short form, "2026-12-10".
QString ExportDateText(const QDate& date);

// The proposed file name: title + "-" + the date as yyyy-mm-dd.
QString ExportProposedName(const QString& title, const QDate& date);
// A column title without a trailing sort marker ("▲" or "▼").
QString TitleWithoutSortMarker(const QString& title);

// The hooks of a running export. started gets the row count; progressed gets the rows done
// and processEvents lets the window system run, both now and then (on a timer, not per row),
// and once more at the end.
struct ExportHooks {
    std::function<void(qint64 total)> started;
    std::function<void(qint64 done)> progressed;
    std::function<void()> processEvents;
};

// How an export ended: error is empty on success; lastStatement is the insert statement in
// use when a database export failed (empty when it failed before the first one).
struct ExportOutcome {
    QString error;
    QString lastStatement;
    bool ok() const { return error.isEmpty(); }
};

// Writes every column of the row set, in its present order, into the table named by the title
// in the database file at path. A missing file is created; an existing one must pass the checks
// of a received file. A table of that name is replaced, the file's other tables stay. Everything
// runs in one transaction through one prepared statement: on failure the file is as it was (a
// file created here is removed). The row set's current row does not move. Neither export writes
// over the working database (RefuseExportTarget).
ExportOutcome WriteResultDatabase(RowSet& rows, const QString& title, const QString& path,
                                  const ExportHooks& hooks = {});

// Writes the columns the descriptors name (ShowName; those with QueryShow false are skipped) into
// a new workbook at path, one sheet named by the title: row 2 "导出日期:" (A2 bold, size 12) and
// the date (ExportDateText) as text in B2, row 3 the Hint of each column, and from row 5 one
// row per record of the row set in its present order. Each column takes the number format of its
// name and kind (ExportColumnFormat); yes/no cells read "是" or "不是", dates are dates (a zero date an empty cell), texts stay
// texts. Rows are streamed, so memory stays bounded; the file is complete or not written at all.
// A descriptor naming no column of the row set is an error before anything is written.
// Both exports fail, writing nothing, when the row set is re-read or re-sorted while their
// hooks let events run (the windows block input meanwhile, so this is a last line of defence).
ExportOutcome WriteResultWorkbook(RowSet& rows, const QString& title, const TFieldDataArray& columns,
                                  const QString& path, const QDate& today, const ExportHooks& hooks = {});
