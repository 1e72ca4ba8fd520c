#include "logic/RuleCheck.h"

#include "widgets/Prompter.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "logic/MessageListWin.h"
#include "logic/RuleExpression.h"
#include "logic/RuleText.h"

#include <stdexcept>

namespace {
// A rule names a field that is not a numeric field: the page's evaluation stops.
class RuleNameError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
} // namespace

QString ResolveRuleName(const QString& name, const FieldReader& read)
{
    const QString upper = name.toUpper();
    if (upper == QLatin1String("AND") || upper == QLatin1String("OR") || upper == QLatin1String("NOT"))
        return name;
    const FieldReading reading = read(name);
    switch (reading.kind) {
    case FieldReading::Numeric:
        return QString::number(reading.value);
    case FieldReading::NotNumeric:
        throw RuleNameError(name.toStdString());
    default:
        CurrentPrompter().message(QStringLiteral("Control name parse error : ") + name);
        return QString();
    }
}

bool CheckPageRules(int page, bool clearFirst, const FieldReader& read)
{
    if (page < 1 || page > 13)
        return false;
    if (clearFirst)
        ClearErrorList();
    QString expression;
    try {
        Connection& db = SysConnection();
        for (const RuleRow& rule : LoadPageRules(db, page)) {
            expression = rule.expression;
            const QString rewritten =
                RewriteRuleExpression(rule.expression, [&](const QString& name) { return ResolveRuleName(name, read); });
            if (EvaluateRuleExpression(db, rewritten))
                AddErrorRow(rule.rule, RenderRuleText(rule.explain), rule.focus, page);
        }
    } catch (const DbError& e) {
        // Before the first rule the page's rules could not be read at all: say why.
        if (expression.isEmpty())
            ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
        else
            CurrentPrompter().message(expression);
    } catch (const RuleNameError&) {
        CurrentPrompter().message(expression);
    }
    const bool empty = IsErrorListEmpty();
    if (!empty)
        MessageListWin().show();
    return empty;
}

void CheckAllPageRules(const FieldReader& read)
{
    CheckPageRules(1, true, read);
    for (int page = 2; page <= 13; ++page)
        CheckPageRules(page, false, read);
}
