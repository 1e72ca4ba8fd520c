#pragma once

#include <QString>
#include <QVector>

class Connection;

// One row of the field catalogue dt_fieldlist, as every list, the editor and the exports use it.
struct TFieldData {
    int ID = 0;
    QString FieldName;
    QString ShowName;
    QString Hint;
    int FieldWidth = 0;
    QString FieldType;
    bool Visible = false;
    bool QueryShow = false;
    int QueryType = 0;
    int sequence = 0;
    int PageID = 0;
    QString Rule;
    int printPageID = 0;
    QString printplace;
};
using TFieldDataArray = QVector<TFieldData>;

// Kinds of value (QueryType).
enum QueryTypeCode { WholeNumber = 0, TextValue = 1, DecimalNumber = 2, AnswerCode = 3 };

// The cover fields that hold codes (c901 statistics code, c903 division, c904 level, c907 state):
// a workbook shows them as plain digits ("0"), never with thousands separators. Letter case does
// not count.
bool IsCodeField(const QString& fieldName);

// The catalogue walked in the order of its index "sequence".
TFieldDataArray LoadFieldCatalogue(Connection& connection);
