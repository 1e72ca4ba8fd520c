#pragma once

#include "db/RowSet.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <functional>

struct sqlite3;

// One connection to a database file. Every failure raises DbError with the engine's text.
class Connection {
public:
    enum class Mode {
        ReadWrite, // the file must exist
        Create,    // the file is created when missing
        ReadOnly,  // a file received from elsewhere: read-only, checked before use
        // A private copy of a file received from elsewhere: read as a file nothing else changes
        // (no lock, no journal: nothing is looked for or made beside it), with its views and
        // triggers switched off and temporary work kept in memory.
        Outside,
    };

    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void open(const QString& path, Mode mode = Mode::ReadWrite);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    const QString& path() const { return m_path; }
    sqlite3* handle() const;
    // How long a statement waits for a lock another connection holds before it fails with
    // "database is locked" (2 seconds after opening).
    void setBusyTimeout(int milliseconds);
    // Statements still running this many milliseconds from now stop with DbError (checked
    // through the engine's progress handler); timeLimitPassed() then tells why. A negative
    // value removes the limit.
    void setTimeLimit(qint64 milliseconds);
    bool timeLimitPassed() const;

    // Sees the text of every statement that changes data (tests count statements with it).
    void setStatementObserver(std::function<void(const QString&)> observer) { m_observer = std::move(observer); }

    // Runs a statement that returns no rows; the result is the number of rows changed.
    int execute(const QString& sql, const QVariantList& params = {});
    // Runs several statements separated by ";" (schema scripts).
    void executeScript(const QString& sql);
    RowSet query(const QString& sql, const QVariantList& params = {});
    // The first column of the first row; an invalid QVariant when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    // Opens a table in the order of one of its named indexes.
    RowSet openTableByIndex(const QString& table, const QString& indexName);

    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;

    // Names of the user tables, engine tables left out.
    QStringList tableNames();
    bool hasTable(const QString& name);
    QStringList columnNames(const QString& table, const QString& schema = QStringLiteral("main"));

    // Another database file seen under an alias for cross-file statements.
    void attach(const QString& file, const QString& alias);
    // The same, read-only: nothing done through this connection can change the file.
    void attachReadOnly(const QString& file, const QString& alias);
    // A private copy of a received file, read as Mode::Outside reads it (no lock, no journal,
    // nothing beside it); nothing in the file can change or run through this connection.
    void attachOutside(const QString& file, const QString& alias);
    void detach(const QString& alias);

    // "insert into T select * from T in 'file' [where ...]": copies the rows of T from another
    // file, attached read-only, by the column list of this file's T. Returns the number of rows copied.
    int insertAllFromFile(const QString& table, const QString& file, const QString& where = QString());
    // "select * into T in 'file' from T": creates T in another file with this file's rows.
    void selectIntoFile(const QString& table, const QString& file);

private:
    void applySettings(Mode mode);
    static int progress(void* connection);
    sqlite3* m_db = nullptr;
    qint64 m_deadline = -1; // the time limit's end on the monotonic clock, in ms; -1 without one
    QString m_path;
    std::function<void(const QString&)> m_observer;
};

// Makes sure a transaction ends: rolled back unless committed.
class Transaction {
public:
    explicit Transaction(Connection& connection) : m_connection(connection) { m_connection.begin(); }
    ~Transaction()
    {
        if (!m_done) {
            try {
                m_connection.rollback();
            } catch (...) {
            }
        }
    }
    void commit()
    {
        m_connection.commit();
        m_done = true;
    }

private:
    Connection& m_connection;
    bool m_done = false;
};

// Another file attached for the life of this object: detached on every way out.
class AttachGuard {
public:
    enum class As { Writable, ReadOnly, Outside };
    AttachGuard(Connection& c, const QString& file, const QString& alias, As as = As::Writable)
        : m_c(c), m_alias(alias)
    {
        if (as == As::Outside)
            m_c.attachOutside(file, alias);
        else if (as == As::ReadOnly)
            m_c.attachReadOnly(file, alias);
        else
            m_c.attach(file, alias);
    }
    ~AttachGuard()
    {
        try {
            m_c.detach(m_alias);
        } catch (...) {
        }
    }
    AttachGuard(const AttachGuard&) = delete;
    AttachGuard& operator=(const AttachGuard&) = delete;

private:
    Connection& m_c;
    QString m_alias;
};

// Quotes an identifier for a statement ("name" with doubled quotes).
QString QuoteIdentifier(const QString& name);
