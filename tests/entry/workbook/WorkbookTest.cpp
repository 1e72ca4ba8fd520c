#include "entry/workbook/CellAddress.h"
#include "entry/workbook/CellText.h"
#include "entry/workbook/Workbook.h"
#include "entry/workbook/ZipPackage.h"
#include "support/OpenpyxlReader.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>

#include <gtest/gtest.h>
#include <xlsxwriter.h>

namespace {
QByteArray utf8(const QString& s)
{
    return s.toUtf8();
}

// A sheet laid out like the summary sheets: a title merged over A1:D1, headings in rows 4 to 8
// (B4:B8 merged, E8:E9 merged across the data start), a ruled blank row 9, a text in A10, a
// formula in D12 and a print area.
void addSummaryLikeSheet(lxw_workbook* wb, const QString& name)
{
    lxw_worksheet* ws = workbook_add_worksheet(wb, utf8(name).constData());
    lxw_format* ruled = workbook_add_format(wb);
    format_set_border(ruled, LXW_BORDER_THIN);
    worksheet_merge_range(ws, 0, 0, 0, 3, utf8(name + QStringLiteral(" 标题")).constData(), nullptr);
    worksheet_merge_range(ws, 3, 1, 7, 1, "heading B", nullptr);
    worksheet_merge_range(ws, 7, 4, 8, 4, "E8:E9", nullptr);
    for (int c = 0; c < 4; ++c)
        worksheet_write_blank(ws, 8, lxw_col_t(c), ruled);
    worksheet_write_string(ws, 9, 0, "tail", nullptr);
    worksheet_write_formula(ws, 11, 3, "=SUM(B9:B10)", nullptr);
    worksheet_print_area(ws, 0, 0, 11, 3);
}

QString makeFixture(const QString& path, const QStringList& sheetNames)
{
    lxw_workbook* wb = workbook_new(QFile::encodeName(path).constData());
    for (const QString& name : sheetNames)
        addSummaryLikeSheet(wb, name);
    EXPECT_EQ(workbook_close(wb), LXW_NO_ERROR);
    return path;
}

QJsonObject sheetOf(const QJsonObject& book, int index)
{
    return book[QStringLiteral("sheets")].toArray().at(index).toObject();
}

QJsonObject cellOf(const QJsonObject& sheet, const QString& address)
{
    return sheet[QStringLiteral("cells")].toObject()[address].toObject();
}

QStringList sheetNames(const QJsonObject& book)
{
    QStringList names;
    for (const auto& s : book[QStringLiteral("sheets")].toArray())
        names << s.toObject()[QStringLiteral("name")].toString();
    return names;
}

QStringList merged(const QJsonObject& sheet)
{
    QStringList ranges;
    for (const auto& r : sheet[QStringLiteral("merged")].toArray())
        ranges << r.toString();
    return ranges;
}

QByteArray entryBytes(const QString& zip, const QString& name)
{
    QVector<ZipEntry> entries;
    QString error;
    EXPECT_TRUE(ReadZipEntries(zip, &entries, &error)) << error.toStdString();
    for (const ZipEntry& e : entries)
        if (e.name == name)
            return e.data;
    return {};
}
} // namespace

TEST(CellAddress, ParsesAndWritesAddresses)
{
    int r = 0, c = 0;
    EXPECT_TRUE(ParseCellAddress(QStringLiteral("B5"), &r, &c));
    EXPECT_EQ(r, 5);
    EXPECT_EQ(c, 2);
    EXPECT_TRUE(ParseCellAddress(QStringLiteral("$aa$10"), &r, &c));
    EXPECT_EQ(c, 27);
    for (const char* bad : {"", "5B", "A0", "XFE1", "A1:B2", "Sheet1!A1"})
        EXPECT_FALSE(ParseCellAddress(QString::fromLatin1(bad), &r, &c)) << bad;
    EXPECT_EQ(ColumnLetters(16384), QStringLiteral("XFD"));
    EXPECT_EQ(CellAddress(9, 26), QStringLiteral("Z9"));
    CellRange range;
    EXPECT_TRUE(ParseCellRange(QStringLiteral("C12:A9"), &range));
    EXPECT_EQ(RangeText(range), QStringLiteral("A9:C12"));
}

TEST(CellAddress, ShiftsRowReferencesOfOneSheetOnly)
{
    struct Case {
        const char* text;
        const char* moved;
    } cases[] = {
        {"SUM(B9:B10)", "SUM(B10:B11)"},
        {"A8+A9", "A8+A10"},
        {"$A$12*2", "$A$13*2"},
        {"'表 一'!A9+Other!A9", "'表 一'!A10+Other!A9"},
        {"\"A9\"&A9", "\"A9\"&A10"},
        {"LOG10(A9)", "LOG10(A10)"},
        {"'表 一'!$A$1:$D$12", "'表 一'!$A$1:$D$13"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShiftRowReferences(QString::fromUtf8(c.text), 9, 1, QStringLiteral("表 一"), true), QString::fromUtf8(c.moved))
            << c.text;
    // Names of the workbook: only references qualified with the sheet move.
    EXPECT_EQ(ShiftRowReferences(QStringLiteral("A9"), 9, 1, QStringLiteral("S"), false), QStringLiteral("A9"));
}

TEST(Workbook, CellsWrittenAsIfTypedReadBackAsNumberOrString)
{
    TestEnvironment env(TestEnvironment::Empty);
    struct Case {
        const char* typed;
        bool number;
        const char* text; // as the layer reads it back
    } cases[] = {
        {"12", true, "12"},        {"-3.5", true, "-3.5"},         {" 7 ", true, "7"},
        {"1e3", true, "1000"},     {"0012", true, "12"},           {"110000000001", true, "110000000001"},
        {"abc", false, "abc"},     {"12a", false, "12a"},          {"'0012", false, "0012"},
        {"工会", false, "工会"},   {"1,234", false, "1,234"},      {"", false, ""},
    };
    Workbook book = Workbook::CreateEmpty();
    Worksheet& sheet = book.sheet(1);
    int row = 1;
    for (const Case& c : cases)
        sheet.setCell(row++, 2, QString::fromUtf8(c.typed));
    sheet.setRange(QStringLiteral("C1"), QStringLiteral("x"));
    sheet.setRange(QStringLiteral("C1"), QString()); // empty text clears the value
    EXPECT_THROW(sheet.setRange(QStringLiteral("C0"), QStringLiteral("x")), WorkbookError);
    const QString path = env.path(QStringLiteral("typed.xlsx"));
    book.save(path);

    Workbook reread = Workbook::Open(path);
    const QJsonObject seen = ReadWithOpenpyxl(path);
    ASSERT_FALSE(seen.contains(QStringLiteral("error"))) << seen[QStringLiteral("error")].toString().toStdString();
    row = 1;
    for (const Case& c : cases) {
        const QString address = CellAddress(row, 2);
        EXPECT_EQ(reread.sheet(1).cellText(row, 2), QString::fromUtf8(c.text)) << c.typed;
        EXPECT_EQ(reread.sheet(1).cellIsNumber(row, 2), c.number) << c.typed;
        const QJsonObject cell = cellOf(sheetOf(seen, 0), address);
        if (*c.typed == 0) {
            EXPECT_TRUE(cell.isEmpty()) << c.typed;
        } else {
            const QString type = cell[QStringLiteral("type")].toString();
            EXPECT_TRUE(c.number ? (type == QStringLiteral("int") || type == QStringLiteral("float")) : type == QStringLiteral("str"))
                << c.typed << " read as " << type.toStdString();
            EXPECT_EQ(cell[QStringLiteral("value")].toVariant().toString(), QString::fromUtf8(c.text)) << c.typed;
        }
        ++row;
    }
    EXPECT_TRUE(cellOf(sheetOf(seen, 0), QStringLiteral("C1")).isEmpty());
    // -3.5 is the one float of the table.
    EXPECT_EQ(cellOf(sheetOf(seen, 0), QStringLiteral("B2"))[QStringLiteral("type")].toString(), QStringLiteral("float"));
}

TEST(Workbook, TextTypedIntoATextCellStaysText)
{
    // A cell formatted "@" keeps digits as typed, as a spreadsheet does: a telephone keeps its
    // leading 0 and "1e3" is no thousand. The general cell beside it turns them into numbers.
    TestEnvironment env(TestEnvironment::Empty);
    struct Case {
        const char* typed;
        const char* asText;   // read back from the "@" cell, a string
        const char* asNumber; // read back from the general cell, a number
    } cases[] = {
        {"01065123456", "01065123456", "1065123456"}, {"1e3", "1e3", "1000"}, {"0012", "0012", "12"},
        {"12", "12", "12"},                           {" 7 ", " 7 ", "7"},
    };
    Workbook book = Workbook::CreateEmpty();
    Worksheet& sheet = book.sheet(1);
    sheet.setColumnNumberFormat(2, QStringLiteral("@"));
    int row = 1;
    for (const Case& c : cases) {
        sheet.setCell(row, 1, QString::fromUtf8(c.typed));
        sheet.setCell(row, 2, QString::fromUtf8(c.typed));
        ++row;
    }
    const QString path = env.path(QStringLiteral("text.xlsx"));
    book.save(path);
    const QJsonObject seen = ReadWithOpenpyxl(path);
    ASSERT_FALSE(seen.contains(QStringLiteral("error"))) << seen[QStringLiteral("error")].toString().toStdString();
    row = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const QJsonObject text = cellOf(sheetOf(seen, 0), CellAddress(row, 2));
        EXPECT_EQ(text[QStringLiteral("type")].toString(), QStringLiteral("str"));
        EXPECT_EQ(text[QStringLiteral("value")].toString(), QString::fromUtf8(c.asText));
        EXPECT_EQ(text[QStringLiteral("format")].toString(), QStringLiteral("@"));
        const QJsonObject general = cellOf(sheetOf(seen, 0), CellAddress(row, 1));
        EXPECT_NE(general[QStringLiteral("type")].toString(), QStringLiteral("str"));
        EXPECT_EQ(general[QStringLiteral("value")].toVariant().toString(), QString::fromUtf8(c.asNumber));
        ++row;
    }
}

TEST(CellText, NumbersAsTheirFormatShowsThem)
{
    struct Case {
        double value;
        const char* format;
        const char* shown;
    } cases[] = {
        {110101000001, "0", "110101000001"},
        {110101, "#,##0_ ", "110,101 "},
        {-1234567, "#,##0_ ", "-1,234,567 "},
        {12, "#,##0_ ", "12 "},
        {1234.5, "￥#,##0.00;￥-#,##0.00", "￥1,234.50"},
        {-7, "￥#,##0.00;￥-#,##0.00", "￥-7.00"},
        {2.5, "", "2.5"},
        {2.5, "@", "2.5"},
        {46336, "yyyy-mm-dd", "2026-11-10"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DisplayedNumber(c.value, QString::fromUtf8(c.format)), QString::fromUtf8(c.shown)) << c.format;
}

TEST(Workbook, RowsInsertedAtRowNineEndInReverseOrderWithTheLayoutShifted)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString fixture = makeFixture(env.path(QStringLiteral("summary.xlsx")), {QStringLiteral("表 一")});
    Workbook book = Workbook::Open(fixture);
    Worksheet& sheet = book.sheet(1);
    for (int i = 1; i <= 3; ++i) {
        if (i > 1)
            sheet.insertRow(9);
        sheet.setCell(9, 1, QStringLiteral("row %1").arg(i));
        sheet.setCell(9, 2, QString::number(i * 10));
    }
    EXPECT_EQ(sheet.cellText(9, 1), QStringLiteral("row 3"));
    EXPECT_EQ(sheet.cellText(11, 1), QStringLiteral("row 1"));
    const QString out = env.path(QStringLiteral("filled.xlsx"));
    book.save(out);

    const QJsonObject seen = ReadWithOpenpyxl(out);
    ASSERT_FALSE(seen.contains(QStringLiteral("error"))) << seen[QStringLiteral("error")].toString().toStdString();
    const QJsonObject s = sheetOf(seen, 0);
    EXPECT_EQ(cellOf(s, QStringLiteral("A9"))[QStringLiteral("value")].toString(), QStringLiteral("row 3"));
    EXPECT_EQ(cellOf(s, QStringLiteral("A10"))[QStringLiteral("value")].toString(), QStringLiteral("row 2"));
    EXPECT_EQ(cellOf(s, QStringLiteral("A11"))[QStringLiteral("value")].toString(), QStringLiteral("row 1"));
    EXPECT_EQ(cellOf(s, QStringLiteral("B11"))[QStringLiteral("value")].toInt(), 10);
    EXPECT_EQ(cellOf(s, QStringLiteral("A12"))[QStringLiteral("value")].toString(), QStringLiteral("tail"));
    EXPECT_EQ(cellOf(s, QStringLiteral("D14"))[QStringLiteral("value")].toString(), QStringLiteral("=SUM(B11:B12)"));
    EXPECT_TRUE(cellOf(s, QStringLiteral("A1"))[QStringLiteral("value")].toString().endsWith(QStringLiteral("标题")));
    // Merged headings above stay, the range across the data start grows with each row.
    EXPECT_EQ(merged(s), (QStringList{QStringLiteral("A1:D1"), QStringLiteral("B4:B8"), QStringLiteral("E8:E11")}));
    EXPECT_EQ(s[QStringLiteral("printArea")].toString(), QStringLiteral("$A$1:$D$14"));
    // The new rows are ruled like the row they pushed down.
    for (const char* address : {"C9", "C10", "C11"})
        EXPECT_TRUE(cellOf(s, QString::fromLatin1(address))[QStringLiteral("border")].toBool()) << address;
}

TEST(Workbook, SheetsDeletedFromTheBottomUpLeaveTheRestInOrder)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QStringList names = {QStringLiteral("封面"), QStringLiteral("表一"), QStringLiteral("表二"), QStringLiteral("表三"),
                               QStringLiteral("表四")};
    const QString fixture = makeFixture(env.path(QStringLiteral("five.xlsx")), names);
    Workbook book = Workbook::Open(fixture);
    ASSERT_EQ(book.sheetCount(), 5);
    for (int n : {4, 2})
        book.deleteSheet(n);
    EXPECT_EQ(book.sheetCount(), 3);
    EXPECT_EQ(book.sheet(3).name(), QStringLiteral("表四"));
    EXPECT_EQ(book.sheetNumber(QStringLiteral("表二")), 2);
    EXPECT_THROW(book.deleteSheet(4), WorkbookError);
    const QString out = env.path(QStringLiteral("three.xlsx"));
    book.save(out);

    const QJsonObject seen = ReadWithOpenpyxl(out);
    ASSERT_FALSE(seen.contains(QStringLiteral("error"))) << seen[QStringLiteral("error")].toString().toStdString();
    EXPECT_EQ(sheetNames(seen), (QStringList{QStringLiteral("封面"), QStringLiteral("表二"), QStringLiteral("表四")}));
    // Each remaining sheet keeps its own print area.
    EXPECT_EQ(sheetOf(seen, 2)[QStringLiteral("printArea")].toString(), QStringLiteral("$A$1:$D$12"));
    EXPECT_EQ(sheetOf(seen, 1)[QStringLiteral("printArea")].toString(), QStringLiteral("$A$1:$D$12"));
    EXPECT_EQ(cellOf(sheetOf(seen, 2), QStringLiteral("A1"))[QStringLiteral("value")].toString(), QStringLiteral("表四 标题"));
    // The print areas still name their own sheets by place.
    const QString workbookXml = QString::fromUtf8(entryBytes(out, QStringLiteral("xl/workbook.xml")));
    EXPECT_TRUE(workbookXml.contains(QStringLiteral("localSheetId=\"2\">'表四'!$A$1:$D$12"))) << workbookXml.toStdString();
    EXPECT_TRUE(workbookXml.contains(QStringLiteral("localSheetId=\"1\">'表二'!$A$1:$D$12")));
    EXPECT_FALSE(workbookXml.contains(QStringLiteral("表三")));
    const QJsonArray parts = seen[QStringLiteral("parts")].toArray();
    EXPECT_FALSE(parts.contains(QStringLiteral("xl/worksheets/sheet2.xml")));
    EXPECT_FALSE(parts.contains(QStringLiteral("xl/worksheets/sheet4.xml")));
    EXPECT_FALSE(seen[QStringLiteral("contentTypes")].toString().contains(QStringLiteral("sheet4.xml")));

    // Down to one sheet, which stays.
    Workbook again = Workbook::Open(out);
    again.deleteSheet(3);
    again.deleteSheet(1);
    EXPECT_THROW(again.deleteSheet(1), WorkbookError);
    again.save(out);
    EXPECT_EQ(sheetNames(ReadWithOpenpyxl(out)), QStringList{QStringLiteral("表二")});
}

TEST(Workbook, RenamedSheetKeepsItsPrintAreaAndRefusesBadNames)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString fixture = makeFixture(env.path(QStringLiteral("two.xlsx")), {QStringLiteral("A"), QStringLiteral("B")});
    Workbook book = Workbook::Open(fixture);
    book.renameSheet(2, QStringLiteral("查询结果"));
    EXPECT_EQ(book.sheet(QStringLiteral("查询结果")).name(), QStringLiteral("查询结果"));
    for (const char* bad : {"", "A", "a", "x/y", "[1]", "0123456789012345678901234567890123"})
        EXPECT_THROW(book.renameSheet(2, QString::fromUtf8(bad)), WorkbookError) << bad;
    const QString out = env.path(QStringLiteral("renamed.xlsx"));
    book.save(out);
    const QJsonObject seen = ReadWithOpenpyxl(out);
    EXPECT_EQ(sheetNames(seen), (QStringList{QStringLiteral("A"), QStringLiteral("查询结果")}));
    EXPECT_EQ(sheetOf(seen, 1)[QStringLiteral("printArea")].toString(), QStringLiteral("$A$1:$D$12"));
}

TEST(Workbook, TemplateOpenedAsNewWorkbookSavesAsWorkbook)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString xltx = env.path(QStringLiteral("form.xltx"));
    {
        Workbook book = Workbook::Open(makeFixture(env.path(QStringLiteral("form.xlsx")), {QStringLiteral("表")}));
        EXPECT_FALSE(book.isTemplate());
        book.setTemplate(true);
        book.save(xltx);
    }
    const QJsonObject asTemplate = ReadWithOpenpyxl(xltx);
    EXPECT_TRUE(asTemplate[QStringLiteral("template")].toBool());
    EXPECT_TRUE(asTemplate[QStringLiteral("contentTypes")].toString().contains(QStringLiteral("spreadsheetml.template.main+xml")));

    Workbook book = Workbook::OpenTemplate(xltx);
    EXPECT_FALSE(book.isTemplate());
    book.sheet(1).setCell(9, 1, QStringLiteral("填写"));
    const QString out = env.path(QStringLiteral("filled.xlsx"));
    book.save(out);
    const QJsonObject seen = ReadWithOpenpyxl(out);
    ASSERT_FALSE(seen.contains(QStringLiteral("error")));
    EXPECT_FALSE(seen[QStringLiteral("template")].toBool());
    EXPECT_TRUE(seen[QStringLiteral("contentTypes")].toString().contains(QStringLiteral("spreadsheetml.sheet.main+xml")));
    EXPECT_FALSE(seen[QStringLiteral("contentTypes")].toString().contains(QStringLiteral("template")));
    EXPECT_EQ(cellOf(sheetOf(seen, 0), QStringLiteral("A9"))[QStringLiteral("value")].toString(), QStringLiteral("填写"));
}

TEST(Workbook, MalformedPackagesGiveAnErrorText)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString good = makeFixture(env.path(QStringLiteral("good.xlsx")), {QStringLiteral("S")});
    QVector<ZipEntry> entries;
    QString error;
    ASSERT_TRUE(ReadZipEntries(good, &entries, &error));

    // Each case: a package made from the good one with one part changed or removed.
    struct Case {
        const char* name;
        const char* part;      // the part changed
        const char* contents;  // nullptr removes the part
    } cases[] = {
        {"no content types", "[Content_Types].xml", nullptr},
        {"no root relationships", "_rels/.rels", nullptr},
        {"no workbook", "xl/workbook.xml", nullptr},
        {"workbook not XML", "xl/workbook.xml", "<workbook><sheets>"},
        {"sheet part missing", "xl/worksheets/sheet1.xml", nullptr},
        {"sheet not XML", "xl/worksheets/sheet1.xml", "\x01\x02 not xml"},
        {"no sheets", "xl/workbook.xml", "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>"},
    };
    for (const Case& c : cases) {
        QVector<ZipEntry> changed;
        for (const ZipEntry& e : entries) {
            if (e.name != QString::fromLatin1(c.part))
                changed << e;
            else if (c.contents)
                changed << ZipEntry{e.name, QByteArray(c.contents)};
        }
        const QString path = env.path(QString::fromLatin1(c.name) + QStringLiteral(".xlsx"));
        ASSERT_TRUE(WriteZipEntries(path, changed, &error));
        try {
            Workbook::Open(path);
            ADD_FAILURE() << c.name << " opened";
        } catch (const WorkbookError& e) {
            EXPECT_FALSE(e.message().isEmpty()) << c.name;
        }
    }
    // Not a zip at all, an empty file, and no file.
    const QString text = env.path(QStringLiteral("text.xlsx"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is not a workbook");
    f.close();
    QFile(env.path(QStringLiteral("empty.xlsx"))).open(QIODevice::WriteOnly);
    for (const QString& path : {text, env.path(QStringLiteral("empty.xlsx")), env.path(QStringLiteral("missing.xlsx"))})
        EXPECT_THROW(Workbook::Open(path), WorkbookError) << path.toStdString();
}

TEST(Workbook, FontsFormatsAlignmentAndFittedWidthsReachOtherReaders)
{
    TestEnvironment env(TestEnvironment::Empty);
    Workbook book = Workbook::CreateEmpty();
    Worksheet& s = book.sheet(1);
    s.setCell(1, 1, QStringLiteral("标题"));
    s.setFont(1, 1, true, 12);
    s.setCell(2, 1, QStringLiteral("工会组织建设状况")); // 8 wide characters: 16 units
    s.setCell(2, 3, QStringLiteral("abcdefghijklmnop"));  // 16 narrow characters
    s.setCell(2, 2, QStringLiteral("12.5"));
    s.setColumnNumberFormat(2, QStringLiteral("0.00"));
    s.setCell(3, 2, QStringLiteral("7")); // written after the column format: takes it
    s.setColumnNumberFormat(4, QStringLiteral("@"));
    s.setColumnNumberFormat(5, QStringLiteral("G/通用格式"));
    s.setCell(1, 4, QStringLiteral("x"));
    s.setHorizontalAlignment(QStringLiteral("A2:A4"), AlignmentFromCode(-4131));
    s.autoFitColumn(1);
    s.autoFitColumn(3);
    s.autoFitColumn(6); // empty: keeps the default width
    EXPECT_TRUE(s.cellIsBold(1, 1));
    EXPECT_FALSE(s.cellIsBold(2, 1));
    EXPECT_EQ(s.cellFontSize(1, 1), 12);
    EXPECT_EQ(s.cellNumberFormat(3, 2), QStringLiteral("0.00"));
    EXPECT_EQ(s.columnWidth(6), 0);
    // Wide characters count double: the same count of units gives the same width.
    EXPECT_NEAR(s.columnWidth(1), s.columnWidth(3), 0.01);
    EXPECT_GT(s.columnWidth(1), 16);
    const QString out = env.path(QStringLiteral("styles.xlsx"));
    book.save(out);

    const QJsonObject seen = ReadWithOpenpyxl(out);
    ASSERT_FALSE(seen.contains(QStringLiteral("error"))) << seen[QStringLiteral("error")].toString().toStdString();
    const QJsonObject sheet = sheetOf(seen, 0);
    EXPECT_EQ(sheet[QStringLiteral("name")].toString(), QStringLiteral("Sheet1"));
    EXPECT_TRUE(cellOf(sheet, QStringLiteral("A1"))[QStringLiteral("bold")].toBool());
    EXPECT_EQ(cellOf(sheet, QStringLiteral("A1"))[QStringLiteral("size")].toDouble(), 12);
    EXPECT_FALSE(cellOf(sheet, QStringLiteral("A2"))[QStringLiteral("bold")].toBool());
    EXPECT_EQ(cellOf(sheet, QStringLiteral("B2"))[QStringLiteral("format")].toString(), QStringLiteral("0.00"));
    EXPECT_EQ(cellOf(sheet, QStringLiteral("B3"))[QStringLiteral("format")].toString(), QStringLiteral("0.00"));
    EXPECT_EQ(cellOf(sheet, QStringLiteral("D1"))[QStringLiteral("format")].toString(), QStringLiteral("@"));
    EXPECT_EQ(cellOf(sheet, QStringLiteral("A3"))[QStringLiteral("align")].toString(), QStringLiteral("left"));
    EXPECT_EQ(cellOf(sheet, QStringLiteral("A1"))[QStringLiteral("align")].toString(), QString());
    EXPECT_NEAR(sheet[QStringLiteral("widths")].toObject()[QStringLiteral("A")].toDouble(), s.columnWidth(1), 0.01);
}

TEST(Workbook, UntouchedPartsAreWrittenBackByteForByte)
{
    TestEnvironment env(TestEnvironment::Empty);
    const QString fixture = makeFixture(env.path(QStringLiteral("two.xlsx")), {QStringLiteral("A"), QStringLiteral("B")});
    Workbook book = Workbook::Open(fixture);
    book.sheet(1).setCell(20, 1, QStringLiteral("changed"));
    const QString out = env.path(QStringLiteral("out.xlsx"));
    book.save(out);
    for (const char* part : {"xl/worksheets/sheet2.xml", "xl/styles.xml", "xl/workbook.xml", "docProps/app.xml"})
        EXPECT_EQ(entryBytes(out, QString::fromLatin1(part)), entryBytes(fixture, QString::fromLatin1(part))) << part;
    EXPECT_NE(entryBytes(out, QStringLiteral("xl/worksheets/sheet1.xml")), entryBytes(fixture, QStringLiteral("xl/worksheets/sheet1.xml")));
}

TEST(Workbook, FailedSaveLeavesTheTargetAndNoTemporaryFile)
{
    TestEnvironment env(TestEnvironment::Empty);
    Workbook book = Workbook::CreateEmpty();
    // The target is a folder: the rename fails after the package was written.
    const QString folder = env.path(QStringLiteral("taken.xlsx"));
    QDir().mkpath(folder + QStringLiteral("/inside"));
    EXPECT_THROW(book.save(folder), WorkbookError);
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/inside")).isDir());
    EXPECT_EQ(QDir(env.path(QString())).entryList({QStringLiteral("*.part")}, QDir::Files).size(), 0);
    // A folder that cannot be made.
    QFile file(env.path(QStringLiteral("plain")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_THROW(book.save(env.path(QStringLiteral("plain/x.xlsx"))), WorkbookError);
}
