#pragma once

#include "exchange/ExchangeRules.h"

#include <QString>
#include <QVariant>
#include <QVector>

class Connection;

// One column of dt_data as a comparison names it: the column, its caption and its page.
struct ComparedField {
    QString name;
    QString caption;
    int page = -1;    // 0 the cover, 1 to 13 the data pages, -1 none
    QString pageName; // the page's name in ct_sheetName
};

// The columns of the database's dt_data in catalogue order, with the catalogue's captions; the
// columns the catalogue does not name follow in the table's order, captioned by their names.
QVector<ComparedField> ComparedFields(Connection& db);

// One side of a comparison: dt_data in this schema of this connection.
struct ReturnSide {
    Connection* db = nullptr;
    QString schema = QStringLiteral("main");
};

// A field whose values differ: its index in the compared fields and both values as stored.
struct FieldDifference {
    int field = 0;
    QVariant a;
    QVariant b;
};

// A code both sides hold.
struct ReturnPair {
    double code = 0;
    qint64 rowA = 0; // the row identities, valid while neither side changes
    qint64 rowB = 0;
    QString nameA; // c902
    QString nameB;
    QVariant stateA; // RecordState
    QVariant stateB;
    QVector<FieldDifference> differences; // in field order; none when the returns are equal
    bool equal() const { return differences.isEmpty(); }
};

// Which codes only one side holds and how the returns of the codes both hold compare.
struct ReturnComparison {
    QVector<ComparedField> fields;
    QVector<double> onlyA; // ascending codes
    QVector<double> onlyB;
    QVector<qint64> onlyBRows; // the row identities of onlyB, ascending
    QVector<ReturnPair> both;  // ascending codes, equal and differing alike
    bool stopped = false;      // the hooks stopped it: the lists are incomplete
    qint64 differingCount() const;
};

// Whether two values are the same as stored: NULL only equals NULL, numbers compare by value
// (12.0 equals 12, a NULL differs from 0), text and bytes by their bytes, a number never equals a text.
bool SameStoredValue(const QVariant& a, const QVariant& b);
// A stored value as a clerk reads it: numbers in their text form, text as it is, NULL as "（空）".
QString StoredValueText(const QVariant& value);

// Compares the returns of both sides code by code, every field by its name, values as stored.
// Rows without a numeric code are left out. The hooks see the codes both hold compared
// (started with their number) and can stop it. Raises DbError.
ReturnComparison CompareReturns(const QVector<ComparedField>& fields, const ReturnSide& a, const ReturnSide& b,
                                const ExchangeHooks& hooks = {});

// Every field's value of one row of a side, in field order (the review shows whole returns).
QVector<QVariant> StoredReturn(const QVector<ComparedField>& fields, const ReturnSide& side, qint64 row);
