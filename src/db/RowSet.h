#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Connection;
class Statement;

// Where a row set was, so that it can come back to the same row after a re-query.
// With a key column the row is found again by its key; otherwise by its place.
struct Bookmark {
    int row = -1;
    QVariant key;
    bool isValid() const { return row >= 0; }
};

// What the values of one column are, for writing the column into another file: which kinds of
// value occur, whether every whole number fits 32 bits, the longest text in characters, and
// the type the statement declared for the column (empty when it declared none).
struct ColumnValueKinds {
    bool hasInteger = false;
    bool hasReal = false;
    bool hasText = false;
    bool integersFit32 = true;
    int longestText = 0;
    QString declaredType;
};

// A static, scrollable, fully read result. Values are kept per column in compact typed
// storage (in blocks of rows: a payload as wide as the block's values need, a type byte per cell
// only where the types mix, texts in pools), so 100,000 returns of some 220 columns of counts
// take some 50 MB.
class RowSet {
public:
    RowSet() = default;
    RowSet(RowSet&&) noexcept = default;
    RowSet& operator=(RowSet&&) noexcept = default;
    RowSet(const RowSet&) = delete;
    RowSet& operator=(const RowSet&) = delete;

    // Reads every row of the statement. With a connection and the text, the set can re-query.
    void load(Statement& statement);
    void setSource(Connection* connection, const QString& sql, const QVariantList& params = {});
    void requery();
    void close();
    bool isOpen() const { return m_open; }
    const QString& sql() const { return m_sql; }

    int recordCount() const { return int(m_order.size()); }
    bool isEmpty() const { return m_order.empty(); }
    int columnCount() const { return int(m_columns.size()); }
    QString columnName(int column) const { return m_names.value(column); }
    const QStringList& columnNames() const { return m_names; }
    // Column names match without regard to letter case; -1 when there is no such column.
    int columnIndex(const QString& name) const;

    void first();
    void last();
    void next();
    void prior();
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    // The current row's place in the present order, 0-based; -1 when there is none.
    int position() const { return (m_eof || m_bof || m_order.empty()) ? -1 : m_pos; }
    bool moveTo(int position);

    // Values of the current row. Unknown names raise DbError; NULL reads as "" or 0.
    QVariant value(const QString& name) const;
    QString text(const QString& name) const;
    qint64 toInt(const QString& name) const;
    double toDouble(const QString& name) const;
    bool toBool(const QString& name) const;
    bool isNull(const QString& name) const;

    // Values by place in the present order and column number (for table models).
    QVariant valueAt(int position, int column) const;
    QString textAt(int position, int column) const;
    bool isNullAt(int position, int column) const;
    double doubleAt(int position, int column) const;

    // Moves to the first row whose column equals the value; stays put and returns false otherwise.
    bool locate(const QString& name, const QVariant& value);

    // The key column names the column whose value identifies a row across re-queries.
    void setKeyColumn(const QString& name) { m_keyColumn = name; }
    Bookmark bookmark() const;
    bool gotoBookmark(const Bookmark& mark);

    // Sorts the rows held, "COL ASC" or "COL DESC"; an empty text restores the read order.
    void sort(const QString& order);
    const QString& sortSpec() const { return m_sortSpec; }

    ColumnValueKinds valueKinds(int column) const;

    // Changes whenever the rows held or their order change (a re-query, a sort, a close), so
    // that work which lets events run can tell that the rows it reads moved under it.
    quint64 revision() const { return m_revision; }

    // Bytes held by the values (for benchmarks).
    size_t memoryUsed() const;

private:
    enum Tag : uint8_t { Null = 0, Integer = 1, Real = 2, Text = 3 };
    // Rows are kept in blocks of a fixed size, so a growing set never copies what it holds.
    // Within a block the payloads take the bytes the widest of them needs (none while all are
    // 0, then 1, 2, 4 or 8), and the tags one byte each only once they differ.
    static constexpr int kBlockShift = 12;
    static constexpr int kBlockRows = 1 << kBlockShift;
    struct Block {
        uint8_t tag = Null;                // every row's tag while `tags` is empty
        uint8_t width = 0;                 // bytes per payload
        std::unique_ptr<uint8_t[]> tags;   // one per row, once two rows' tags differ
        std::unique_ptr<uint8_t[]> data;   // kBlockRows payloads of `width` bytes
        std::string pool;                  // texts, each as its byte count and its bytes; payload = offset
        int64_t payload(int i) const;
        void widen(uint8_t width, int rows);
    };
    struct Column {
        std::vector<Block> blocks;
        void append(int row, Tag tag, int64_t payload);
        void appendText(int row, const char* text, int bytes);
        Tag tag(int row) const
        {
            const Block& b = blocks[row >> kBlockShift];
            return Tag(b.tags ? b.tags[row & (kBlockRows - 1)] : b.tag);
        }
        int64_t payload(int row) const { return blocks[row >> kBlockShift].payload(row & (kBlockRows - 1)); }
        QString text(int row) const;
        size_t bytes() const;
    };

    int requireColumn(const QString& name) const;
    int currentRow() const;
    QVariant cell(int row, int column) const;
    void applySort();

    bool m_open = false;
    QStringList m_names;
    QStringList m_declaredTypes;
    QHash<QString, int> m_index; // lower-case name -> column
    std::vector<Column> m_columns;
    int m_rows = 0;
    std::vector<int> m_order; // place -> stored row
    int m_pos = 0;
    bool m_eof = true;
    bool m_bof = true;
    QString m_sortSpec;
    QString m_keyColumn;
    Connection* m_connection = nullptr;
    QString m_sql;
    QVariantList m_params;
    quint64 m_revision = 0;
};
