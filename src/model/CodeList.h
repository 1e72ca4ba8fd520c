#pragma once

#include <QString>
#include <QVector>

class Connection;

// One entry of a code list shown in a pick list.
struct TCode {
    int code = 0;
    QString name;
};
using TMenuItemDataArray = QVector<TCode>;

// Name of the first entry with the code; empty text when there is none.
QString FindCodeName(const TMenuItemDataArray& list, int code);
// Code of the first entry whose name equals the text exactly; 0 when there is none.
int FindCodeValue(const TMenuItemDataArray& list, const QString& name);

// A code table (CT_LevelCode, CT_state) as a list sorted by Sequence; ID 0 is never offered.
TMenuItemDataArray LoadCodeTable(Connection& connection, const QString& table, bool descending = false);

// The words of the check states (RecordState), as the lists show them: 0 暂存, 1 通过, 2 有错.
TMenuItemDataArray RecordStateList();
