#pragma once

#include <QString>
#include <QVector>

#include <memory>

// A new workbook written row by row in bounded memory, for exports of any size (100,000 rows of
// 220 columns take about the memory of one row): each sheet's rows go to a temporary file as they
// are written and are packed into the workbook at close().
//
// Use: open with the target path, addSheet, set column formats and widths, writeRow for each row
// in order (rows of a sheet are written top to bottom, once), then close(). The workbook is
// written under a temporary name beside the target and renamed over it by close(), so the
// target is either complete or untouched. The first failure is kept; later calls do nothing and
// close() returns its text. Destroying an unclosed writer discards everything.

// The font of a row's cells: bold and size (0: the default size) for title rows.
struct RowFont {
    bool bold = false;
    double size = 0;
    bool isSet() const { return bold || size > 0; }
};

// One cell of a row.
struct StreamCell {
    enum Kind { Empty, Number, Text };
    Kind kind = Empty;
    double number = 0;
    QString text;
    RowFont font; // the cell's own font; a cell without one takes its row's

    static StreamCell fromNumber(double value) { return {Number, value, {}, {}}; }
    static StreamCell fromText(const QString& value) { return {Text, 0, value, {}}; }
    // As if typed: numeric text becomes a number, a leading apostrophe keeps the rest as text,
    // empty text an empty cell (the rules of Worksheet::setCell).
    static StreamCell typed(const QString& value);
    StreamCell inFont(const RowFont& cellFont) const
    {
        StreamCell c = *this;
        c.font = cellFont;
        return c;
    }
};

struct StreamingWorkbookState;

class StreamingWorkbook {
public:
    explicit StreamingWorkbook(const QString& path);
    ~StreamingWorkbook();
    StreamingWorkbook(const StreamingWorkbook&) = delete;
    StreamingWorkbook& operator=(const StreamingWorkbook&) = delete;

    // Starts a new sheet (names as Worksheet names: at most 31 characters, none of []:*?/\,
    // unique); the rows and column settings that follow belong to it.
    void addSheet(const QString& name);
    // Column settings of the current sheet; columns count from 1. A number format ("0",
    // "#,##0.00", "@") applies to every cell written in the column afterwards.
    void setColumnWidth(int column, double width);
    void setColumnFormat(int column, const QString& numberFormat);
    // Every cell written in the column afterwards, texts too, sits at the right: the title of a
    // column of numbers then stands over its numbers.
    void setColumnRightAligned(int column);
    // Fits the width of every column of the current sheet to its texts at close (wide
    // characters count double), as Worksheet::autoFitColumn does; a set width is kept. Numbers
    // count as their column's format shows them, and keep a character's room from the right
    // border (an indent, unless the format pads them itself as "#,##0_ " does), so a
    // right-aligned code does not run into the next column's text.
    void setAutoFit(bool autoFit);
    // Print settings of the current sheet: its columns shrunk to one page wide; across the page.
    void setFitToPageWidth();
    void setLandscape();

    // Prints the current sheet landscape on A4, one page wide, with the row titleRow (counted
    // from 1; 0: none) repeated at the top of every page.
    void setPrintLandscapeOnePageWide(int titleRow);

    // Writes the next row of the current sheet (row 1 first).
    void writeRow(const QVector<StreamCell>& cells, const RowFont& font = {});
    // Rows written to the current sheet so far.
    int rowCount() const;

    // Finishes the workbook; empty text on success, the reason otherwise.
    QString close();
    // The first failure so far, empty while there is none.
    QString error() const;

private:
    std::unique_ptr<StreamingWorkbookState> d;
};
