// Builds the workbook templates delivered beside the program from their descriptions in data/:
//   2011打印表.xltx, 2012打印表.xltx   the printed survey form (data/print_form.txt); the
//                                       catalogue's print map in the system data file must be
//                                       the one this layout gives
//   2012基层以上汇总表.xltx             the summary workbook (data/summary_template.txt)
// Usage: make_workbook_templates DATA_FOLDER OUTPUT_FOLDER (the system data file is read there)
#include "DataTool.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "entry/PrintForm.h"
#include "entry/workbook/CellText.h"
#include "entry/workbook/Workbook.h"
#include "model/FieldCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <xlsxwriter.h>

#include <cmath>
#include <cstdio>

namespace {
using DataTool::fail;
using DataTool::g_data;
using DataTool::g_out;
using DataTool::readText;

QByteArray u8(const QString& s)
{
    return s.toUtf8();
}

// The formats of one workbook, made on first use.
struct Formats {
    lxw_workbook* book;
    QHash<QString, lxw_format*> made;
    lxw_format* get(const QString& key, const std::function<void(lxw_format*)>& setUp)
    {
        if (lxw_format* f = made.value(key))
            return f;
        lxw_format* f = workbook_add_format(book);
        format_set_font_name(f, "宋体");
        format_set_font_size(f, 11);
        setUp(f);
        made.insert(key, f);
        return f;
    }
};

// Rows a wrapped text needs in a cell `units` characters wide.
int linesFor(const QString& text, double units)
{
    return std::max(1, int(std::ceil(DisplayUnits(text) / units)));
}

// Writes the workbook through libxlsxwriter into a scratch file, then stores it as a template.
template <typename Fill>
void writeTemplate(const QString& name, Fill fill)
{
    const QString scratch = QDir(g_out).filePath(name + QStringLiteral(".build.xlsx"));
    lxw_workbook* book = workbook_new(QFile::encodeName(scratch).constData());
    if (!book)
        fail(QStringLiteral("cannot write %1").arg(scratch));
    Formats formats{book, {}};
    fill(book, formats);
    if (workbook_close(book) != LXW_NO_ERROR)
        fail(QStringLiteral("cannot write %1").arg(scratch));
    try {
        Workbook made = Workbook::Open(scratch);
        made.setTemplate(true);
        made.save(QDir(g_out).filePath(name));
    } catch (const WorkbookError& e) {
        fail(e.message());
    }
    QFile::remove(scratch);
}

// ---- the printed form ----

void writePrintForm(lxw_workbook* book, Formats& f, const QVector<PrintFormSheet>& sheets)
{
    const double widths[] = {8, 44, 18, 16};
    const double textUnits = 76; // A to D, less the margins of the merged cell
    for (const PrintFormSheet& sheet : sheets) {
        lxw_worksheet* ws = workbook_add_worksheet(book, u8(sheet.name).constData());
        for (int c = 0; c < 4; ++c)
            worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), widths[c], nullptr);
        worksheet_set_paper(ws, 9); // A4
        worksheet_set_portrait(ws);
        worksheet_fit_to_pages(ws, 1, 0);
        worksheet_center_horizontally(ws);
        worksheet_set_margins(ws, 0.5, 0.5, 0.6, 0.6);
        lxw_format* title = f.get("title", [](lxw_format* x) {
            format_set_bold(x);
            format_set_font_size(x, 16);
            format_set_align(x, LXW_ALIGN_CENTER);
            format_set_align(x, LXW_ALIGN_VERTICAL_CENTER);
        });
        lxw_format* note = f.get("note", [](lxw_format* x) {
            format_set_text_wrap(x);
            format_set_align(x, LXW_ALIGN_VERTICAL_TOP);
        });
        lxw_format* heading = f.get("heading", [](lxw_format* x) {
            format_set_bold(x);
            format_set_font_size(x, 12);
            format_set_text_wrap(x);
            format_set_align(x, LXW_ALIGN_VERTICAL_CENTER);
        });
        lxw_format* label = f.get("label", [](lxw_format* x) { format_set_align(x, LXW_ALIGN_VERTICAL_CENTER); });
        lxw_format* coverValue = f.get("coverValue", [](lxw_format* x) {
            format_set_bottom(x, LXW_BORDER_THIN);
            format_set_align(x, LXW_ALIGN_LEFT);
            format_set_num_format(x, "0");
        });
        // Names, the form filler and the telephone are text: "01065123456" keeps its 0.
        lxw_format* coverText = f.get("coverText", [](lxw_format* x) {
            format_set_bottom(x, LXW_BORDER_THIN);
            format_set_align(x, LXW_ALIGN_LEFT);
            format_set_num_format(x, "@");
        });
        lxw_format* head = f.get("head", [](lxw_format* x) {
            format_set_bold(x);
            format_set_border(x, LXW_BORDER_THIN);
            format_set_align(x, LXW_ALIGN_CENTER);
            format_set_align(x, LXW_ALIGN_VERTICAL_CENTER);
            format_set_bg_color(x, 0xE8E8E8);
        });
        lxw_format* code = f.get("code", [](lxw_format* x) {
            format_set_border(x, LXW_BORDER_THIN);
            format_set_align(x, LXW_ALIGN_CENTER);
            format_set_align(x, LXW_ALIGN_VERTICAL_CENTER);
        });
        lxw_format* caption = f.get("caption", [](lxw_format* x) {
            format_set_border(x, LXW_BORDER_THIN);
            format_set_text_wrap(x);
            format_set_align(x, LXW_ALIGN_VERTICAL_CENTER);
        });
        lxw_format* value = f.get("value", [](lxw_format* x) {
            format_set_border(x, LXW_BORDER_THIN);
            format_set_align(x, LXW_ALIGN_RIGHT);
            format_set_align(x, LXW_ALIGN_VERTICAL_CENTER);
        });
        lxw_format* textValue = f.get("textValue", [](lxw_format* x) {
            format_set_border(x, LXW_BORDER_THIN);
            format_set_align(x, LXW_ALIGN_LEFT);
            format_set_align(x, LXW_ALIGN_VERTICAL_CENTER);
            format_set_num_format(x, "@");
        });
        for (const PrintFormLine& l : sheet.lines) {
            const lxw_row_t r = lxw_row_t(l.row - 1);
            switch (l.kind) {
            case PrintFormLine::Title:
                worksheet_merge_range(ws, r, 0, r, 3, u8(l.text).constData(), title);
                worksheet_set_row(ws, r, 30, nullptr);
                break;
            case PrintFormLine::Note:
                worksheet_merge_range(ws, r, 0, r, 3, u8(l.text).constData(), note);
                worksheet_set_row(ws, r, 15 * linesFor(l.text, textUnits), nullptr);
                break;
            case PrintFormLine::PageHeading:
                worksheet_merge_range(ws, r, 0, r, 3, u8(l.text).constData(), heading);
                worksheet_set_row(ws, r, 18 * linesFor(l.text, textUnits * 11 / 12), nullptr);
                break;
            case PrintFormLine::Blank:
                break;
            case PrintFormLine::CoverField:
                worksheet_merge_range(ws, r, 0, r, 1, u8(l.text).constData(), label);
                worksheet_merge_range(ws, r, 2, r, 3, "", l.isText ? coverText : coverValue);
                worksheet_set_row(ws, r, 22, nullptr);
                break;
            case PrintFormLine::ColumnHeads:
                worksheet_write_string(ws, r, 0, "代码", head);
                worksheet_merge_range(ws, r, 1, r, 2, "指标名称", head);
                worksheet_write_string(ws, r, 3, "数值", head);
                worksheet_set_row(ws, r, 18, nullptr);
                break;
            case PrintFormLine::Indicator:
                worksheet_write_string(ws, r, 0, u8(l.field).constData(), code);
                worksheet_merge_range(ws, r, 1, r, 2, u8(l.text).constData(), caption);
                worksheet_write_blank(ws, r, 3, l.isText ? textValue : value);
                worksheet_set_row(ws, r, 15 * linesFor(l.text, widths[1] + widths[2] - 2), nullptr);
                break;
            }
        }
    }
}

// ---- the summary workbook ----

struct ResultColumn {
    QString code;    // "z001", "z010_1"; what the row under the headings shows on a table filled by hand
    QString caption; // the column title
};

// "参照管理审批层级(1=中央；2=省级；3=地市级)" -> base "参照管理审批层级", choices 1..3.
void splitChoices(const QString& hint, QString* base, QStringList* choices)
{
    static const QRegularExpression tail(QStringLiteral("^(.*)[(（]((?:\\d=[^；;)）]+[；;]?)+)[)）]\\s*$"));
    const QRegularExpressionMatch m = tail.match(hint);
    if (!m.hasMatch()) {
        *base = hint;
        return;
    }
    *base = m.captured(1).trimmed();
    for (const QString& item : m.captured(2).split(QRegularExpression(QStringLiteral("[；;]")), Qt::SkipEmptyParts))
        *choices << item.mid(item.indexOf(QLatin1Char('=')) + 1).trimmed();
}

QVector<ResultColumn> resultColumns(const QString& terms, const QHash<QString, QString>& hints, int lineNumber)
{
    QVector<ResultColumn> columns;
    for (const QString& term : terms.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (term == QStringLiteral("count")) {
            columns.push_back({QStringLiteral("cnt"), QStringLiteral("单位数(个)")});
            continue;
        }
        const QString name = term.section(QLatin1Char(':'), 0, 0);
        const QString kind = term.section(QLatin1Char(':'), 1, 1);
        QStringList fields;
        if (name.contains(QLatin1Char('-'))) {
            const QString first = name.section(QLatin1Char('-'), 0, 0), last = name.section(QLatin1Char('-'), 1, 1);
            for (int n = first.mid(1).toInt(); n <= last.mid(1).toInt(); ++n)
                fields << first.left(1) + QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
        } else {
            fields << name;
        }
        for (const QString& field : fields) {
            if (!hints.contains(field))
                fail(QStringLiteral("summary_template.txt line %1: %2 is not in the catalogue").arg(lineNumber).arg(field));
            QString base;
            QStringList choices;
            splitChoices(hints.value(field), &base, &choices);
            if (kind.isEmpty()) {
                columns.push_back({field, hints.value(field)});
            } else if (kind == QStringLiteral("Y")) {
                columns.push_back({field + QStringLiteral("_1"), base + QStringLiteral("：是")});
                columns.push_back({field + QStringLiteral("_2"), base + QStringLiteral("：否或未填")});
            } else if (kind == QStringLiteral("T") || kind == QStringLiteral("Q")) {
                const int count = kind == QStringLiteral("T") ? 3 : 4;
                for (int k = 1; k <= count; ++k)
                    columns.push_back({field + QStringLiteral("_%1").arg(k),
                                       base + QStringLiteral("：") + (k <= choices.size() ? choices[k - 1] : QString::number(k))});
            } else {
                fail(QStringLiteral("summary_template.txt line %1: unknown kind %2").arg(lineNumber).arg(kind));
            }
        }
    }
    return columns;
}

void writeSummary(lxw_workbook* book, Formats& f, const QHash<QString, QString>& hints)
{
    lxw_format* title = f.get("title", [](lxw_format* x) {
        format_set_bold(x);
        format_set_font_size(x, 16);
        format_set_align(x, LXW_ALIGN_CENTER);
    });
    lxw_format* sheetTitle = f.get("sheetTitle", [](lxw_format* x) {
        format_set_bold(x);
        format_set_font_size(x, 12);
    });
    lxw_format* head = f.get("head", [](lxw_format* x) {
        format_set_bold(x);
        format_set_border(x, LXW_BORDER_THIN);
        format_set_text_wrap(x);
        format_set_align(x, LXW_ALIGN_CENTER);
        format_set_align(x, LXW_ALIGN_VERTICAL_CENTER);
    });
    lxw_format* code = f.get("code", [](lxw_format* x) {
        format_set_border(x, LXW_BORDER_THIN);
        format_set_align(x, LXW_ALIGN_CENTER);
        format_set_font_size(x, 9);
    });
    lxw_format* rowLabel = f.get("rowLabel", [](lxw_format* x) {
        format_set_border(x, LXW_BORDER_THIN);
        format_set_align(x, LXW_ALIGN_LEFT);
    });
    lxw_format* number = f.get("number", [](lxw_format* x) { format_set_border(x, LXW_BORDER_THIN); });
    const QString heading = QStringLiteral("2012年度基层以上工会统计调查汇总表");
    int lineNumber = 0;
    for (QString line : readText(QStringLiteral("summary_template.txt")).split(QLatin1Char('\n'))) {
        ++lineNumber;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int bar = line.indexOf(QLatin1Char('|'));
        if (bar < 0)
            fail(QStringLiteral("summary_template.txt line %1: NAME | COLUMNS expected").arg(lineNumber));
        const QString name = line.left(bar).trimmed();
        const QVector<ResultColumn> columns = resultColumns(line.mid(bar + 1), hints, lineNumber);
        lxw_worksheet* ws = workbook_add_worksheet(book, u8(name).constData());
        if (!ws)
            fail(QStringLiteral("summary_template.txt line %1: the sheet name \"%2\" is not usable").arg(lineNumber).arg(name));
        worksheet_set_paper(ws, 9);
        worksheet_set_landscape(ws);
        worksheet_fit_to_pages(ws, 1, 0);
        worksheet_set_margins(ws, 0.4, 0.4, 0.5, 0.5);
        if (name == QStringLiteral("封面")) {
            worksheet_set_column(ws, 0, 0, 24, nullptr);
            worksheet_set_column(ws, 1, 1, 50, nullptr);
            worksheet_merge_range(ws, 0, 0, 0, 1, u8(heading).constData(), title);
            worksheet_write_string(ws, 1, 0, u8(name).constData(), sheetTitle);
            int r = 4;
            for (const char* item : {"汇总单位（盖章）：", "单位负责人：", "统计负责人：", "填 表 人：", "联系电话：", "报出日期："}) {
                worksheet_write_string(ws, lxw_row_t(r), 0, item, nullptr);
                worksheet_write_blank(ws, lxw_row_t(r), 1, f.get("line", [](lxw_format* x) { format_set_bottom(x, LXW_BORDER_THIN); }));
                worksheet_set_row(ws, lxw_row_t(r), 24, nullptr);
                r += 2;
            }
            continue;
        }
        // A sheet without statement gets a table to fill in by hand.
        QVector<ResultColumn> shown = columns;
        const bool manual = columns.isEmpty();
        if (manual)
            shown = {{QStringLiteral("乙"), QStringLiteral("计量单位")}, {QStringLiteral("1"), QStringLiteral("本年数")},
                     {QStringLiteral("2"), QStringLiteral("备注")}};
        const lxw_col_t last = lxw_col_t(std::max<qsizetype>(shown.size(), 3));
        worksheet_set_column(ws, 0, 0, 26, nullptr);
        worksheet_set_column(ws, 1, last, 11, nullptr);
        worksheet_merge_range(ws, 0, 0, 0, last, u8(heading).constData(), title);
        // A2 holds the title, so the summary writes the breakdown name into A3.
        worksheet_write_string(ws, 1, 0, u8(name).constData(), sheetTitle);
        worksheet_merge_range(ws, 3, 0, 6, 0, "项    目", head);
        for (int c = 0; c < shown.size(); ++c)
            worksheet_merge_range(ws, 3, lxw_col_t(c + 1), 6, lxw_col_t(c + 1), u8(shown[c].caption).constData(), head);
        int lines = 1;
        for (const ResultColumn& c : shown)
            lines = std::max(lines, linesFor(c.caption, 8)); // bold text in a column 11 wide
        for (int r = 3; r <= 6; ++r)
            worksheet_set_row(ws, lxw_row_t(r), std::max(15.0, 16.0 * lines / 4), nullptr);
        // Under the headings, as a statistical table has it: 甲 over the items, then the column
        // numbers 1, 2, 3 ... (a table filled by hand has 乙 over its unit column).
        worksheet_write_string(ws, 7, 0, "甲", code);
        for (int c = 0; c < shown.size(); ++c) {
            if (manual)
                worksheet_write_string(ws, 7, lxw_col_t(c + 1), u8(shown[c].code).constData(), code);
            else
                worksheet_write_number(ws, 7, lxw_col_t(c + 1), c + 1, code);
        }
        // Row 9, the first data row, is ruled; every row the summary inserts above it copies it.
        const int lastRuled = manual ? 20 : 8;
        for (int r = 8; r <= lastRuled; ++r) {
            worksheet_write_blank(ws, lxw_row_t(r), 0, rowLabel);
            for (int c = 0; c < shown.size(); ++c)
                worksheet_write_blank(ws, lxw_row_t(r), lxw_col_t(c + 1), number);
        }
        worksheet_repeat_rows(ws, 0, 7);
    }
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    DataTool::start("make_workbook_templates", argc, argv);
    TFieldDataArray catalogue;
    try {
        Connection db;
        db.open(QDir(g_out).filePath(QStringLiteral("2012NB_zul.mdb")), Connection::Mode::ReadOnly);
        catalogue = LoadFieldCatalogue(db);
    } catch (const DbError& e) {
        fail(e.message());
    }
    QVector<PrintFormSheet> sheets;
    QString error;
    if (!LayOutPrintForm(readText(QStringLiteral("print_form.txt")), catalogue, &sheets, &error))
        fail(QStringLiteral("print_form.txt %1").arg(error));
    // The print map of the catalogue and the template must agree cell for cell.
    QHash<QString, PrintPlace> placed;
    for (const PrintPlace& p : PrintPlaces(sheets))
        placed.insert(p.field.toLower(), p);
    for (const TFieldData& field : catalogue) {
        const PrintPlace p = placed.value(field.FieldName.toLower());
        if (p.printPageID != field.printPageID || p.printplace != field.printplace)
            fail(QStringLiteral("the catalogue prints %1 at %2!%3, the form has it at %4!%5")
                     .arg(field.FieldName)
                     .arg(field.printPageID)
                     .arg(field.printplace)
                     .arg(p.printPageID)
                     .arg(p.printplace));
    }
    for (const char* name : {"2011打印表.xltx", "2012打印表.xltx"})
        writeTemplate(QString::fromUtf8(name), [&](lxw_workbook* book, Formats& f) { writePrintForm(book, f, sheets); });
    QHash<QString, QString> hints;
    for (const TFieldData& field : catalogue)
        hints.insert(field.FieldName, field.Hint);
    writeTemplate(QStringLiteral("2012基层以上汇总表.xltx"), [&](lxw_workbook* book, Formats& f) { writeSummary(book, f, hints); });
    return 0;
}
