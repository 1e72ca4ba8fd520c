#pragma once

#include "model/CodeList.h"

#include <QString>
#include <QVariant>

class Connection;

// The search and query statements. Conditions are made only of column names from the field
// catalogue, operators from the operator list and numbers read from digit boxes: no typed text
// reaches a statement. A value that is not a whole number adds nothing, so the statement fails
// in the engine instead of carrying the text.

// Operators 1 "=", 2 ">", 3 "<", 4 ">=", 5 "<="; connectors 1 "和" (AND), 2 "或" (OR).
TMenuItemDataArray OperatorList();
TMenuItemDataArray ConnectorList();

// One comparison: the chosen operator's code (0: none chosen) and the value box's text.
struct Comparison {
    int op = 0;
    QString value;
    bool hasValue() const { return !value.trimmed().isEmpty(); }
};

// "where c901>=A AND c901<B": the first comparison when its value is given, joined to the
// second by the connector; only the second when the first value is blank. Empty text when
// both values are blank.
QString CodeRangeCondition(const Comparison& first, int connector, const Comparison& second);

// "where z001>=10 and z001<20": each comparison whose operator is chosen, joined by " and ".
QString IndicatorCondition(const QString& field, const Comparison& first, const Comparison& second);
// What keeps one comparison of the indicator query from being whole: nothing (both parts given,
// or neither), a chosen operator without a value, or a value without an operator.
enum class ComparisonGap { None, NoValue, NoOperator };
ComparisonGap IndicatorComparisonGap(const Comparison& comparison);

// What the indicator picker lists: the pages of ct_sheetName (CodeID >= 0) and the indicators
// of one page from view_datasearch in catalogue order (code: the catalogue ID, name: the
// field name, CodeName).
struct IndicatorEntry {
    QString fieldName;
    QString hint;
};
TMenuItemDataArray IndicatorPages(Connection& connection);
QVector<IndicatorEntry> PageIndicators(Connection& connection, int page);
// The place in the page list of the first page that lists indicators; -1 when none does.
int FirstPageWithIndicators(Connection& connection, const TMenuItemDataArray& pages);

// The result list and the full rows of the same condition (empty or beginning with "where ").
QString ResultListSql(const QString& condition);
QString ResultDetailSql(const QString& condition);

// The code of the first return whose name contains the text (bound, never pasted into the
// statement); an invalid QVariant when there is none.
QVariant FindCodeByName(Connection& connection, const QString& name);

// The range of a range delete from the two code boxes: an empty box counts as 0; a "到" bound
// below the "从" bound becomes the "从" bound. Invalid when either bound is 0.
struct CodeRange {
    double from = 0;
    double to = 0;
    bool valid() const { return from != 0 && to != 0; }
};
CodeRange ReadCodeRange(const QString& fromText, const QString& toText);
QString RangeDeleteSql(const CodeRange& range);
QString AllReturnsDeleteSql();
