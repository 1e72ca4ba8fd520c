#include "cli/OutputFile.h"

#include "cli/CommandLine.h"

#include <QFileInfo>

QString OutputFilePath(const QString& name, const QString& extension)
{
    QString path = name;
    if (!path.endsWith(extension, Qt::CaseInsensitive))
        path += extension;
    return QFileInfo(path).absoluteFilePath();
}

QString RefuseExistingOutput(const QString& path, const CommandArgs& args)
{
    if (!QFileInfo::exists(path) || args.has(QStringLiteral("yes")))
        return QString();
    return QStringLiteral("文件“%1”已经存在；要替换它请加 --yes").arg(path);
}
