#pragma once

#include "model/CodeList.h"

#include <QByteArray>
#include <QString>
#include <QVector>

class Connection;

// What an analysis file (SPSS .sav, Stata .dta) says about its values: one variable per
// catalogue field in catalogue order, named by the field name and labelled with its caption,
// and the value labels of the coded fields.

enum class AnalysisKind {
    Code,    // c901, the 12-digit statistics code: a whole number shown with all its digits
    Whole,   // whole numbers and answer codes (QueryType 0 and 3, and any other kind)
    Decimal, // numbers with decimals (QueryType 2)
    Text,    // texts (QueryType 1)
};

struct AnalysisVariable {
    QString name;
    QString caption;
    AnalysisKind kind = AnalysisKind::Whole;
    int labelSet = -1; // index into AnalysisDictionary::labelSets; -1 when the values have none
};

// A value label set: its name (a valid Stata name) and the codes with their names.
struct AnalysisLabelSet {
    QString name;
    TMenuItemDataArray labels;
};

struct AnalysisDictionary {
    QVector<AnalysisVariable> variables;
    QVector<AnalysisLabelSet> labelSets;
};

// The catalogue (dt_fieldlist in sequence order) as the variables of an analysis file. Value
// labels: 1 "是" / 2 "否" on the answer fields (QueryType 3), the level names of CT_LevelCode on
// c904, the state names of CT_state on c907, the check state words on RecordState, and on any
// other numeric field the codes its caption lists at its end (z011, z012, c002, c003).
AnalysisDictionary LoadAnalysisDictionary(Connection& db);

// The codes a caption lists in its last brackets, "(1=中央；2=省级；3=地市级)": every item a
// whole number, "=" and a name, parted by "；" or ";", in half- or full-width brackets. Empty
// when the caption ends otherwise or an item does not read so.
TMenuItemDataArray CaptionCodes(const QString& caption);

// The text as UTF-8, cut to at most maxBytes bytes at a character boundary.
QByteArray Utf8Prefix(const QString& text, int maxBytes);
