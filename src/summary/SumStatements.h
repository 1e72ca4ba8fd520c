#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

class Connection;

// The breakdown of a summary: one result row per union level, per reporting state or per item
// of a custom grouping.
enum class SumKind { Level = 0, State = 1, Group = 2 };

// The first and the last sheet that has a statement (sheet 1 is the cover).
constexpr int kFirstSumSheet = 2;
constexpr int kLastSumSheet = 25;

// Fills the table of per-sheet statements on its first call in a run; later calls return at once.
void BuildSumStatements();
// Sheet n's select list with its source and condition ("... from dt_data where c901>0");
// empty for the cover and for every number outside 2 to 25.
QString SumStatement(int sheet);
// The field names of sheet n's terms, in term order, each kind marked ("z010:Y", "cnt").
QStringList SumSheetFields(int sheet);

// One term of a sheet's select list: what it counts or sums, of which field, its result column
// ("sum_z010_1") and its text ("sum(z010*(2-z010)) as sum_z010_1").
enum class SumTermKind {
    Count,     // count(*)
    Plain,     // sum(F)
    Yes,       // sum(F*(2-F)): F = 1
    NoOrBlank, // sum(int(F/2) + (2-F)*(1-F)/2): F = 2 or 0
    Choice1,   // sum(int((5-F)/4)*F)
    Choice2,   // sum((F-1)*(3-F)*(4-F)*F/4)
    Choice3,   // sum((F-1)*(F-2)*(4-F)*F/6)
    Choice4,   // sum(int(F/4))
};
struct SumTerm {
    SumTermKind kind;
    QString field; // empty for the count
    QString column;
    QString sql;
};
// Sheet n's terms in term order; empty for sheets without a statement.
const QVector<SumTerm>& SumSheetTerms(int sheet);
// The condition of sheet n's statement: "c901>0", "c904>=0" or "c904>0".
enum class SumCondition { CodeAboveZero, LevelAtLeastZero, LevelAboveZero };
SumCondition SumSheetCondition(int sheet);

// The grouped query of kinds Level and State: column 0 the code's name, column 1 the key,
// then the sums; one row per code, in descending Sequence.
QString SumByCodeSql(int sheet, SumKind kind);
// The query of one grouping item: ?1 the item title, ?2 its place, ?3 and ?4 its bounds.
QString SumByItemSql(int sheet, const QString& lowSymbol, const QString& highSymbol);

// The name of the breakdown written above the rows: "工会层次", "填报状态", "分    组".
QString BreakdownName(SumKind kind);

// One sheet's rows as they stand on the sheet, top to bottom: the row label and the values of
// the statement's result columns in term order (NULL where nothing was summed).
struct SumRow {
    QString label;
    QVariantList values;
};
struct SumSheetRows {
    QStringList columns; // the result column names, in term order
    QVector<SumRow> rows;
};

// Sheet n's rows for the breakdown (the grouping for kind Group; ID 0 stands for the items of
// every grouping), in sheet order: levels and states in ascending Sequence, items in the order
// the item dialog shows for the grouping's stored sort. Nothing for sheets without a statement.
// Computed by the one reading of SumReading.h. Raises DbError.
SumSheetRows ComputeSumSheet(Connection& db, int sheet, SumKind kind, qint64 groupId);
// The same by running sheet n's statements: one grouped statement for levels and states, one
// statement per item. The reference the one reading keeps to, and its way for values it does
// not read itself. Raises DbError.
SumSheetRows ComputeSumSheetByStatements(Connection& db, int sheet, SumKind kind, qint64 groupId);
