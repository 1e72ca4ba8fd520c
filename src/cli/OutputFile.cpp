#include "cli/OutputFile.h"

#include "base/FileNameRule.h"
#include "cli/CommandLine.h"
#include "db/ExportTarget.h"

#include <QFileInfo>

QString OutputFilePath(const QString& name, const QString& extension)
{
    return QFileInfo(ApplyFileNameRule(name, {extension, 0, false, Qt::CaseInsensitive})).absoluteFilePath();
}

QString RefuseOutputFile(const QString& path, const CommandArgs& args, const QStringList& sources)
{
    const QString refusal = RefuseExportTarget(path, sources);
    if (!refusal.isEmpty())
        return refusal;
    if (!QFileInfo::exists(path) || args.has(QStringLiteral("yes")))
        return QString();
    return QStringLiteral("文件“%1”已经存在；要替换它请加 --yes").arg(path);
}
