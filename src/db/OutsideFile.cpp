#include "db/OutsideFile.h"

#include "base/FileErrors.h"
#include "db/Connection.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <optional>
#include <thread>
#include <fcntl.h>
#include <unistd.h>

OutsideTable OutsideTableOf(Connection& connection, const QString& table)
{
    OutsideTable required;
    required.name = table;
    required.columns = connection.columnNames(table);
    if (required.columns.isEmpty())
        throw DbError(QStringLiteral("系统中不存在名字为\"%1\"的数据表").arg(table));
    return required;
}

qint64 OutsideCheckMilliseconds(qint64 fileSize)
{
    return 30000 + qMax<qint64>(0, fileSize) / (4 << 20) * 1000;
}

QString OutsideTimeLimitText()
{
    return QStringLiteral("检查所选的文件用时过长，已经停止：文件的内容过于复杂或者已经损坏");
}

namespace {
const QByteArray kHeader("SQLite format 3\0", 16);
constexpr int kHeaderSize = 100;

quint32 bigEndian(const QByteArray& bytes, int at, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}

// The file's size when it starts with the database header and is exactly as long as the header
// says: a whole number of pages, as many as it counts (a file cut short inside its last page
// reads the missing bytes as zeros and may pass the engine's own check). -1 with the reason.
qint64 checkHeaderAndSize(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取所选的文件（%1）").arg(file.errorString());
        return -1;
    }
    const QByteArray head = file.read(kHeaderSize);
    if (!head.startsWith(kHeader)) {
        *error = QStringLiteral("所选的文件不是有效的数据文件");
        return -1;
    }
    const qint64 size = file.size();
    const quint32 stored = bigEndian(head, 16, 2);
    const qint64 pageSize = stored == 1 ? 65536 : stored;
    if (head.size() < kHeaderSize || pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
        *error = QStringLiteral("所选的文件已经损坏（文件头中的页大小无效）");
        return -1;
    }
    if (size % pageSize != 0) {
        *error = QStringLiteral("所选的文件不完整或已经损坏：它的大小（%1字节）不是页大小（%2字节）的整数倍")
                     .arg(size)
                     .arg(pageSize);
        return -1;
    }
    // The page count is valid when the writer kept it with the change counter (every engine since 2010).
    const qint64 pages = bigEndian(head, 28, 4);
    if (pages == 0 || bigEndian(head, 24, 4) != bigEndian(head, 92, 4)) {
        *error = QStringLiteral("所选的文件已经损坏：文件头中没有有效的页数，无法确认文件是完整的");
        return -1;
    }
    if (pages * pageSize != size) {
        *error = QStringLiteral("所选的文件不完整或已经损坏：它的大小（%1字节）与文件头所记的%2页（%3字节）不符")
                     .arg(size)
                     .arg(pages)
                     .arg(pages * pageSize);
        return -1;
    }
    return size;
}

// The first line that says something of an engine diagnostic (the integrity check gives many
// lines under a heading), so that a message box holds one line.
QString diagnosticLine(const QString& text)
{
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString plain = line.trimmed();
        if (!plain.isEmpty() && !plain.startsWith(QLatin1String("*** in database")))
            return plain.left(200);
    }
    return text.trimmed().left(200);
}

bool isWordCharacter(QChar c)
{
    return c.unicode() >= 0x80 || c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// Whether a CREATE statement holds the keyword CHECK, read as the engine reads it: the words
// outside quoted names, strings and comments.
bool holdsCheckKeyword(const QString& sql)
{
    const int n = int(sql.size());
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            // A quoted string or name; the quote doubled stands for itself.
            ++i;
            while (i < n) {
                if (sql[i] == c) {
                    if (i + 1 < n && sql[i + 1] == c) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            ++i;
        } else if (c == QLatin1Char('[')) {
            const int end = int(sql.indexOf(QLatin1Char(']'), i + 1));
            i = end < 0 ? n : end + 1;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            const int end = int(sql.indexOf(QLatin1Char('\n'), i));
            i = end < 0 ? n : end + 1;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            const int end = int(sql.indexOf(QLatin1String("*/"), i + 2));
            i = end < 0 ? n : end + 2;
        } else if (isWordCharacter(c)) {
            const int start = i;
            while (i < n && isWordCharacter(sql[i]))
                ++i;
            if (QStringView(sql).mid(start, i - start).compare(QLatin1String("check"), Qt::CaseInsensitive) == 0)
                return true;
        } else {
            ++i;
        }
    }
    return false;
}

// A required table's entry in the file's schema; the name is empty when the file holds no
// table or view of that name.
struct SchemaEntry {
    QString name;
    QString type;
    qint64 rootPage = 0;
    QString sql;
};

SchemaEntry findObject(Connection& db, const QString& name)
{
    RowSet rows = db.query(QStringLiteral("select name, type, rootpage, sql from main.sqlite_master "
                                          "where name = ?1 collate nocase and type in ('table','view') "
                                          "order by type limit 1"),
                           {name});
    SchemaEntry entry;
    if (rows.isEmpty())
        return entry;
    rows.first();
    entry.name = rows.text(QStringLiteral("name"));
    entry.type = rows.text(QStringLiteral("type"));
    entry.rootPage = rows.value(QStringLiteral("rootpage")).toLongLong();
    entry.sql = rows.text(QStringLiteral("sql"));
    return entry;
}

// Column names as they are compared: in any case. A table has hundreds of columns, so they are
// looked up, not searched.
QSet<QString> foldedNames(const QStringList& names)
{
    QSet<QString> folded;
    folded.reserve(names.size());
    for (const QString& name : names)
        folded.insert(name.toCaseFolded());
    return folded;
}

// A plain reason when the table is not one an import may read: another layout, or something
// that would compute or refuse values (computed columns, CHECK constraints, indexes on
// expressions or with conditions). Only this table is looked at.
QString checkTable(Connection& db, const SchemaEntry& table, const OutsideTable& required)
{
    // A virtual table has no pages of its own; its module is never loaded here.
    if (table.rootPage <= 0)
        return QStringLiteral("所选文件中的\"%1\"不是普通的数据表").arg(required.name);
    RowSet columns = db.query(QStringLiteral("select name, hidden from pragma_table_xinfo(?1, 'main') order by cid"),
                              {table.name});
    QStringList found;
    for (columns.first(); !columns.eof(); columns.next()) {
        const QString name = columns.text(QStringLiteral("name"));
        if (columns.toInt(QStringLiteral("hidden")) != 0)
            return QStringLiteral("所选文件中的数据表\"%1\"含有计算字段\"%2\"").arg(required.name, name);
        found << name;
    }
    const QSet<QString> have = foldedNames(found);
    const QSet<QString> wanted = foldedNames(required.columns);
    for (const QString& name : required.columns)
        if (!have.contains(name.toCaseFolded()))
            return QStringLiteral("所选文件中的数据表\"%1\"缺少字段\"%2\"").arg(required.name, name);
    for (const QString& name : found)
        if (!wanted.contains(name.toCaseFolded()))
            return QStringLiteral("所选文件中的数据表\"%1\"有多余的字段\"%2\"").arg(required.name, name);
    // A table without row ids has none to select.
    try {
        db.query(QStringLiteral("select rowid from main.%1 where 0").arg(QuoteIdentifier(table.name)));
    } catch (const DbError&) {
        if (db.timeLimitPassed())
            throw;
        return QStringLiteral("所选文件中的\"%1\"不是普通的数据表").arg(required.name);
    }
    if (holdsCheckKeyword(table.sql))
        return QStringLiteral("所选文件中的数据表\"%1\"带有检查约束（CHECK）").arg(required.name);
    RowSet indexes = db.query(QStringLiteral("select name, partial from pragma_index_list(?1, 'main')"), {table.name});
    for (indexes.first(); !indexes.eof(); indexes.next()) {
        const QString index = indexes.text(QStringLiteral("name"));
        const bool computed =
            indexes.toInt(QStringLiteral("partial")) != 0
            || db.scalar(QStringLiteral("select count(*) from pragma_index_xinfo(?1, 'main') where cid = -2"), {index})
                       .toLongLong()
                   > 0;
        if (computed)
            return QStringLiteral("所选文件中的数据表\"%1\"带有按表达式或条件建立的索引\"%2\"").arg(required.name, index);
    }
    return QString();
}

QString refusalOf(const Connection& db, const DbError& e)
{
    if (db.timeLimitPassed())
        return OutsideTimeLimitText();
    // The header was right: what stops the engine now is most likely damage.
    return QStringLiteral("所选的文件无法打开，可能已经损坏（%1）").arg(diagnosticLine(e.message()));
}

// Opens a file for one of the checks, under their time bound.
void openForCheck(Connection& db, const QString& path, qint64 timeLimit, OutsideFilePlace place)
{
    db.open(path, Connection::Mode::Outside);
    if (place == OutsideFilePlace::InPlace)
        db.execute(QStringLiteral("PRAGMA mmap_size=0"));
    db.setTimeLimit(timeLimit);
}

// The checks besides the quick check on an open file: its text encoding and its required tables.
void checkEncodingAndTables(Connection& db, const QList<OutsideTable>& tables, OutsideFileCheck& result)
{
    // A file in another text encoding cannot be read beside ours.
    const QString encoding = db.scalar(QStringLiteral("PRAGMA encoding")).toString();
    if (encoding != QLatin1String("UTF-8")) {
        result.error = QStringLiteral("所选文件的文字编码（%1）不是UTF-8").arg(encoding);
        return;
    }
    for (const OutsideTable& table : tables) {
        const SchemaEntry entry = findObject(db, table.name);
        if (entry.name.isEmpty()) {
            result.missingTables << table.name;
            continue;
        }
        if (entry.type != QLatin1String("table")) {
            result.error = QStringLiteral("所选文件中的\"%1\"不是数据表").arg(table.name);
            return;
        }
        result.error = checkTable(db, entry, table);
        if (!result.error.isEmpty())
            return;
    }
}
} // namespace

OutsideFileCheck CheckOutsideFile(const QString& path, const QList<OutsideTable>& tables, qint64 timeLimit,
                                  OutsideFilePlace place, QuickCheckRun* quickCheck)
{
    OutsideFileCheck result;
    const qint64 size = checkHeaderAndSize(path, &result.error);
    if (size < 0)
        return result;
    const qint64 limit = timeLimit < 0 ? OutsideCheckMilliseconds(size) : timeLimit;
    std::optional<QuickCheckRun> ownQuickCheck;
    if (!quickCheck)
        ownQuickCheck.emplace(path, limit, place);
    Connection db;
    try {
        openForCheck(db, path, limit, place);
        checkEncodingAndTables(db, tables, result);
    } catch (const DbError& e) {
        result.error = refusalOf(db, e);
    }
    if (ownQuickCheck) {
        const QString damage = ownQuickCheck->result();
        if (!damage.isEmpty())
            result.error = damage;
    }
    if (!result.error.isEmpty())
        result.missingTables.clear();
    return result;
}

struct QuickCheckRun::State {
    std::thread thread;
    QString refusal;
};

QuickCheckRun::QuickCheckRun(const QString& path, qint64 timeLimit, OutsideFilePlace place) : m_state(new State)
{
    State* state = m_state.get();
    state->thread = std::thread([state, path, timeLimit, place] {
        // The header first, as the other checks do: a file cut short says so, not what the
        // engine makes of it.
        if (checkHeaderAndSize(path, &state->refusal) < 0)
            return;
        Connection db;
        try {
            openForCheck(db, path, timeLimit, place);
            QString check;
            try {
                check = db.scalar(QStringLiteral("PRAGMA quick_check")).toString();
            } catch (const DbError& e) {
                if (db.timeLimitPassed())
                    throw;
                check = e.message();
            }
            if (check != QLatin1String("ok"))
                state->refusal = QStringLiteral("所选的文件已经损坏（%1）").arg(diagnosticLine(check));
        } catch (const DbError& e) {
            state->refusal = refusalOf(db, e);
        } catch (...) {
            state->refusal = QStringLiteral("所选的文件无法检查");
        }
    });
}

QuickCheckRun::~QuickCheckRun()
{
    if (m_state->thread.joinable())
        m_state->thread.join();
}

QString QuickCheckRun::result()
{
    if (m_state->thread.joinable())
        m_state->thread.join();
    return m_state->refusal;
}

void OpenOutsideFile(Connection& connection, const QString& path)
{
    connection.open(path, Connection::Mode::Outside);
    connection.setTimeLimit(OutsideCheckMilliseconds(QFileInfo(path).size()));
}

namespace {
// Whether the journal beside a database holds changes that never reached it: a rollback journal
// still valid (the writer stopped half-way) or a write-ahead log with its header.
bool holdsPendingChanges(const QString& journal, bool writeAhead)
{
    QFile file(journal);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(32);
    if (writeAhead)
        return head.size() == 32 && file.size() > 32
               && (head.startsWith(QByteArray("\x37\x7f\x06\x82", 4)) || head.startsWith(QByteArray("\x37\x7f\x06\x83", 4)));
    return head.startsWith(QByteArray("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8));
}

QString nativeName(const QString& path)
{
    return QDir::toNativeSeparators(path);
}
} // namespace

OutsideCopy::~OutsideCopy()
{
    remove();
}

void OutsideCopy::remove()
{
    if (m_path.isEmpty())
        return;
    QFile::remove(m_path);
    QFile::remove(m_path + QStringLiteral("-journal"));
    m_path.clear();
}

QString OutsideCopy::named(const QString& text) const
{
    if (m_path.isEmpty())
        return text;
    return QString(text).replace(m_path, nativeName(m_chosen));
}

bool OutsideCopy::make(const QString& chosen, QString* error)
{
    remove();
    m_chosen = chosen;
    const QString folder = QDir::tempPath();
    RemoveStaleTempFiles(folder);
    for (const auto& [suffix, writeAhead] : {std::pair{"-journal", false}, std::pair{"-wal", true}}) {
        const QString journal = chosen + QLatin1String(suffix);
        if (holdsPendingChanges(journal, writeAhead)) {
            *error = QStringLiteral("所选的文件“%1”还没有写完（“%2”中有没有写入它的更改）：请让写出它的程序把它正常关闭后再试")
                         .arg(nativeName(chosen), nativeName(journal));
            return false;
        }
    }
    const int in = ::open(QFile::encodeName(chosen).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *error = QStringLiteral("无法读取所选的文件“%1”：%2").arg(nativeName(chosen), FileErrorCause(errno));
        return false;
    }
    QString made;
    m_path = MakePrivateTempFile(&made);
    const int out = m_path.isEmpty() ? -1 : ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (out < 0) {
        const int cause = errno;
        ::close(in);
        if (m_path.isEmpty()) {
            *error = made;
        } else {
            remove();
            *error = QStringLiteral("无法在临时文件夹“%1”中建立文件：%2").arg(nativeName(folder), FileErrorCause(cause));
        }
        return false;
    }
    char buffer[1 << 16];
    bool readFailed = false;
    int cause = 0;
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            readFailed = n < 0;
            cause = n < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; done < n && cause == 0;) {
            const ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                cause = w < 0 ? errno : ENOSPC;
            else
                done += w;
        }
        if (cause != 0)
            break;
    }
    ::close(in);
    if (::close(out) != 0 && cause == 0)
        cause = errno;
    if (cause == 0)
        return true;
    remove();
    if (readFailed)
        *error = QStringLiteral("无法读取所选的文件“%1”：%2").arg(nativeName(chosen), FileErrorCause(cause));
    else
        *error = QStringLiteral("无法把所选的文件“%1”复制到临时文件夹“%2”：%3")
                     .arg(nativeName(chosen), nativeName(folder), FileErrorCause(cause));
    return false;
}
