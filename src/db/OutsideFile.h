#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Connection;

// A table an import copies from a file received from elsewhere, with the columns it copies.
struct OutsideTable {
    QString name;
    QStringList columns; // the file's table must have exactly these: by name, any order, any case
};

// The same table of an open database (the working one): its name and its own column list.
OutsideTable OutsideTableOf(Connection& connection, const QString& table);

// What the check found.
struct OutsideFileCheck {
    QString error;             // a plain reason the file must not be read; empty when it may
    QStringList missingTables; // required tables the file does not hold, named as required
    bool passed() const { return error.isEmpty() && missingTables.isEmpty(); }
};

// Checks a database file received from elsewhere before anything is read from it. The file
// must start with the database header, open read-only (defensive, its schema untrusted, so
// nothing in it can run our functions), pass the engine's quick check and use the text encoding
// of our files. Each required table it holds must be an ordinary table with exactly the
// required columns and no computed ones. A missing table is listed, not an error: the caller
// decides. Nothing is written and none of the file's views or triggers runs; readers attach it
// read-only afterwards and copy with explicit column lists.
OutsideFileCheck CheckOutsideFile(const QString& path, const QList<OutsideTable>& tables);
