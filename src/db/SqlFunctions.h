#pragma once

struct sqlite3;

// Registers the functions the program's statements use beyond SQLite's own: int(x), the
// next whole number not above x. They run only from statements, never from a file's schema.
void RegisterSqlFunctions(sqlite3* db);

#include <QVariant>

// The truth value of a condition as the rules compare it: a true comparison reads -1, a false
// one 0, and NULL reads 0 (the rule holds).
qint64 ToJetTruth(const QVariant& value);
