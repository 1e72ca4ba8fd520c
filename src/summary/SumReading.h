#pragma once

#include "summary/SumStatements.h"

#include <QMap>
#include <QVector>

#include <functional>

class Connection;

// Every chosen sheet of a breakdown from one reading of the returns. Each return is read once
// and counted in every row it belongs to (a return in two overlapping items counts in both).
// The terms are worked out with the engine's own arithmetic ("/" of two whole numbers is a whole
// division, int() the next whole number not above) and summed in the order the sheet's statement
// sums them, so every cell equals what ComputeSumSheetByStatements gives, value and type. Values
// the reading does not take itself (a text in a number column, a bound that is no number, a
// whole-number total beyond 64 bits) are left to the statements. `rowsRead` is called every few
// thousand returns. Sheets without a statement give nothing. Raises DbError.
QMap<int, SumSheetRows> ComputeSumSheets(Connection& db, const QVector<int>& sheets, SumKind kind, qint64 groupId,
                                         const std::function<void()>& rowsRead = {});
