#pragma once

#include <QString>

#include <memory>
#include <stdexcept>

// The workbook layer: an Office Open XML package (.xlsx workbook or .xltx template) loaded into
// memory, edited in place and written back. Parts that no operation touched are written back
// byte for byte. It stands in for the spreadsheet application the program drives: every
// operation is named after the automation operation it replaces.
//
// Failures raise WorkbookError with a text for the user (a file that is not a workbook, a
// missing part, broken XML, a sheet number out of range, a bad cell address, a failed save).
// A save that fails leaves the target as it was.
//
// Typical use (the summary): Workbook book = Workbook::OpenTemplate(path); Worksheet& s =
// book.sheet(n); s.cellText(2, 1); s.setCell(9, c, text); s.insertRow(9); book.deleteSheet(k);
// book.activateSheet(1); then MakeWorkbookVisible(book, "2012基层以上汇总表.xltx")
// (entry/workbook/ShowWorkbook.h). Large new workbooks are written with StreamingWorkbook.

class WorkbookError : public std::runtime_error {
public:
    explicit WorkbookError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// Horizontal alignment of cells. The automation codes are accepted through AlignmentFromCode.
enum class HorizontalAlignment { General, Left, Center, Right };
// -4131 left, -4108 center, -4152 right, 1 general; anything else is general.
HorizontalAlignment AlignmentFromCode(int code);

struct WorkbookParts;
struct SheetState;

// One worksheet of a workbook; owned by the workbook, valid until that sheet is deleted or the
// workbook is destroyed.
class Worksheet {
public:
    QString name() const;

    // Cells ("Cells", "Range" write): the text is taken as if typed: numeric text ("12",
    // "-3.5", "1e3", with blanks around) becomes a number, other text a string, a leading
    // apostrophe keeps the rest as a string, empty text clears the value. In a cell formatted
    // as text ("@") every text stays a string, as a spreadsheet keeps it. The cell keeps its
    // style; a new cell takes its row's or column's style.
    void setCell(int row, int column, const QString& typed);
    // The same at an address such as "B5"; raises WorkbookError on an address that is not one cell.
    void setRange(const QString& address, const QString& typed);
    // A cell's value as text: numbers in their plain decimal form ("12", "12.5"), strings as
    // they are, empty text for an empty or missing cell.
    QString cellText(int row, int column) const;
    bool cellIsNumber(int row, int column) const;
    // The last row that holds a row element (0 when the sheet has none).
    int lastRow() const;

    // "Cells.EntireRow.Insert": a blank row above `row`. Rows from `row` on, their cells, merged
    // ranges, row breaks, the sheet's own formulas, conditional formats, validations, the
    // dimension and the defined names of this sheet (print areas, titles) move down by one; a
    // merged range that spans the row grows. The new row takes the styles of the row it pushed down.
    void insertRow(int row);

    // "Range.HorizontalAlignment" on a range such as "A9:A12".
    void setHorizontalAlignment(const QString& range, HorizontalAlignment alignment);
    // "Cells.font.bold", "Cells.font.size" of one cell; a size <= 0 keeps the size.
    void setFont(int row, int column, bool bold, double size);
    // "Columns.NumberFormatLocal": the column and every cell in it get the format ("0", "@",
    // "#,##0.00", "G/通用格式" or "General" for general).
    void setColumnNumberFormat(int column, const QString& format);
    // The format code of a cell ("General" when it has none).
    QString cellNumberFormat(int row, int column) const;
    bool cellIsBold(int row, int column) const;
    double cellFontSize(int row, int column) const;

    // "Columns.EntireColumn.AutoFit": the width fits the longest text in the column (CJK and
    // other wide characters count double, larger fonts count more); cells merged across columns
    // do not count. A column without text keeps its width.
    void autoFitColumn(int column);
    // Width in characters; 0 when the column has the default width.
    double columnWidth(int column) const;

private:
    friend class Workbook;
    explicit Worksheet(SheetState* state) : m_state(state) {}
    SheetState* m_state;
};

class Workbook {
public:
    // "Workbooks.Open" on a template: a new workbook based on it. Saved, it is a workbook (the
    // main part's content type is the workbook type, whatever the file was).
    static Workbook OpenTemplate(const QString& path);
    // Opens a package to edit it as it is (a template stays a template).
    static Workbook Open(const QString& path);
    // "Workbooks.Add": a new workbook with one empty sheet "Sheet1".
    static Workbook CreateEmpty();

    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;
    ~Workbook();

    int sheetCount() const;
    // "WorkSheets(n)", "WorkSheets(name)": n counts from 1, names are matched without regard to
    // letter case. Raises WorkbookError when there is no such sheet.
    Worksheet& sheet(int number);
    Worksheet& sheet(const QString& name);
    // 0 when no sheet has the name.
    int sheetNumber(const QString& name) const;

    // Worksheet "Name" (write). Raises WorkbookError for an empty name, one longer than 31
    // characters, one with []:*?/\ or one another sheet has. Defined names and formulas that
    // name the sheet follow it.
    void renameSheet(int number, const QString& name);
    // "Sheets.Delete": removes the sheet's part, its relationship, its content-type entry, the
    // defined names (print areas) that belong to or point at it; a workbook keeps at least one sheet.
    void deleteSheet(int number);

    // "Sheets.Select", "Activate": the sheet shown when the workbook is opened.
    void activateSheet(int number);
    int activeSheet() const;

    bool isTemplate() const;
    // Whether save writes a template (.xltx) or a workbook (.xlsx).
    void setTemplate(bool isTemplate);

    // "SaveAs": writes the package to a temporary file beside the target and renames it over
    // the target, so the target is either the complete new file or untouched.
    void save(const QString& path) const;

private:
    Workbook();
    std::unique_ptr<WorkbookParts> d;
};
