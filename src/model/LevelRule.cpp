#include "model/LevelRule.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
bool matchesSet(int level, const QString& rule)
{
    const int open = rule.indexOf(QLatin1Char('['));
    if (open < 0)
        return false;
    QString items = rule.mid(open + 1);
    const int close = items.lastIndexOf(QLatin1Char(']'));
    if (close >= 0)
        items = items.left(close);
    if (level < 0 || level > 255)
        return false;
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    for (const QString& item : items.trimmed().split(separators, Qt::SkipEmptyParts)) {
        bool ok = false;
        const int member = item.toInt(&ok);
        if (ok && member >= 0 && member <= 255 && member == level)
            return true;
    }
    return false;
}

bool matchesOperator(int level, const QString& rule)
{
    int i = 0;
    while (i < rule.size() && QStringLiteral("<=>").contains(rule[i]))
        ++i;
    const QString op = rule.left(i);
    bool ok = false;
    const int number = rule.mid(i).trimmed().toInt(&ok);
    if (!ok)
        return false; // a number part that is not a whole number is a catalogue error
    if (op == QLatin1String(">"))
        return level > number;
    if (op == QLatin1String("="))
        return level == number;
    if (op == QLatin1String("<"))
        return level < number;
    if (op == QLatin1String(">="))
        return level >= number;
    if (op == QLatin1String("<="))
        return level <= number;
    if (op == QLatin1String("<>"))
        return level != number;
    return false;
}
} // namespace

bool MatchesLevelRule(int level, const QString& rule)
{
    if (rule.contains(QLatin1String("in")))
        return matchesSet(level, rule);
    return matchesOperator(level, rule);
}
