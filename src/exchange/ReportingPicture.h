#pragma once

#include "exchange/ReceiptRegister.h"

#include <QString>
#include <QVector>

class Connection;

// Who has reported: the expected units (ct_expected) against the returns present (dt_data), by
// division, with the register of received packages. One procedure computes every figure; the
// window "收报情况", its workbook and "tallyra-batch receipts" show what it computed.

// One row of the tree by division: a province, a prefecture, or the division the units name
// (a county, or a prefecture's or province's own code), and the row for units without one.
struct DivisionFigures {
    enum Level { Province = 1, Prefecture = 2, Unit = 3 };
    int code = 0;      // six digits; 0 on the row of the units that name no division
    QString name;      // CT_CityName's Name; empty when the table lacks the code
    Level level = Unit;
    int parent = -1;   // the row above in ReportingPicture::divisions, -1 at the top
    qint64 expected = 0;
    qint64 received = 0;
    qint64 missing = 0;
    qint64 withErrors = 0;
    // A Unit row's missing units: missingByDivision[firstMissing .. firstMissing + missing).
    int firstMissing = 0;
};

struct MissingUnit {
    qint64 code = 0;
    QString name;
    int division = 0;     // 0 when neither the list nor a return names one
    QString divisionName; // CT_CityName's CombName
};

struct ReportingPicture {
    qint64 expected = 0;   // units in the list
    qint64 received = 0;   // expected units whose return is present
    qint64 missing = 0;    // expected units without a return
    qint64 unexpected = 0; // returns present whose unit is not expected
    // The received returns by their state now: 1, 2, and held (0, NULL or anything else).
    qint64 clean = 0;
    qint64 withErrors = 0;
    qint64 held = 0;
    QVector<double> unexpectedCodes;   // ascending (a return's code as stored)
    QVector<MissingUnit> missingUnits; // by code, ascending
    // In tree order: each province, then its own Unit rows and its prefectures, each followed by
    // its Unit rows, all by code; the divisions CT_CityName lacks go under the nearest row it has,
    // or at the top; the units without a division last. Only rows with expected units.
    QVector<DivisionFigures> divisions;
    // Indexes into missingUnits, the missing units of each Unit row together (by code).
    QVector<int> missingByDivision;
    QVector<ReceiptEntry> receipts; // newest first
};

// Computes the picture from the working database as it is now: a unit's division is the
// list's when it names one, else its return's. Tables missing (a file opened only for reading
// that predates them) count as empty. Raises DbError.
ReportingPicture ComputeReportingPicture(Connection& working);

// The Unit rows by code ascending, the row of the units without a division last.
QVector<int> UnitDivisionRows(const ReportingPicture& picture);

// The text the picture gives a division: "110101 东城区"; a code the table lacks
// "990101（代码表中没有）"; no code "未填行政区划".
QString DivisionCaption(const DivisionFigures& row);

// Received over expected, 0 when nothing is expected.
double ReceivedShare(qint64 received, qint64 expected);
