#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement. Values are bound by position (1-based), never pasted into the text.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, const QVariant& value);
    void bindAll(const QVariantList& values);
    // Steps once; true while a row is available.
    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    QVariant value(int column) const;
    sqlite3_stmt* handle() const { return m_stmt; }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};
