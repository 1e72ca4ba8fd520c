#pragma once

#include <QHash>
#include <QString>

// What becomes of a return whose code both the working database and a package hold.
enum class ConflictChoice {
    Undecided,
    Keep,    // "保留现有": the working database's return stays
    Replace, // "采用导入": the package's return takes its place, whole
};

// The decisions for one package's conflicting codes: by code, else the choice for every other.
struct ConflictDecisions {
    ConflictChoice otherwise = ConflictChoice::Undecided;
    QHash<double, ConflictChoice> codes;
    ConflictChoice choiceFor(double code) const { return codes.value(code, otherwise); }
};

// "保留现有", "采用导入", or "未决定".
QString ConflictChoiceText(ConflictChoice choice);
// What a return that needs no decision is marked with: "相同".
QString EqualReturnText();
