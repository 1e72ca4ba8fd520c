#include "entry/RecordPrint.h"

#include "base/ValueText.h"
#include "db/Connection.h"
#include "db/DbError.h"

#include <QFileInfo>

namespace {
// The code as the statement compares it: an integer when the text is one.
QVariant codeValue(const QString& key)
{
    bool whole = false;
    const qint64 n = key.trimmed().toLongLong(&whole);
    if (whole)
        return n;
    bool ok = false;
    const double d = key.trimmed().toDouble(&ok);
    if (!ok)
        throw DbError(QStringLiteral("统计编码“%1”无效").arg(key));
    return d;
}
} // namespace

Workbook FillPrintWorkbook(Connection& db, const QString& templatePath, const QString& key, bool showFirstSheet,
                           const PrintHooks& hooks)
{
    std::optional<Workbook> opened;
    try {
        opened.emplace(Workbook::OpenTemplate(templatePath));
    } catch (const WorkbookError& e) {
        throw PrintTemplateError(e.message());
    }
    Workbook& book = *opened;

    RowSet record = db.query(QStringLiteral("select * from view_data where c901=?1"), {codeValue(key)});
    if (record.isEmpty())
        throw DbError(QStringLiteral("没有找到编码为%1的数据").arg(key));
    record.first();

    // A page used only by rows without an editor page (PageID < 0) is not printed.
    RowSet pageList = db.query(QStringLiteral(
        "select distinct printPageID from dt_fieldlist where pageid>=0 and printPageID is not null order by printPageID"));
    QVector<int> pages;
    for (pageList.first(); !pageList.eof(); pageList.next())
        if (const int n = int(pageList.toInt(QStringLiteral("printPageID"))); n > 0)
            pages << n;
    if (hooks.started)
        hooks.started(int(pages.size()));

    int lastFilled = 0;
    for (int n : pages) {
        Worksheet& sheet = book.sheet(n);
        RowSet fields = db.query(QStringLiteral("select FieldName, printplace from dt_fieldlist where printPageID=?1"), {n});
        for (fields.first(); !fields.eof(); fields.next()) {
            const QString name = fields.text(QStringLiteral("FieldName"));
            const int column = record.columnIndex(name);
            if (column < 0)
                throw DbError(QStringLiteral("数据中没有字段%1").arg(name));
            sheet.setRange(fields.text(QStringLiteral("printplace")), FormatValueText(record.valueAt(record.position(), column)));
        }
        lastFilled = n;
        if (hooks.stepped)
            hooks.stepped();
    }
    if (lastFilled > 0) {
        for (int column = 1; column <= 4; ++column)
            book.sheet(lastFilled).autoFitColumn(column);
        book.activateSheet(lastFilled);
    }
    if (showFirstSheet)
        book.activateSheet(1);
    return std::move(book);
}
