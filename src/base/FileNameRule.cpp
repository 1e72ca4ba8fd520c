#include "base/FileNameRule.h"

FileNameRule KeepShortNames(const QString& extension)
{
    return {extension, int(extension.size()) + 1, false, Qt::CaseSensitive};
}

FileNameRule ExtendShortNames(const QString& extension)
{
    return {extension, int(extension.size()) + 1, true, Qt::CaseSensitive};
}

QString ApplyFileNameRule(const QString& chosen, const FileNameRule& rule)
{
    const QString name = chosen.trimmed();
    if (name.isEmpty())
        return name;
    if (name.size() < rule.minimumLength)
        return rule.shortNamesExtended ? name + rule.extension : name;
    return name.endsWith(rule.extension, rule.caseSensitivity) ? name : name + rule.extension;
}
