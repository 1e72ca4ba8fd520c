#pragma once

#include "model/CodeList.h"

#include <QString>

class Connection;

// The cover fields as the editor holds them.
struct HeaderFields {
    QString c901; // the code's digits ("" when empty)
    QString c902;
    QString c903; // digits of the division code
    QString c904; // digits; empty counts as 10
    QString c907; // digits; empty counts as 0
    QString c905;
    QString c906;
};

struct HeaderContext {
    bool isAddMode = true;
    qint64 currentKey = 0; // the code as loaded or last stored; 0 for a new return
    const TMenuItemDataArray* levels = nullptr;
    const TMenuItemDataArray* states = nullptr;
};

// The first fault found, or an empty message when the cover is valid.
struct HeaderProblem {
    QString message;
    QString field;          // the field that gets the focus
    bool duplicate = false; // the code belongs to another return
    QString lookupError;    // the engine's message when the division lookup failed
    bool ok() const { return message.isEmpty(); }
};

// Checks the whole cover in its order: code present, 12 digits, not another return's, name,
// division, level, state, person, telephone.
HeaderProblem ValidateHeaderFields(Connection& db, const HeaderFields& fields, const HeaderContext& context);

// Readings of the code fields as the checks make them.
qint64 CodeValue(const QString& digits);
int LevelValue(const QString& digits); // empty: 10
int StateValue(const QString& digits); // empty: 0

// How many returns hold this code.
int CountReturnsWithCode(Connection& db, qint64 code);
