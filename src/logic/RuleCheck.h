#pragma once

#include <QString>
#include <functional>

// How the record editor answers for one name of a rule expression.
struct FieldReading {
    enum Kind { Missing, NotNumeric, Numeric };
    Kind kind = Missing;
    qint64 value = 0;
};
using FieldReader = std::function<FieldReading(const QString& name)>;

// The value text of one name of a rule expression: AND, OR and NOT pass unchanged; a numeric
// field gives its whole value; a missing field says "Control name parse error : " + name and
// gives empty text; a field that is not numeric raises RuleNameError.
QString ResolveRuleName(const QString& name, const FieldReader& read);

// Evaluates the stored rules of one page (1 to 13) against the fields and lists the broken ones
// in the error list, which is shown when it is not empty. True when the list is empty
// afterwards; false without doing anything for a page outside 1 to 13.
bool CheckPageRules(int page, bool clearFirst, const FieldReader& read);
// Every page, the list cleared first.
void CheckAllPageRules(const FieldReader& read);
