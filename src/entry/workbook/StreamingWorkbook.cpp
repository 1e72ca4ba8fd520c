#include "entry/workbook/StreamingWorkbook.h"

#include "entry/workbook/CellText.h"
#include "entry/workbook/ZipPackage.h"
#include "base/ValueText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>

#include <xlsxwriter.h>
#include <zip.h>

#include <cmath>
#include <cstdio>
#include <map>

namespace {
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr int kMaxText = 32767; // the longest text a cell holds
// Characters of room a number in a fitted column keeps from the right border of its cell.
constexpr int kNumberMargin = 1;

// Whether a number format leaves room at the right of its numbers itself ("#,##0_ ").
bool FormatPadsRight(const QString& numberFormat)
{
    const QString positive = numberFormat.section(QLatin1Char(';'), 0, 0);
    return positive.size() >= 2 && positive[positive.size() - 2] == QLatin1Char('_');
}

QString cutSheetText(const QString& target)
{
    return QStringLiteral("无法写入文件%1：临时文件写入失败（磁盘可能已满）").arg(QDir::toNativeSeparators(target));
}

// Whether the written workbook opens as a zip and sheet N holds at least rowBytes[N - 1] bytes of
// rows and its closing tags.
bool sheetsHoldTheirRows(const QString& path, const std::vector<long>& rowBytes)
{
    int code = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!zip)
        return false;
    static const zip_uint64_t kClosingTags = sizeof("</sheetData></worksheet>") - 1;
    bool whole = true;
    for (size_t i = 0; i < rowBytes.size() && whole; ++i) {
        const QByteArray name = "xl/worksheets/sheet" + QByteArray::number(qulonglong(i + 1)) + ".xml";
        zip_stat_t stat;
        zip_stat_init(&stat);
        whole = zip_stat(zip, name.constData(), 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE)
                && stat.size >= zip_uint64_t(rowBytes[i]) + kClosingTags;
    }
    zip_discard(zip);
    return whole;
}
} // namespace

StreamCell StreamCell::typed(const QString& value)
{
    if (value.isEmpty())
        return {};
    if (value.startsWith(QLatin1Char('\'')))
        return fromText(value.mid(1));
    double number;
    return ParseTypedNumber(value, &number) ? fromNumber(number) : fromText(value);
}

struct SheetColumns {
    lxw_worksheet* sheet = nullptr;
    QHash<int, QString> formats;
    QSet<int> rightAligned;
    QHash<int, double> widths;
    QHash<int, double> widest; // display units, for the fit at close
    bool autoFit = false;
    int rows = 0;
};

struct StreamingWorkbookState {
    QString target;
    QString temp;
    lxw_workbook* book = nullptr;
    std::vector<SheetColumns> sheets;
    QString error;
    std::map<std::tuple<QString, bool, double, bool, int>, lxw_format*> formats;
    QByteArray tempFolder;

    bool failed() const { return !error.isEmpty(); }
    void fail(const QString& text)
    {
        if (error.isEmpty())
            error = text;
    }
    void check(lxw_error code, const QString& what)
    {
        if (code != LXW_NO_ERROR)
            fail(what + QStringLiteral("：") + QString::fromUtf8(lxw_strerror(code)));
    }
    // right: the cell is aligned right; rightIndent: that many characters from its right border.
    lxw_format* format(const QString& numberFormat, bool bold, double size, bool right = false, int rightIndent = 0)
    {
        if (numberFormat.isEmpty() && !bold && size <= 0 && !right && rightIndent <= 0)
            return nullptr;
        const auto key = std::make_tuple(numberFormat, bold, size, right, rightIndent);
        auto it = formats.find(key);
        if (it != formats.end())
            return it->second;
        lxw_format* f = workbook_add_format(book);
        if (!numberFormat.isEmpty())
            format_set_num_format(f, numberFormat.toUtf8().constData());
        if (bold)
            format_set_bold(f);
        if (size > 0)
            format_set_font_size(f, size);
        if (right || rightIndent > 0)
            format_set_align(f, LXW_ALIGN_RIGHT);
        if (rightIndent > 0)
            format_set_indent(f, uint8_t(rightIndent));
        formats.emplace(key, f);
        return f;
    }
    SheetColumns* current()
    {
        if (sheets.empty()) {
            fail(QStringLiteral("工作簿中还没有工作表"));
            return nullptr;
        }
        return &sheets.back();
    }
};

StreamingWorkbook::StreamingWorkbook(const QString& path) : d(std::make_unique<StreamingWorkbookState>())
{
    d->target = path;
    const QFileInfo target(path);
    if (!QDir().mkpath(target.absolutePath())) {
        d->fail(QStringLiteral("无法创建文件夹：%1").arg(QDir::toNativeSeparators(target.absolutePath())));
        return;
    }
    // The workbook is written under a unique name beside the target, then renamed over it.
    QTemporaryFile reserve(target.absolutePath() + QStringLiteral("/~wb-XXXXXX.part"));
    reserve.setAutoRemove(false);
    if (!reserve.open()) {
        d->fail(QStringLiteral("无法写入文件夹：%1").arg(QDir::toNativeSeparators(target.absolutePath())));
        return;
    }
    d->temp = reserve.fileName();
    reserve.close();
    d->tempFolder = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = d->tempFolder.data();
    options.use_zip64 = LXW_TRUE; // sheets of 100,000 x 220 cells pass 4 GB unpacked
    d->book = workbook_new_opt(QFile::encodeName(d->temp).constData(), &options);
    if (!d->book)
        d->fail(QStringLiteral("无法写入文件：%1").arg(QDir::toNativeSeparators(path)));
}

StreamingWorkbook::~StreamingWorkbook()
{
    if (d->book) {
        // Unclosed: nothing is written to the target.
        workbook_close(d->book);
        d->book = nullptr;
    }
    if (!d->temp.isEmpty())
        QFile::remove(d->temp);
}

void StreamingWorkbook::addSheet(const QString& name)
{
    if (d->failed())
        return;
    static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\]"));
    if (name.trimmed().isEmpty() || name.size() > 31 || name.contains(forbidden)) {
        d->fail(QStringLiteral("工作表名称“%1”无效").arg(name));
        return;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(d->book, name.toUtf8().constData());
    if (!sheet) {
        d->fail(QStringLiteral("无法添加工作表“%1”").arg(name));
        return;
    }
    SheetColumns columns;
    columns.sheet = sheet;
    d->sheets.push_back(columns);
}

void StreamingWorkbook::setColumnWidth(int column, double width)
{
    SheetColumns* s = d->failed() ? nullptr : d->current();
    if (s && column >= 1 && column <= kMaxColumns)
        s->widths.insert(column, width);
}

void StreamingWorkbook::setColumnFormat(int column, const QString& numberFormat)
{
    SheetColumns* s = d->failed() ? nullptr : d->current();
    if (s && column >= 1 && column <= kMaxColumns)
        s->formats.insert(column, numberFormat == QStringLiteral("G/通用格式") ? QString() : numberFormat);
}

void StreamingWorkbook::setColumnRightAligned(int column)
{
    SheetColumns* s = d->failed() ? nullptr : d->current();
    if (s && column >= 1 && column <= kMaxColumns)
        s->rightAligned.insert(column);
}

void StreamingWorkbook::setAutoFit(bool autoFit)
{
    if (SheetColumns* s = d->failed() ? nullptr : d->current())
        s->autoFit = autoFit;
}

void StreamingWorkbook::setFitToPageWidth()
{
    if (SheetColumns* s = d->failed() ? nullptr : d->current())
        worksheet_fit_to_pages(s->sheet, 1, 0);
}

void StreamingWorkbook::setLandscape()
{
    if (SheetColumns* s = d->failed() ? nullptr : d->current())
        worksheet_set_landscape(s->sheet);
}

void StreamingWorkbook::setPrintLandscapeOnePageWide(int titleRow)
{
    SheetColumns* s = d->failed() ? nullptr : d->current();
    if (!s)
        return;
    setLandscape();
    worksheet_set_paper(s->sheet, 9); // A4
    setFitToPageWidth();
    if (titleRow > 0)
        d->check(worksheet_repeat_rows(s->sheet, lxw_row_t(titleRow - 1), lxw_row_t(titleRow - 1)),
                 QStringLiteral("无法设置打印标题"));
}

void StreamingWorkbook::writeRow(const QVector<StreamCell>& cells, const RowFont& font)
{
    SheetColumns* s = d->failed() ? nullptr : d->current();
    if (!s)
        return;
    if (s->rows >= kMaxRows || cells.size() > kMaxColumns) {
        d->fail(QStringLiteral("超出了工作表的行数或列数"));
        return;
    }
    const lxw_row_t row = lxw_row_t(s->rows);
    for (int i = 0; i < cells.size(); ++i) {
        const StreamCell& cell = cells[i];
        const int column = i + 1;
        const RowFont& cellFont = cell.font.isSet() ? cell.font : font;
        const QString& numberFormat = s->formats.value(column);
        // In a fitted column a number keeps its distance from the next column's text.
        const int indent = s->autoFit && cell.kind == StreamCell::Number && !FormatPadsRight(numberFormat) ? kNumberMargin : 0;
        lxw_format* format =
            d->format(numberFormat, cellFont.bold, cellFont.size, s->rightAligned.contains(column), indent);
        lxw_error code = LXW_NO_ERROR;
        QString shown;
        if (cell.kind == StreamCell::Number) {
            code = worksheet_write_number(s->sheet, row, lxw_col_t(i), cell.number, format);
            if (s->autoFit)
                shown = DisplayedNumber(cell.number, numberFormat) + QString(indent, QLatin1Char(' '));
        } else if (cell.kind == StreamCell::Text && !cell.text.isEmpty()) {
            const QString text = cell.text.left(kMaxText);
            code = worksheet_write_string(s->sheet, row, lxw_col_t(i), text.toUtf8().constData(), format);
            shown = text;
        } else if (format) {
            code = worksheet_write_blank(s->sheet, row, lxw_col_t(i), format);
        }
        if (code != LXW_NO_ERROR) {
            d->check(code, QStringLiteral("无法写入第%1行").arg(s->rows + 1));
            return;
        }
        if (s->autoFit && !shown.isEmpty()) {
            const double units = DisplayUnits(shown) * (cellFont.size > 0 ? cellFont.size / 11.0 : 1.0);
            double& widest = s->widest[column];
            widest = std::max(widest, units);
        }
    }
    ++s->rows;
}

int StreamingWorkbook::rowCount() const
{
    return d->sheets.empty() ? 0 : d->sheets.back().rows;
}

QString StreamingWorkbook::error() const
{
    return d->error;
}

QString StreamingWorkbook::close()
{
    if (!d->book)
        return d->error.isEmpty() ? QStringLiteral("工作簿已经关闭") : d->error;
    if (!d->failed() && d->sheets.empty())
        addSheet(QStringLiteral("Sheet1"));
    if (!d->failed()) {
        for (SheetColumns& s : d->sheets) {
            QHash<int, double> widths = s.widths;
            if (s.autoFit)
                for (auto it = s.widest.cbegin(); it != s.widest.cend(); ++it)
                    if (!widths.contains(it.key()))
                        widths.insert(it.key(), std::min(255.0, it.value() + 1.0));
            QList<int> columns = widths.keys();
            for (auto it = s.formats.cbegin(); it != s.formats.cend(); ++it)
                if (!columns.contains(it.key()))
                    columns << it.key();
            for (int column : columns) {
                const double width = widths.contains(column) ? widths.value(column) : LXW_DEF_COL_WIDTH;
                d->check(worksheet_set_column(s.sheet, lxw_col_t(column - 1), lxw_col_t(column - 1), width,
                                              d->format(s.formats.value(column), false, 0)),
                         QStringLiteral("无法设置列宽"));
            }
        }
    }
    // libxlsxwriter does not check its writes to a sheet's temporary files: a full disk there
    // leaves a cut sheet in a workbook it calls complete. The rows so far are checked here, and
    // each sheet of the written workbook must hold at least them.
    std::vector<long> rowBytes;
    for (SheetColumns& s : d->sheets) {
        FILE* rows = s.sheet ? s.sheet->optimize_tmpfile : nullptr;
        long bytes = 0;
        if (rows && (std::fflush(rows) != 0 || std::ferror(rows) || (bytes = std::ftell(rows)) < 0))
            d->fail(cutSheetText(d->target));
        rowBytes.push_back(bytes);
    }
    const lxw_error closed = workbook_close(d->book);
    d->book = nullptr;
    d->check(closed, QStringLiteral("无法写入文件%1").arg(QDir::toNativeSeparators(d->target)));
    // The writer does not report a full disk in every write: the file must be whole.
    if (!d->failed() && !IsWholeZip(d->temp))
        d->fail(QStringLiteral("无法写入文件%1：文件没有写完整，磁盘可能已满").arg(QDir::toNativeSeparators(d->target)));
    if (!d->failed() && !sheetsHoldTheirRows(d->temp, rowBytes))
        d->fail(cutSheetText(d->target));
    if (d->failed()) {
        QFile::remove(d->temp);
        return d->error;
    }
    if (!MoveIntoPlace(d->temp, d->target)) {
        d->fail(QStringLiteral("无法写入文件：%1").arg(QDir::toNativeSeparators(d->target)));
        return d->error;
    }
    d->temp.clear();
    return {};
}
