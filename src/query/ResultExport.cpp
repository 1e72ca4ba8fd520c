#include "query/ResultExport.h"

#include "db/Connection.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/ExportTarget.h"
#include "db/Statement.h"
#include "db/TableExists.h"
#include "entry/workbook/StreamingWorkbook.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace {
// Events and progress are let through this often while rows are written.
constexpr qint64 kEventsMs = 50;

const QString kRowsMoved = QStringLiteral("导出过程中结果列表发生了变化，文件没有写入");

// Calls the progress hooks when the interval has passed (always when forced), and tells whether
// the rows being written changed while events ran.
class ProgressPacer {
public:
    ProgressPacer(const ExportHooks& hooks, const RowSet& rows)
        : m_hooks(hooks), m_rows(rows), m_revision(rows.revision())
    {
        m_timer.start();
    }
    bool rowsMoved() const { return m_rows.revision() != m_revision; }
    void rowDone(qint64 done, bool force = false)
    {
        if (!force && m_timer.elapsed() < kEventsMs)
            return;
        if (m_hooks.progressed)
            m_hooks.progressed(done);
        if (m_hooks.processEvents)
            m_hooks.processEvents();
        m_timer.restart();
    }

private:
    const ExportHooks& m_hooks;
    const RowSet& m_rows;
    const quint64 m_revision;
    QElapsedTimer m_timer;
};

bool DeclaredAs(const QString& declared, std::initializer_list<const char*> words)
{
    for (const char* w : words)
        if (declared.contains(QLatin1String(w), Qt::CaseInsensitive))
            return true;
    return false;
}

// The value a database export writes for one cell: blank numbers as 0, blank dates as null.
QVariant DatabaseValue(ExportKind kind, const RowSet& rows, int position, int column)
{
    switch (kind) {
    case ExportKind::Integer32:
    case ExportKind::Integer64:
    case ExportKind::Real:
    case ExportKind::Boolean:
        return rows.isNullAt(position, column) ? QVariant(0) : rows.valueAt(position, column);
    case ExportKind::DateTime: {
        const QString text = rows.textAt(position, column);
        return text.trimmed().isEmpty() ? QVariant() : QVariant(text);
    }
    default:
        return rows.textAt(position, column);
    }
}

// The cell a workbook export writes for one value.
StreamCell WorkbookCell(ExportKind kind, const RowSet& rows, int position, int column)
{
    if (rows.isNullAt(position, column))
        return kind == ExportKind::Boolean ? StreamCell::fromText(QStringLiteral("不是")) : StreamCell();
    switch (kind) {
    case ExportKind::Boolean:
        return StreamCell::fromText(rows.doubleAt(position, column) != 0 ? QStringLiteral("是") : QStringLiteral("不是"));
    case ExportKind::DateTime: {
        // Dates go in as day numbers so the column's date format shows them; zero is no date.
        const QVariant v = rows.valueAt(position, column);
        if (v.typeId() != QMetaType::QString)
            return v.toDouble() == 0 ? StreamCell() : StreamCell::fromNumber(v.toDouble());
        const QDate date = QDate::fromString(v.toString().left(10), Qt::ISODate);
        if (!date.isValid())
            return StreamCell::fromText(v.toString());
        return StreamCell::fromNumber(double(QDate(1899, 12, 30).daysTo(date)));
    }
    case ExportKind::Integer32:
    case ExportKind::Integer64:
    case ExportKind::Real:
        return StreamCell::fromNumber(rows.doubleAt(position, column));
    case ExportKind::Text:
        return StreamCell::fromText(rows.textAt(position, column));
    default:
        return StreamCell::typed(rows.textAt(position, column));
    }
}
} // namespace

ExportKind ColumnExportKind(const ColumnValueKinds& kinds)
{
    const QString& declared = kinds.declaredType;
    if (DeclaredAs(declared, {"BOOL", "BIT", "YESNO"}))
        return ExportKind::Boolean;
    if (DeclaredAs(declared, {"DATE", "TIME"}))
        return ExportKind::DateTime;
    if (kinds.hasText)
        return ExportKind::Text;
    if (kinds.hasReal)
        return ExportKind::Real;
    if (kinds.hasInteger)
        return kinds.integersFit32 ? ExportKind::Integer32 : ExportKind::Integer64;
    // No value tells: the declared type may.
    if (DeclaredAs(declared, {"CHAR", "TEXT", "CLOB"}))
        return ExportKind::Text;
    if (DeclaredAs(declared, {"INT"}))
        return ExportKind::Integer32;
    if (DeclaredAs(declared, {"REAL", "FLOA", "DOUB", "NUM", "DEC"}))
        return ExportKind::Real;
    return ExportKind::Unknown;
}

QString ExportSqlType(const ColumnValueKinds& kinds)
{
    switch (ColumnExportKind(kinds)) {
    case ExportKind::Text:
        return QStringLiteral("VARCHAR(%1)").arg(qMax(1, kinds.longestText));
    case ExportKind::Integer32:
    case ExportKind::Integer64:
        return QStringLiteral("INTEGER");
    case ExportKind::Real:
        return QStringLiteral("DOUBLE");
    case ExportKind::DateTime:
        return QStringLiteral("DATE");
    case ExportKind::Boolean:
        return QStringLiteral("BIT");
    default:
        return QString();
    }
}

QString ExportNumberFormat(ExportKind kind)
{
    switch (kind) {
    case ExportKind::DateTime:
        return QStringLiteral("yyyy-mm-dd");
    case ExportKind::Text:
    case ExportKind::Boolean:
        return QStringLiteral("@");
    case ExportKind::Real:
        return QStringLiteral("￥#,##0.00;￥-#,##0.00");
    case ExportKind::Integer32:
        return QStringLiteral("#,##0_ ");
    case ExportKind::Integer64:
        return QStringLiteral("0");
    default:
        return QString();
    }
}

QString ExportColumnFormat(const QString& column, ExportKind kind)
{
    const bool number = kind == ExportKind::Integer32 || kind == ExportKind::Integer64 || kind == ExportKind::Real;
    if (number && IsCodeField(column))
        return QStringLiteral("0");
    return ExportNumberFormat(kind);
}

QString ExportDateText(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString ExportProposedName(const QString& title, const QDate& date)
{
    return title + QLatin1Char('-') + date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString TitleWithoutSortMarker(const QString& title)
{
    if (title.contains(QStringLiteral("▲")) || title.contains(QStringLiteral("▼")))
        return title.left(title.size() - 1);
    return title;
}

ExportOutcome WriteResultDatabase(RowSet& rows, const QString& title, const QString& path, const ExportHooks& hooks)
{
    ExportOutcome outcome;
    outcome.error = RefuseExportTarget(path);
    if (!outcome.error.isEmpty())
        return outcome;
    const bool existed = QFileInfo::exists(path);
    if (existed) {
        outcome.error = CheckReceivedDatabase(path);
        if (!outcome.error.isEmpty())
            return outcome;
    }
    const int columns = rows.columnCount();
    QVector<ExportKind> kinds;
    QStringList definitions, names, places;
    for (int c = 0; c < columns; ++c) {
        const ColumnValueKinds k = rows.valueKinds(c);
        kinds << ColumnExportKind(k);
        const QString name = QuoteIdentifier(rows.columnName(c));
        const QString type = ExportSqlType(k);
        definitions << (type.isEmpty() ? name : name + QLatin1Char(' ') + type);
        names << name;
        places << QStringLiteral("?%1").arg(c + 1);
    }
    const QString table = QuoteIdentifier(title);
    {
        Connection file;
        try {
            file.open(path, Connection::Mode::Create);
            Transaction transaction(file);
            if (TableExists(file, title))
                file.execute(QStringLiteral("drop table ") + table);
            file.execute(QStringLiteral("Create Table ") + table + QStringLiteral("(") + definitions.join(QLatin1Char(','))
                         + QStringLiteral(")"));
            const qint64 total = rows.recordCount();
            if (hooks.started)
                hooks.started(total);
            outcome.lastStatement = QStringLiteral("INSERT INTO ") + table + QStringLiteral("  (") + names.join(QLatin1Char(','))
                + QStringLiteral(") Values(") + places.join(QLatin1Char(',')) + QStringLiteral(")");
            Statement insert(file.handle(), outcome.lastStatement);
            ProgressPacer pacer(hooks, rows);
            for (int p = 0; p < total && !pacer.rowsMoved(); ++p) {
                insert.reset();
                for (int c = 0; c < columns; ++c)
                    insert.bind(c + 1, DatabaseValue(kinds[c], rows, p, c));
                insert.step();
                pacer.rowDone(p + 1);
            }
            pacer.rowDone(total, true);
            if (pacer.rowsMoved()) {
                outcome.lastStatement.clear();
                throw DbError(kRowsMoved);
            }
            transaction.commit();
            outcome.lastStatement.clear();
            return outcome;
        } catch (const DbError& e) {
            outcome.error = e.message();
        }
    }
    if (!existed)
        QFile::remove(path);
    return outcome;
}

ExportOutcome WriteResultWorkbook(RowSet& rows, const QString& title, const TFieldDataArray& columns,
                                  const QString& path, const QDate& today, const ExportHooks& hooks)
{
    ExportOutcome outcome;
    outcome.error = RefuseExportTarget(path);
    if (!outcome.error.isEmpty())
        return outcome;
    QVector<int> sources;
    QVector<ExportKind> kinds;
    QVector<StreamCell> titles;
    for (const TFieldData& f : columns) {
        if (!f.QueryShow)
            continue;
        const int c = rows.columnIndex(f.ShowName);
        if (c < 0) {
            outcome.error = QStringLiteral("结果中没有列“%1”").arg(f.ShowName);
            return outcome;
        }
        sources << c;
        kinds << ColumnExportKind(rows.valueKinds(c));
        titles << StreamCell::fromText(f.Hint);
    }

    StreamingWorkbook book(path);
    book.addSheet(title);
    book.setAutoFit(true);
    book.writeRow({});
    // The date cell is text, whatever the column holds below.
    book.setColumnFormat(2, QStringLiteral("@"));
    book.writeRow({StreamCell::fromText(QStringLiteral("导出日期:")).inFont(RowFont{true, 12}),
                   StreamCell::fromText(ExportDateText(today))});
    book.setColumnFormat(2, QString());
    book.writeRow(titles);
    book.writeRow({});
    for (int k = 0; k < kinds.size(); ++k)
        book.setColumnFormat(k + 1, ExportColumnFormat(rows.columnName(sources[k]), kinds[k]));

    const qint64 total = rows.recordCount();
    if (hooks.started)
        hooks.started(total);
    ProgressPacer pacer(hooks, rows);
    QVector<StreamCell> cells(sources.size());
    for (int p = 0; p < total && book.error().isEmpty() && !pacer.rowsMoved(); ++p) {
        for (int k = 0; k < sources.size(); ++k)
            cells[k] = WorkbookCell(kinds[k], rows, p, sources[k]);
        book.writeRow(cells);
        pacer.rowDone(p + 1);
    }
    pacer.rowDone(total, true);
    // Rows re-read or re-sorted while events ran would give a file of mixed rows: none is written.
    outcome.error = pacer.rowsMoved() ? kRowsMoved : book.close();
    return outcome;
}
