#pragma once

#include "logic/BatchCheck.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <vector>

class Connection;

// The comparison with last year: an advisory check that ranks the values that changed much more
// than the same indicator changed in the other units. It reads the working database and last
// year's file and changes neither: no record state, no export depends on it.
//
// The method, per indicator, over the units reporting data in both years (c907 1 or 2, matched
// by c901) whose values are both above 0 and differ (x this year, y last year); an indicator
// with fewer than 10 such pairs is skipped:
//   r = x / y, r_med their median;
//   s = 1 - r_med / r when r < r_med, otherwise r / r_med - 1;
//   E = s * max(x, y)^U; E_Q1, E_M, E_Q3 the 25th, 50th, 75th percentiles of E, each by linear
//   interpolation between the order statistics at (n - 1) * p counting from 0;
//   d_low = max(E_M - E_Q1, |A * E_M|), d_high = max(E_Q3 - E_M, |A * E_M|);
//   flagged: E < E_M - C * d_low (a fall, score (E_M - E) / d_low) or E > E_M + C * d_high (a
//   rise, score (E - E_M) / d_high); a side whose distance is 0 flags nothing.

struct CompareParameters {
    double u = 0.5;
    double a = 0.05;
    double c = 4;
};
// Empty text when the parameters can be used (U from 0 to 1, A from 0 to 100, C above 0 and at
// most 1000), otherwise what is wrong with them. Since s is measured from the median ratio, E_M
// lies between the two middle effects and the quartile distances are at least |E_M|: A acts only
// above 1.
QString CheckCompareParameters(const CompareParameters& parameters);
// The parameters the window used last (the settings store's "Data" key), the defaults without them.
CompareParameters StoredCompareParameters();
void StoreCompareParameters(const CompareParameters& parameters);
// Last year's file as the window last used it; empty when none.
QString StoredReferenceFile();
void StoreReferenceFile(const QString& path);

// What a pair of one indicator came to.
struct IndicatorFlag {
    int pair = 0;     // place of the pair in the input
    double ratio = 0; // x / y
    double score = 0;
    bool rise = false; // false: a fall
};
struct IndicatorOutcome {
    bool skipped = false; // fewer than 10 pairs, or values beyond the arithmetic of doubles
    int pairs = 0;        // the pairs that count: both values above 0 and different
    double medianRatio = 0;
    double q1 = 0, median = 0, q3 = 0; // of E
    double lowDistance = 0, highDistance = 0;
    std::vector<IndicatorFlag> flags; // in input order
};
// The minimum number of pairs an indicator needs.
constexpr int kComparePairsNeeded = 10;
// The method on one indicator's pairs (current[i], last[i]); pairs that do not count are left out.
IndicatorOutcome AssessIndicator(const std::vector<double>& current, const std::vector<double>& last,
                                 const CompareParameters& parameters);
// The p-th percentile of the values by linear interpolation at (n - 1) * p; reorders them.
double InterpolatedPercentile(std::vector<double>& values, double p);
// The median (the mean of the two middle values of an even count); reorders them.
double MedianOf(std::vector<double>& values);

// An indicator the comparison takes: a catalogue field of a data page holding a whole number or
// a decimal, the choice codes z011, z012, c002 and c003 left out.
struct CompareIndicator {
    QString field;
    QString caption; // the catalogue's Hint
    int page = 0;
};
QVector<CompareIndicator> CompareIndicators(Connection& working);

struct CompareFlag {
    int indicator = 0; // in CompareResult::indicators
    double code = 0;
    QString name; // this year's c902
    double last = 0, current = 0, ratio = 0, score = 0;
    bool rise = false;
};
// A unit that reports data in one year only.
struct CompareUnit {
    double code = 0;
    QString name;        // of the year it reports in
    int otherState = -1; // c907 of its return in the other year; -1 when it has none there
};

struct CompareResult {
    QString refused; // why last year's file was not read; empty when it was
    bool stopped = false;
    QVector<CompareIndicator> indicators;
    QVector<CompareFlag> flagged;   // by score, highest first, then code, then field name
    QVector<CompareUnit> absentNow; // reported last year, not now; by code
    QVector<CompareUnit> newNow;    // reports now, not last year; by code
    QStringList skipped;            // fields with too few pairs, in catalogue order
    QVector<int> pairs;             // per indicator: the pairs that count
    qint64 matched = 0;             // units reporting data in both years
};

// Compares the working database with last year's file. The file is read as a received file
// (the package import's checks; a package is restored in a private copy) attached read-only;
// the working database itself and a file that fails the checks are refused (refused says why,
// nothing is read). Each database is read once, in code order. A stop gives stopped and no
// lists. Engine errors raise DbError. The hooks are the batch check's: the total counts the rows
// of both files and the indicators.
CompareResult CompareWithLastYear(Connection& working, const QString& lastYearFile,
                                  const CompareParameters& parameters, const BatchCheckHooks& hooks = {});

// "rise" or "fall"; "增" or "减".
QString DirectionWord(bool rise);
QString DirectionText(bool rise);
