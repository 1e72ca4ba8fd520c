#include "db/Connection.h"

#include "db/DbError.h"
#include "db/SqlFunctions.h"
#include "db/Statement.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QRegularExpression>

#include <sqlite3.h>

QString QuoteIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

Connection::~Connection()
{
    close();
}

namespace {
// The URI of a file for the engine, with its query ("mode=ro", "immutable=1").
QString fileUri(const QString& file, const QString& query)
{
    return QString::fromLatin1(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toEncoded())
           + QLatin1Char('?') + query;
}

const QString kOutsideQuery = QStringLiteral("mode=ro&immutable=1");
// A received file is read through a map of its pages rather than a copy of each: it is the
// program's private, unchanging copy, and a check and a copy each read it whole.
const QString kOutsideMapSize = QStringLiteral("268435456");
} // namespace

void Connection::open(const QString& path, Mode mode)
{
    close();
    if (mode != Mode::Create && !QFile::exists(path))
        throw DbError(QStringLiteral("找不到文件“%1”").arg(path));
    // A connection is used by one thread at a time (a worker reading at start-up has its own), so
    // the engine need not lock around every call. URIs let a file be attached read-only
    // (attachReadOnly); plain paths read as before.
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    switch (mode) {
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::Create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case Mode::ReadOnly:
    case Mode::Outside:
        flags |= SQLITE_OPEN_READONLY;
        break;
    }
    const QString name = mode == Mode::Outside ? fileUri(path, kOutsideQuery) : path;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        throw DbError(message);
    }
    m_db = db;
    m_path = path;
    try {
        applySettings(mode);
    } catch (...) {
        close();
        throw;
    }
}

void Connection::applySettings(Mode mode)
{
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 2000);
    // Files may come from elsewhere: their schema never runs our functions, and nothing
    // may write the schema behind the engine's back.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    if (mode == Mode::Outside) {
        // What a received file holds is read as stored, never resolved or run.
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
        executeScript(QStringLiteral("PRAGMA temp_store=MEMORY; PRAGMA mmap_size=%1;").arg(kOutsideMapSize));
    }
    RegisterSqlFunctions(m_db);
    // Touching the schema makes a file that is not a database fail here, not later.
    scalar(QStringLiteral("select count(*) from sqlite_master"));
    if (mode != Mode::ReadOnly && mode != Mode::Outside) {
        executeScript(QStringLiteral("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;"));
    }
}

void Connection::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_deadline = -1;
}

void Connection::setBusyTimeout(int milliseconds)
{
    sqlite3_busy_timeout(handle(), milliseconds);
}

int Connection::progress(void* connection)
{
    return static_cast<Connection*>(connection)->timeLimitPassed() ? 1 : 0;
}

void Connection::setTimeLimit(qint64 milliseconds)
{
    if (milliseconds < 0) {
        m_deadline = -1;
        sqlite3_progress_handler(handle(), 0, nullptr, nullptr);
        return;
    }
    m_deadline = QDeadlineTimer::current().deadline() + milliseconds;
    // Every thousand engine steps: a few microseconds apart.
    sqlite3_progress_handler(handle(), 1000, &Connection::progress, this);
}

bool Connection::timeLimitPassed() const
{
    return m_deadline >= 0 && QDeadlineTimer::current().deadline() >= m_deadline;
}

sqlite3* Connection::handle() const
{
    if (!m_db)
        throw DbError(QStringLiteral("数据库连接没有打开"));
    return m_db;
}

int Connection::execute(const QString& sql, const QVariantList& params)
{
    if (m_observer)
        m_observer(sql);
    Statement statement(handle(), sql);
    statement.bindAll(params);
    while (statement.step()) {
    }
    return sqlite3_changes(m_db);
}

void Connection::executeScript(const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(handle(), sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(m_db));
        sqlite3_free(error);
        throw DbError(message);
    }
}

RowSet Connection::query(const QString& sql, const QVariantList& params)
{
    Statement statement(handle(), sql);
    statement.bindAll(params);
    RowSet rows;
    rows.setSource(this, sql, params);
    rows.load(statement);
    return rows;
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params)
{
    Statement statement(handle(), sql);
    statement.bindAll(params);
    if (!statement.step())
        return QVariant();
    return statement.value(0);
}

RowSet Connection::openTableByIndex(const QString& table, const QString& indexName)
{
    const QVariant owner = scalar(
        QStringLiteral("select tbl_name from sqlite_master where type='index' and name=?1 collate nocase"),
        {indexName});
    if (!owner.isValid() || owner.toString().compare(table, Qt::CaseInsensitive) != 0)
        throw DbError(QStringLiteral("表 %1 没有名为 %2 的索引").arg(table, indexName));
    RowSet info = query(QStringLiteral("select name from pragma_index_info(?1) order by seqno"), {indexName});
    QStringList columns;
    for (info.first(); !info.eof(); info.next())
        columns << QuoteIdentifier(info.text(QStringLiteral("name")));
    return query(QStringLiteral("select * from %1 order by %2").arg(QuoteIdentifier(table), columns.join(',')));
}

void Connection::begin()
{
    execute(QStringLiteral("BEGIN IMMEDIATE"));
}

void Connection::commit()
{
    execute(QStringLiteral("COMMIT"));
}

void Connection::rollback()
{
    if (inTransaction())
        execute(QStringLiteral("ROLLBACK"));
}

bool Connection::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

QStringList Connection::tableNames()
{
    QStringList names;
    RowSet rows = query(QStringLiteral(
        "select name from sqlite_master where type='table' and name not like 'sqlite\\_%' escape '\\' order by name"));
    for (rows.first(); !rows.eof(); rows.next())
        names << rows.text(QStringLiteral("name"));
    return names;
}

bool Connection::hasTable(const QString& name)
{
    return tableNames().contains(name, Qt::CaseInsensitive);
}

QStringList Connection::columnNames(const QString& table, const QString& schema)
{
    QStringList names;
    RowSet rows = query(QStringLiteral("select name from pragma_table_info(?1, ?2) order by cid"), {table, schema});
    for (rows.first(); !rows.eof(); rows.next())
        names << rows.text(QStringLiteral("name"));
    return names;
}

namespace {
void requireAlias(const QString& alias)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!plain.match(alias).hasMatch())
        throw DbError(QStringLiteral("无效的数据库别名 %1").arg(alias));
}
} // namespace

void Connection::attach(const QString& file, const QString& alias)
{
    requireAlias(alias);
    if (!QFile::exists(file))
        throw DbError(QStringLiteral("找不到文件“%1”").arg(file));
    execute(QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(alias), {file});
}

void Connection::attachReadOnly(const QString& file, const QString& alias)
{
    requireAlias(alias);
    if (!QFile::exists(file))
        throw DbError(QStringLiteral("找不到文件“%1”").arg(file));
    execute(QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(alias), {fileUri(file, QStringLiteral("mode=ro"))});
}

void Connection::attachOutside(const QString& file, const QString& alias)
{
    requireAlias(alias);
    if (!QFile::exists(file))
        throw DbError(QStringLiteral("找不到文件“%1”").arg(file));
    execute(QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(alias), {fileUri(file, kOutsideQuery)});
    executeScript(QStringLiteral("PRAGMA %1.mmap_size=%2;").arg(alias, kOutsideMapSize));
}

void Connection::detach(const QString& alias)
{
    requireAlias(alias);
    execute(QStringLiteral("DETACH DATABASE %1").arg(alias));
}

int Connection::insertAllFromFile(const QString& table, const QString& file, const QString& where)
{
    AttachGuard guard(*this, file, QStringLiteral("infile"), AttachGuard::As::ReadOnly);
    const QStringList target = columnNames(table);
    const QStringList source = columnNames(table, QStringLiteral("infile"));
    if (target.isEmpty())
        throw DbError(QStringLiteral("没有数据表 %1").arg(table));
    if (source.isEmpty())
        throw DbError(QStringLiteral("文件“%1”中没有数据表 %2").arg(file, table));
    QStringList columns;
    for (const QString& name : target) {
        if (!source.contains(name, Qt::CaseInsensitive))
            throw DbError(QStringLiteral("文件“%1”的数据表 %2 缺少字段 %3").arg(file, table, name));
        columns << QuoteIdentifier(name);
    }
    const QString list = columns.join(',');
    QString sql = QStringLiteral("insert into main.%1 (%2) select %2 from infile.%1")
                      .arg(QuoteIdentifier(table), list);
    if (!where.trimmed().isEmpty())
        sql += QStringLiteral(" where ") + where;
    return execute(sql);
}

void Connection::selectIntoFile(const QString& table, const QString& file)
{
    AttachGuard guard(*this, file, QStringLiteral("intofile"));
    const QVariant create = scalar(
        QStringLiteral("select sql from main.sqlite_master where type='table' and name=?1 collate nocase"), {table});
    if (!create.isValid())
        throw DbError(QStringLiteral("没有数据表 %1").arg(table));
    // Keep the declared columns and types: rewrite the table's own CREATE statement.
    static const QRegularExpression head(QStringLiteral(R"(^\s*CREATE\s+TABLE\s+("[^"]*"|\[[^\]]*\]|`[^`]*`|\S+?)\s*\()"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString sql = create.toString();
    const QRegularExpressionMatch m = head.match(sql);
    if (!m.hasMatch())
        throw DbError(QStringLiteral("无法复制数据表 %1").arg(table));
    sql = QStringLiteral("CREATE TABLE intofile.%1 (").arg(QuoteIdentifier(table)) + sql.mid(m.capturedEnd());
    execute(sql);
    execute(QStringLiteral("insert into intofile.%1 select * from main.%1").arg(QuoteIdentifier(table)));
}
