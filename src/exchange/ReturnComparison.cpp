#include "exchange/ReturnComparison.h"

#include "base/ValueText.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "model/FieldCatalogue.h"

#include <QHash>

#include <algorithm>
#include <cstring>
#include <vector>

#include <sqlite3.h>

namespace {
// Between two looks at the hooks this many codes are compared.
constexpr int kStepCodes = 2000;

struct CodeRow {
    double code;
    qint64 row;
};

// The numeric codes of a side with their rows, ascending by code.
std::vector<CodeRow> codesOf(const ReturnSide& side)
{
    Statement rows(side.db->handle(),
                   QStringLiteral("select rowid, c901 from %1.dt_data where typeof(c901) in ('integer','real')")
                       .arg(QuoteIdentifier(side.schema)));
    std::vector<CodeRow> codes;
    sqlite3_stmt* s = rows.handle();
    while (rows.step())
        codes.push_back({sqlite3_column_double(s, 1), sqlite3_column_int64(s, 0)});
    std::sort(codes.begin(), codes.end(), [](const CodeRow& x, const CodeRow& y) { return x.code < y.code; });
    return codes;
}

QString rowSql(const QVector<ComparedField>& fields, const ReturnSide& side)
{
    QStringList list;
    for (const ComparedField& f : fields)
        list << QuoteIdentifier(f.name);
    return QStringLiteral("select %1 from %2.dt_data where rowid=?1").arg(list.join(','), QuoteIdentifier(side.schema));
}

bool numeric(int type)
{
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

// The same rule as SameStoredValue, on the engine's values without making copies.
bool sameColumn(sqlite3_stmt* a, sqlite3_stmt* b, int column)
{
    const int ta = sqlite3_column_type(a, column), tb = sqlite3_column_type(b, column);
    if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER)
        return sqlite3_column_int64(a, column) == sqlite3_column_int64(b, column);
    if (numeric(ta) && numeric(tb))
        return sqlite3_column_double(a, column) == sqlite3_column_double(b, column);
    if (ta != tb)
        return false;
    if (ta == SQLITE_NULL)
        return true;
    const void* va = ta == SQLITE_TEXT ? static_cast<const void*>(sqlite3_column_text(a, column)) : sqlite3_column_blob(a, column);
    const int na = sqlite3_column_bytes(a, column);
    const void* vb = tb == SQLITE_TEXT ? static_cast<const void*>(sqlite3_column_text(b, column)) : sqlite3_column_blob(b, column);
    const int nb = sqlite3_column_bytes(b, column);
    return na == nb && (na == 0 || std::memcmp(va, vb, size_t(na)) == 0);
}

int fieldIndex(const QVector<ComparedField>& fields, const QString& name)
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString textAt(sqlite3_stmt* s, int column)
{
    if (column < 0)
        return QString();
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(s, column));
}
} // namespace

QVector<ComparedField> ComparedFields(Connection& db)
{
    const QStringList columns = db.columnNames(QStringLiteral("dt_data"));
    if (columns.isEmpty())
        throw DbError(QStringLiteral("系统中不存在名字为\"dt_data\"的数据表"));
    QHash<int, QString> pages;
    RowSet sheets = db.query(QStringLiteral("select CodeID, CodeName from ct_sheetName"));
    for (sheets.first(); !sheets.eof(); sheets.next())
        pages.insert(int(sheets.toInt(QStringLiteral("CodeID"))), sheets.text(QStringLiteral("CodeName")));
    QVector<ComparedField> fields;
    QStringList named;
    for (const TFieldData& f : LoadFieldCatalogue(db)) {
        // The table's own spelling of the column, named once.
        const auto column = std::find_if(columns.begin(), columns.end(), [&f](const QString& c) {
            return c.compare(f.FieldName, Qt::CaseInsensitive) == 0;
        });
        if (column == columns.end() || named.contains(*column))
            continue;
        named << *column;
        fields.push_back({*column, f.Hint, f.PageID, pages.value(f.PageID)});
    }
    for (const QString& c : columns)
        if (!named.contains(c))
            fields.push_back({c, c, -1, QString()});
    return fields;
}

qint64 ReturnComparison::differingCount() const
{
    return std::count_if(both.begin(), both.end(), [](const ReturnPair& p) { return !p.equal(); });
}

bool SameStoredValue(const QVariant& a, const QVariant& b)
{
    const bool nullA = !a.isValid() || a.isNull(), nullB = !b.isValid() || b.isNull();
    if (nullA || nullB)
        return nullA == nullB;
    auto isNumber = [](const QVariant& v) {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Bool:
            return true;
        default:
            return false;
        }
    };
    const bool numberA = isNumber(a), numberB = isNumber(b);
    if (numberA != numberB)
        return false;
    if (numberA) {
        if (a.typeId() == QMetaType::LongLong && b.typeId() == QMetaType::LongLong)
            return a.toLongLong() == b.toLongLong();
        return a.toDouble() == b.toDouble();
    }
    if ((a.typeId() == QMetaType::QByteArray) != (b.typeId() == QMetaType::QByteArray))
        return false;
    return a.typeId() == QMetaType::QByteArray ? a.toByteArray() == b.toByteArray() : a.toString() == b.toString();
}

QString StoredValueText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("（空）");
    if (value.typeId() == QMetaType::QByteArray)
        return QStringLiteral("x'%1'").arg(QString::fromLatin1(value.toByteArray().toHex()));
    return FormatValueText(value);
}

ReturnComparison CompareReturns(const QVector<ComparedField>& fields, const ReturnSide& a, const ReturnSide& b,
                                const ExchangeHooks& hooks)
{
    ReturnComparison result;
    result.fields = fields;
    const std::vector<CodeRow> codesA = codesOf(a), codesB = codesOf(b);
    std::vector<std::pair<size_t, size_t>> matched;
    for (size_t i = 0, j = 0; i < codesA.size() || j < codesB.size();) {
        if (j == codesB.size() || (i < codesA.size() && codesA[i].code < codesB[j].code))
            result.onlyA.push_back(codesA[i++].code);
        else if (i == codesA.size() || codesB[j].code < codesA[i].code) {
            result.onlyB.push_back(codesB[j].code);
            result.onlyBRows.push_back(codesB[j++].row);
        } else
            matched.emplace_back(i++, j++);
    }
    std::sort(result.onlyBRows.begin(), result.onlyBRows.end());
    if (hooks.started)
        hooks.started(qint64(matched.size()));

    Statement rowA(a.db->handle(), rowSql(fields, a));
    Statement rowB(b.db->handle(), rowSql(fields, b));
    sqlite3_stmt* sa = rowA.handle();
    sqlite3_stmt* sb = rowB.handle();
    const int name = fieldIndex(fields, QStringLiteral("c902"));
    const int state = fieldIndex(fields, QStringLiteral("RecordState"));
    result.both.reserve(qsizetype(matched.size()));
    for (size_t n = 0; n < matched.size(); ++n) {
        const CodeRow& x = codesA[matched[n].first];
        const CodeRow& y = codesB[matched[n].second];
        rowA.reset();
        rowA.bind(1, x.row);
        rowB.reset();
        rowB.bind(1, y.row);
        if (!rowA.step() || !rowB.step())
            throw DbError(QStringLiteral("比较中找不到编号为%1的数据").arg(FormatNumberText(x.code)));
        ReturnPair pair;
        pair.code = x.code;
        pair.rowA = x.row;
        pair.rowB = y.row;
        pair.nameA = textAt(sa, name);
        pair.nameB = textAt(sb, name);
        if (state >= 0) {
            pair.stateA = rowA.value(state);
            pair.stateB = rowB.value(state);
        }
        for (int f = 0; f < fields.size(); ++f)
            if (!sameColumn(sa, sb, f))
                pair.differences.push_back({f, rowA.value(f), rowB.value(f)});
        result.both.push_back(std::move(pair));
        if ((n + 1) % kStepCodes == 0 || n + 1 == matched.size()) {
            if (hooks.stepped)
                hooks.stepped(qint64(n + 1));
            if (hooks.stopped && hooks.stopped()) {
                result.stopped = true;
                break;
            }
        }
    }
    return result;
}

QVector<QVariant> StoredReturn(const QVector<ComparedField>& fields, const ReturnSide& side, qint64 row)
{
    Statement statement(side.db->handle(), rowSql(fields, side));
    statement.bind(1, row);
    QVector<QVariant> values;
    if (!statement.step())
        return values;
    values.reserve(fields.size());
    for (int f = 0; f < fields.size(); ++f)
        values.push_back(statement.value(f));
    return values;
}
