#include "db/RowSet.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "base/ValueText.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <numeric>
#include <sqlite3.h>

namespace {
// The bytes a signed payload needs: 0 for 0, else 1, 2, 4 or 8.
uint8_t widthFor(int64_t v)
{
    if (v == 0)
        return 0;
    if (v >= INT8_MIN && v <= INT8_MAX)
        return 1;
    if (v >= INT16_MIN && v <= INT16_MAX)
        return 2;
    if (v >= INT32_MIN && v <= INT32_MAX)
        return 4;
    return 8;
}

int64_t readPayload(const uint8_t* at, uint8_t width)
{
    switch (width) {
    case 1:
        return int8_t(*at);
    case 2: {
        int16_t v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    case 4: {
        int32_t v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    case 8: {
        int64_t v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    default:
        return 0;
    }
}

void writePayload(uint8_t* at, uint8_t width, int64_t v)
{
    switch (width) {
    case 1:
        *at = uint8_t(int8_t(v));
        break;
    case 2: {
        const int16_t n = int16_t(v);
        std::memcpy(at, &n, sizeof n);
        break;
    }
    case 4: {
        const int32_t n = int32_t(v);
        std::memcpy(at, &n, sizeof n);
        break;
    }
    case 8:
        std::memcpy(at, &v, sizeof v);
        break;
    default:
        break;
    }
}
} // namespace

int64_t RowSet::Block::payload(int i) const
{
    return width ? readPayload(data.get() + size_t(i) * width, width) : 0;
}

void RowSet::Block::widen(uint8_t to, int rows)
{
    std::unique_ptr<uint8_t[]> wider(new uint8_t[size_t(kBlockRows) * to]);
    for (int i = 0; i < rows; ++i)
        writePayload(wider.get() + size_t(i) * to, to, payload(i));
    data = std::move(wider);
    width = to;
}

void RowSet::Column::append(int row, Tag tag, int64_t payload)
{
    const int i = row & (kBlockRows - 1);
    if (blocks.size() <= size_t(row >> kBlockShift)) {
        blocks.emplace_back();
        blocks.back().tag = tag;
    }
    Block& b = blocks.back();
    if (!b.tags && tag != b.tag) {
        b.tags.reset(new uint8_t[kBlockRows]);
        std::memset(b.tags.get(), b.tag, size_t(i));
    }
    if (b.tags)
        b.tags[i] = tag;
    const uint8_t width = widthFor(payload);
    if (width > b.width)
        b.widen(width, i);
    if (b.width)
        writePayload(b.data.get() + size_t(i) * b.width, b.width, payload);
}

void RowSet::Column::appendText(int row, const char* text, int bytes)
{
    // The row's block is made here when the row is its first, so its pool can take the text.
    if (blocks.size() <= size_t(row >> kBlockShift)) {
        blocks.emplace_back();
        blocks.back().tag = Text;
    }
    std::string& pool = blocks.back().pool;
    const int64_t offset = int64_t(pool.size());
    const uint32_t length = uint32_t(bytes);
    pool.append(reinterpret_cast<const char*>(&length), sizeof length);
    pool.append(text, size_t(bytes));
    append(row, Text, offset);
}

QString RowSet::Column::text(int row) const
{
    const char* at = blocks[row >> kBlockShift].pool.data() + payload(row);
    uint32_t length;
    std::memcpy(&length, at, sizeof length);
    return QString::fromUtf8(at + sizeof length, qsizetype(length));
}

size_t RowSet::Column::bytes() const
{
    size_t total = blocks.capacity() * sizeof(Block);
    for (const Block& b : blocks)
        total += size_t(kBlockRows) * ((b.tags ? 1 : 0) + b.width) + b.pool.capacity();
    return total;
}

void RowSet::load(Statement& statement)
{
    close();
    sqlite3_stmt* stmt = statement.handle();
    const int count = statement.columnCount();
    m_columns.resize(count);
    for (int c = 0; c < count; ++c) {
        const QString name = statement.columnName(c);
        m_names << name;
        m_declaredTypes << QString::fromUtf8(sqlite3_column_decltype(stmt, c));
        // The first of two equally named columns wins, as a lookup by name would find it.
        if (!m_index.contains(name.toLower()))
            m_index.insert(name.toLower(), c);
    }
    while (statement.step()) {
        const int row = m_rows;
        for (int c = 0; c < count; ++c) {
            Column& col = m_columns[c];
            // One engine call per value: the value's own readers need no locking.
            sqlite3_value* value = sqlite3_column_value(stmt, c);
            switch (sqlite3_value_type(value)) {
            case SQLITE_INTEGER:
                col.append(row, Integer, sqlite3_value_int64(value));
                break;
            case SQLITE_FLOAT: {
                const double d = sqlite3_value_double(value);
                int64_t bits;
                std::memcpy(&bits, &d, sizeof bits);
                col.append(row, Real, bits);
                break;
            }
            case SQLITE_NULL:
                col.append(row, Null, 0);
                break;
            default: {
                const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
                col.appendText(row, text ? text : "", text ? sqlite3_value_bytes(value) : 0);
                break;
            }
            }
        }
        ++m_rows;
    }
    for (Column& col : m_columns)
        for (Block& b : col.blocks)
            b.pool.shrink_to_fit();
    m_order.resize(m_rows);
    std::iota(m_order.begin(), m_order.end(), 0);
    m_open = true;
    if (!m_sortSpec.isEmpty())
        applySort();
    first();
}

void RowSet::setSource(Connection* connection, const QString& sql, const QVariantList& params)
{
    m_connection = connection;
    m_sql = sql;
    m_params = params;
}

void RowSet::requery()
{
    if (!m_connection)
        throw DbError(QStringLiteral("row set has no source to re-query"));
    Statement statement(m_connection->handle(), m_sql);
    statement.bindAll(m_params);
    const QString order = m_sortSpec;
    load(statement);
    if (!order.isEmpty() && m_sortSpec != order)
        sort(order);
}

namespace {
// Revisions are unique across all row sets, so a set moved into the place of another has a
// revision of its own.
quint64 NextRevision()
{
    static std::atomic<quint64> last{0};
    return ++last;
}
} // namespace

void RowSet::close()
{
    m_revision = NextRevision();
    m_open = false;
    m_names.clear();
    m_declaredTypes.clear();
    m_index.clear();
    m_columns.clear();
    m_rows = 0;
    m_order.clear();
    m_pos = 0;
    m_eof = m_bof = true;
}

int RowSet::columnIndex(const QString& name) const
{
    return m_index.value(name.toLower(), -1);
}

int RowSet::requireColumn(const QString& name) const
{
    const int c = columnIndex(name);
    if (c < 0)
        throw DbError(QStringLiteral("没有找到字段 %1").arg(name));
    return c;
}

void RowSet::first()
{
    m_pos = 0;
    m_bof = m_eof = m_order.empty();
}

void RowSet::last()
{
    m_pos = int(m_order.size()) - 1;
    m_bof = m_eof = m_order.empty();
}

void RowSet::next()
{
    if (m_eof)
        return;
    m_bof = false;
    if (m_pos + 1 >= int(m_order.size())) {
        m_pos = int(m_order.size());
        m_eof = true;
    } else {
        ++m_pos;
    }
}

void RowSet::prior()
{
    if (m_bof)
        return;
    m_eof = false;
    if (m_pos <= 0) {
        m_pos = -1;
        m_bof = true;
    } else {
        --m_pos;
    }
}

bool RowSet::moveTo(int position)
{
    if (position < 0 || position >= int(m_order.size()))
        return false;
    m_pos = position;
    m_bof = m_eof = false;
    return true;
}

int RowSet::currentRow() const
{
    if (m_eof || m_bof || m_order.empty())
        throw DbError(QStringLiteral("没有当前记录"));
    return m_order[m_pos];
}

QVariant RowSet::cell(int row, int column) const
{
    const Column& col = m_columns[column];
    switch (col.tag(row)) {
    case Integer:
        return QVariant(qlonglong(col.payload(row)));
    case Real: {
        const int64_t payload = col.payload(row);
        double d;
        std::memcpy(&d, &payload, sizeof d);
        return QVariant(d);
    }
    case Text:
        return QVariant(col.text(row));
    default:
        return QVariant();
    }
}

QVariant RowSet::value(const QString& name) const
{
    return cell(currentRow(), requireColumn(name));
}

QString RowSet::text(const QString& name) const
{
    return FormatValueText(value(name));
}

qint64 RowSet::toInt(const QString& name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return NearestWhole64(v.toDouble());
    return v.toLongLong();
}

double RowSet::toDouble(const QString& name) const
{
    const QVariant v = value(name);
    return v.isNull() ? 0.0 : v.toDouble();
}

bool RowSet::toBool(const QString& name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return false;
    if (v.typeId() == QMetaType::QString) {
        const QString t = v.toString().trimmed().toLower();
        return t == QLatin1String("true") || t == QLatin1String("yes") || (t.toDouble() != 0.0);
    }
    return v.toDouble() != 0.0;
}

bool RowSet::isNull(const QString& name) const
{
    const int c = requireColumn(name);
    return m_columns[c].tag(currentRow()) == Null;
}

QVariant RowSet::valueAt(int position, int column) const
{
    return cell(m_order[position], column);
}

QString RowSet::textAt(int position, int column) const
{
    return FormatValueText(valueAt(position, column));
}

bool RowSet::isNullAt(int position, int column) const
{
    return m_columns[column].tag(m_order[position]) == Null;
}

double RowSet::doubleAt(int position, int column) const
{
    const QVariant v = valueAt(position, column);
    return v.isNull() ? 0.0 : v.toDouble();
}

namespace {
bool isNumber(const QVariant& v)
{
    return v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int || v.typeId() == QMetaType::Double
           || v.typeId() == QMetaType::UInt || v.typeId() == QMetaType::ULongLong;
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (isNumber(a) && isNumber(b)) {
        if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double)
            return a.toDouble() == b.toDouble();
        return a.toLongLong() == b.toLongLong();
    }
    return FormatValueText(a) == FormatValueText(b);
}
} // namespace

bool RowSet::locate(const QString& name, const QVariant& value)
{
    const int c = requireColumn(name);
    for (int p = 0; p < int(m_order.size()); ++p) {
        if (sameValue(cell(m_order[p], c), value))
            return moveTo(p);
    }
    return false;
}

Bookmark RowSet::bookmark() const
{
    Bookmark mark;
    if (position() < 0)
        return mark;
    mark.row = m_order[m_pos];
    const int k = m_keyColumn.isEmpty() ? -1 : columnIndex(m_keyColumn);
    if (k >= 0)
        mark.key = cell(mark.row, k);
    return mark;
}

bool RowSet::gotoBookmark(const Bookmark& mark)
{
    if (!mark.isValid())
        return false;
    const int k = m_keyColumn.isEmpty() ? -1 : columnIndex(m_keyColumn);
    if (k >= 0 && mark.key.isValid())
        return locate(m_keyColumn, mark.key);
    if (mark.row >= m_rows)
        return false;
    const auto it = std::find(m_order.begin(), m_order.end(), mark.row);
    return moveTo(int(it - m_order.begin()));
}

void RowSet::sort(const QString& order)
{
    m_sortSpec = order.trimmed();
    applySort();
    first();
}

void RowSet::applySort()
{
    m_revision = NextRevision();
    std::iota(m_order.begin(), m_order.end(), 0);
    if (m_sortSpec.isEmpty())
        return;
    const QStringList parts = m_sortSpec.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const int c = requireColumn(parts.value(0));
    const bool descending = parts.value(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
    const Column& col = m_columns[c];

    // Nulls first, then numbers by value, then texts in the Chinese collation order.
    std::vector<double> numbers(m_rows, 0.0);
    bool anyText = false;
    for (int r = 0; r < m_rows; ++r)
        anyText = anyText || col.tag(r) == Text;
    if (anyText) {
        // Texts get their rank among the texts, so one numeric comparison orders every row.
        QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
        std::vector<int> textRows;
        for (int r = 0; r < m_rows; ++r)
            if (col.tag(r) == Text)
                textRows.push_back(r);
        std::vector<QString> texts(m_rows);
        for (int r : textRows)
            texts[r] = col.text(r);
        std::stable_sort(textRows.begin(), textRows.end(),
                         [&](int a, int b) { return collator.compare(texts[a], texts[b]) < 0; });
        for (size_t i = 0; i < textRows.size(); ++i)
            numbers[textRows[i]] = double(i);
    }
    for (int r = 0; r < m_rows; ++r) {
        if (col.tag(r) == Integer)
            numbers[r] = double(col.payload(r));
        else if (col.tag(r) == Real) {
            const int64_t bits = col.payload(r);
            std::memcpy(&numbers[r], &bits, sizeof(double));
        }
    }
    auto rank = [&](int r) { return col.tag(r) == Null ? 0 : (col.tag(r) == Text ? 2 : 1); };
    std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
        const int ra = rank(a), rb = rank(b);
        if (ra != rb)
            return descending ? ra > rb : ra < rb;
        if (col.tag(a) == Integer && col.tag(b) == Integer) {
            const int64_t x = col.payload(a), y = col.payload(b);
            return descending ? x > y : x < y;
        }
        return descending ? numbers[a] > numbers[b] : numbers[a] < numbers[b];
    });
}

ColumnValueKinds RowSet::valueKinds(int column) const
{
    ColumnValueKinds kinds;
    if (column < 0 || column >= columnCount())
        return kinds;
    kinds.declaredType = m_declaredTypes.value(column);
    const Column& col = m_columns[column];
    for (int row = 0; row < m_rows; ++row) {
        switch (col.tag(row)) {
        case Integer: {
            kinds.hasInteger = true;
            const int64_t v = col.payload(row);
            if (v < INT32_MIN || v > INT32_MAX)
                kinds.integersFit32 = false;
            break;
        }
        case Real:
            kinds.hasReal = true;
            break;
        case Text: {
            kinds.hasText = true;
            // Characters, not bytes: count the bytes that begin a UTF-8 sequence.
            const char* at = col.blocks[row >> kBlockShift].pool.data() + col.payload(row);
            uint32_t length;
            std::memcpy(&length, at, sizeof length);
            int chars = 0;
            for (const char* p = at + sizeof length; p < at + sizeof length + length; ++p)
                chars += (uint8_t(*p) & 0xC0) != 0x80;
            kinds.longestText = std::max(kinds.longestText, chars);
            break;
        }
        default:
            break;
        }
    }
    return kinds;
}

size_t RowSet::memoryUsed() const
{
    size_t bytes = m_order.capacity() * sizeof(int);
    for (const Column& col : m_columns)
        bytes += col.bytes();
    return bytes;
}
