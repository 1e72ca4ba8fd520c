#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>

class Connection;

// The code offered to a new return: the highest code plus one, 0 in an empty table.
qint64 NextFreeCode(Connection& db);

// One stored return, column name (lower case) -> value; empty when there is no such return.
QHash<QString, QVariant> ReadReturn(Connection& db, qint64 code);

// Record states.
enum RecordStateCode { StateHeld = 0, StateClean = 1, StateWithErrors = 2 };

struct FieldValue {
    QString name;
    QVariant value;
};

// Writes a return in one transaction: a new row, or the row that had the code `previousKey`
// (its code may change with the values). Raises DbError; on failure nothing is stored.
void StoreReturn(Connection& db, const QVector<FieldValue>& values, int recordState, bool append, qint64 previousKey);
