#pragma once

#include <QString>
#include <QVector>

#include <functional>

class Connection;

// One stored logic rule of dt_logic: expression is the condition of violation, rule the text of
// the relation, explain its description template, focus the field to go to.
struct RuleRow {
    int page = 0;
    QString expression;
    QString rule;
    QString explain;
    QString focus;
};

// The expression with every name replaced by resolveName(name), so that it becomes a constant
// expression. The words AND, OR and NOT (any case) are kept as they are.
QString RewriteRuleExpression(const QString& expression,
                              const std::function<QString(const QString&)>& resolveName);

// Whether a rewritten expression is true as the engine evaluates it; NULL and false mean the
// rule holds. An expression the engine refuses raises DbError.
bool EvaluateRuleExpression(Connection& db, const QString& rewritten);

// The rules of one page of the record editor, in the order the engine returns them.
QVector<RuleRow> LoadPageRules(Connection& db, int page);
