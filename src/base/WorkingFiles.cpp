#include "base/WorkingFiles.h"

#include "base/PublicProcedure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
bool seedFile(const QString& source, const QString& target, QString* error)
{
    // Written under a name of its own, then given the target's name only if that is still free.
    const QString part = QFileInfo(target).dir().filePath(QStringLiteral(".%1.part-%2")
                                                              .arg(QFileInfo(target).fileName())
                                                              .arg(QCoreApplication::applicationPid()));
    QString reason;
    if (!CopyFileContents(source, part, &reason)) {
        QFile::remove(part);
        *error = QStringLiteral("无法建立文件“%1”：%2").arg(target, reason.replace(part, target));
        return false;
    }
    QFile partFile(part);
    if (partFile.rename(target))
        return true;
    const QString renameError = partFile.errorString();
    QFile::remove(part);
    if (QFileInfo::exists(target))
        return true; // another start seeded it meanwhile; that copy stays
    *error = QStringLiteral("无法建立文件“%1”：%2").arg(target, renameError);
    return false;
}
} // namespace

bool SeedWorkingFiles(const QString& deliveredFolder, const QString& workingFolder, const QStringList& names,
                      QString* error)
{
    const QDir delivered(deliveredFolder);
    const QDir working(workingFolder);
    if (delivered.absolutePath() == working.absolutePath())
        return true;
    for (const QString& name : names) {
        const QString source = delivered.filePath(name);
        const QString target = working.filePath(name);
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink() || !QFileInfo(source).isFile())
            continue;
        if (!QDir().mkpath(working.absolutePath())) {
            *error = QStringLiteral("无法建立文件夹“%1”").arg(working.absolutePath());
            return false;
        }
        if (!seedFile(source, target, error))
            return false;
    }
    return true;
}
