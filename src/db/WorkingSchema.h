#pragma once

#include <QString>
#include <QStringList>

class Connection;

// The version of the working database's schema, kept in the file's user_version. Files of the
// first releases hold 0; version 1 adds the list of expected units (ct_expected) and the register
// of received packages (dt_receipt). Packages and exports keep their formats whatever the version.
constexpr int kWorkingSchemaVersion = 1;

// The version a file records.
int SchemaVersionOf(Connection& connection);

struct SchemaUpgrade {
    int fileVersion = 0; // the version the file recorded before
    QStringList added;   // what was created: "ct_expected", "dt_receipt.Kept", "index ct_expected_c901"
    bool newer() const { return fileVersion > kWorkingSchemaVersion; }
};

// Brings an older working database to this program's version: the tables, columns and indexes of
// the later versions that the file lacks are created, and the version recorded, in one
// transaction; nothing else is touched. A file at this version that lacks nothing is not written
// at all, and a newer file is left alone. Raises DbError, leaving the file as it was. Called
// inside a transaction, the work joins it.
SchemaUpgrade UpgradeWorkingSchema(Connection& connection);

// What the program says when a file comes from a newer release: it can only be read.
QString NewerSchemaText(int fileVersion);
// What the program says when an older file could not be upgraded (it is left as it was).
QString UpgradeFailedText(const QString& error);
