#include "logic/RuleExpression.h"

#include "db/Connection.h"
#include "db/SqlFunctions.h"

namespace {
bool isLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
           || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

bool isSeparator(QChar c)
{
    switch (c.unicode()) {
    case ' ':
    case '(':
    case ')':
    case '*':
    case '+':
    case '-':
    case '/':
    case '<':
    case '=':
    case '>':
        return true;
    default:
        return false;
    }
}

bool isLogicalWord(const QString& word)
{
    const QString upper = word.toUpper();
    return upper == QLatin1String("AND") || upper == QLatin1String("OR") || upper == QLatin1String("NOT");
}
} // namespace

QString RewriteRuleExpression(const QString& expression,
                              const std::function<QString(const QString&)>& resolveName)
{
    QString out;
    QString name;
    bool inName = false;
    const auto flush = [&] {
        out += isLogicalWord(name) ? name : resolveName(name);
        name.clear();
        inName = false;
    };
    for (const QChar c : expression) {
        if (isSeparator(c)) {
            if (inName)
                flush();
            out += c;
        } else if (isLetter(c)) {
            name += c;
            inName = true;
        } else if (inName) {
            // Digits and the like after letters belong to the name ("z001").
            name += c;
        } else {
            out += c;
        }
    }
    if (inName && !name.isEmpty())
        flush();
    return out;
}

bool EvaluateRuleExpression(Connection& db, const QString& rewritten)
{
    const QVariant result = db.scalar(QStringLiteral("select ") + rewritten + QStringLiteral(" as rt"));
    return ToJetTruth(result) == -1;
}

QVector<RuleRow> LoadPageRules(Connection& db, int page)
{
    RowSet rows = db.query(QStringLiteral("select * from dt_logic where page_id=?1"), {page});
    QVector<RuleRow> rules;
    rules.reserve(rows.recordCount());
    for (rows.first(); !rows.eof(); rows.next()) {
        RuleRow rule;
        rule.page = int(rows.toInt(QStringLiteral("page_id")));
        rule.expression = rows.text(QStringLiteral("expression"));
        rule.rule = rows.text(QStringLiteral("rule"));
        rule.explain = rows.text(QStringLiteral("explain"));
        rule.focus = rows.text(QStringLiteral("focus"));
        rules.push_back(rule);
    }
    return rules;
}
