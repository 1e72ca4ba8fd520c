#pragma once

#include <QString>

// A1-style cell addresses and ranges. Rows and columns count from 1.
struct CellRange {
    int top = 0, left = 0, bottom = 0, right = 0;
};

// "A" for 1, "Z" for 26, "AA" for 27; columns 1 to 16384.
QString ColumnLetters(int column);
// "B5" for row 5, column 2.
QString CellAddress(int row, int column);
// Reads "B5", "$B$5" or "b5"; false when the text is not one cell address in the sheet's limits.
bool ParseCellAddress(const QString& text, int* row, int* column);
// Reads "A9:C12" (corners in any order) or a single cell "B5"; false otherwise.
bool ParseCellRange(const QString& text, CellRange* range);
QString RangeText(const CellRange& range);

// Moves row numbers of plain references in a formula or a list of ranges: every reference to a
// row >= fromRow moves by `by` rows. A reference qualified with a sheet ("Sheet1!A5",
// "'表 1'!A5") moves only when `sheetName` names that sheet; unqualified references move only
// when `moveUnqualified` is true. Text between double quotes is left alone.
QString ShiftRowReferences(const QString& text, int fromRow, int by, const QString& sheetName, bool moveUnqualified);

// The quoted form of a sheet name as formulas and defined names write it: 'name' with ' doubled.
QString QuotedSheetName(const QString& name);
