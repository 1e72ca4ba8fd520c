#include "db/ExportTarget.h"

#include "db/WorkingDatabase.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

bool IsSameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QFileInfo x(a), y(b);
    if (!x.exists() || !y.exists())
        return false;
    if (x.canonicalFilePath() == y.canonicalFilePath())
        return true;
    // Two names of one file (a hard link) have one device and inode.
    struct stat sa = {}, sb = {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString RefuseExportTarget(const QString& target, const QStringList& sources)
{
    if (IsSameFile(target, CurrentDatabasePath))
        return QStringLiteral("不能把数据导出到正在使用的数据库文件“%1”，请选择其它文件").arg(target);
    for (const QString& source : sources)
        if (IsSameFile(target, source))
            return QStringLiteral("不能把数据导出到正在读取的文件“%1”，请选择其它文件").arg(target);
    return QString();
}
