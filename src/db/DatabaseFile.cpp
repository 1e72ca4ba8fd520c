#include "db/DatabaseFile.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/OutsideFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

void CreateEmptyDatabase(const QString& path)
{
    if (QFile::exists(path))
        throw DbError(QStringLiteral("文件“%1”已经存在").arg(path));
    Connection connection;
    connection.open(path, Connection::Mode::Create);
    // SQLite writes nothing until the first change; the header makes the file a database.
    connection.execute(QStringLiteral("PRAGMA user_version=0"));
    connection.executeScript(QStringLiteral("create table t_init(x); drop table t_init;"));
}

namespace {
// A fresh "~SM…" name in the folder: the platform makes the file, which is removed again.
QString freshTempName(const QString& folder)
{
    QTemporaryFile file(folder + QStringLiteral("/~SMXXXXXX.tmp"));
    if (!file.open())
        return QString();
    const QString name = file.fileName();
    file.close();
    file.remove();
    return name;
}
} // namespace

QString MakeTempFileName()
{
    return freshTempName(QDir::tempPath());
}

QString MakeTempFileNameIn(const QString& folder)
{
    return freshTempName(folder);
}

namespace {
bool syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

CompactResult CompactDatabaseFile(const QString& path)
{
    CompactResult result;
    const QString temp = freshTempName(QFileInfo(path).absolutePath());
    if (temp.isEmpty()) {
        result.error = QStringLiteral("无法在“%1”所在的文件夹中建立临时文件").arg(path);
        return result;
    }
    try {
        {
            Connection source;
            source.open(path, Connection::Mode::ReadWrite);
            source.execute(QStringLiteral("VACUUM INTO ?1"), {temp});
        }
        {
            Connection copy;
            copy.open(temp, Connection::Mode::ReadOnly);
            const QString check = copy.scalar(QStringLiteral("PRAGMA quick_check")).toString();
            if (check != QLatin1String("ok"))
                throw DbError(QStringLiteral("压缩后的文件没有通过检查：%1").arg(check));
        }
        if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0)
            throw DbError(QStringLiteral("无法用压缩后的文件替换“%1”").arg(path));
        syncFolder(QFileInfo(path).absolutePath());
        result.replaced = true;
    } catch (const DbError& e) {
        QFile::remove(temp);
        result.error = e.message();
    }
    return result;
}

QString CheckReceivedDatabase(const QString& path)
{
    return CheckOutsideFile(path, {}).error;
}
