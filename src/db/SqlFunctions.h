#pragma once

struct sqlite3;

// Registers the functions the program's statements use beyond SQLite's own: int(x), the
// next whole number not above x. They run only from statements, never from a file's schema.
void RegisterSqlFunctions(sqlite3* db);

#include <QtGlobal>

// int(x) of a real x: the next whole number not above x. True with the whole number in *whole
// when it fits 64 bits; false with it as a real in *real otherwise.
bool FloorOfReal(double x, qint64* whole, double* real);

#include <QVariant>

// The truth value of a condition as the rules compare it: a true comparison reads -1, a false
// one 0, and NULL reads 0 (the rule holds).
qint64 ToJetTruth(const QVariant& value);
