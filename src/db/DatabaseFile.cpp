#include "db/DatabaseFile.h"

#include "base/FileErrors.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/OutsideFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
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
QString freshTempName(const QString& folder, const QString& pattern = QStringLiteral("~SMXXXXXX.tmp"))
{
    QTemporaryFile file(folder + QLatin1Char('/') + pattern);
    if (!file.open())
        return QString();
    const QString name = file.fileName();
    file.close();
    file.remove();
    return name;
}

QString ownTempName(const QString& folder)
{
    return freshTempName(folder, QStringLiteral("~SM%1-XXXXXX.tmp").arg(::getpid()));
}

bool processEnded(qint64 pid)
{
    return pid > 0 && pid != ::getpid() && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}
} // namespace

QString MakeTempFileName()
{
    return ownTempName(QDir::tempPath());
}

QString MakeTempFileNameIn(const QString& folder)
{
    return ownTempName(folder);
}

QString MakePrivateTempFile(QString* error)
{
    int cause = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const QString name = MakeTempFileName();
        if (name.isEmpty())
            break;
        const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        cause = errno;
        if (cause != EEXIST)
            break;
    }
    if (error) {
        *error = QStringLiteral("无法在临时文件夹“%1”中建立文件").arg(QDir::toNativeSeparators(QDir::tempPath()));
        if (cause != 0 && cause != EEXIST)
            *error += QStringLiteral("：") + FileErrorCause(cause);
    }
    return QString();
}

void RemoveStaleTempFiles(const QString& folder)
{
    static const QRegularExpression ours(QStringLiteral(R"(^~SM(\d+)-[A-Za-z0-9]{6}\.tmp(-journal|-wal|-shm)?$)"));
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("~SM*")}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = ours.match(name);
        if (!m.hasMatch() || !processEnded(m.captured(1).toLongLong()))
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        struct stat info {};
        if (::lstat(path.constData(), &info) == 0 && info.st_uid == ::geteuid())
            ::unlink(path.constData());
    }
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

namespace {
// Removes a temporary database and the journal the engine may have left beside it.
void removeTempDatabase(const QString& temp)
{
    QFile::remove(temp);
    QFile::remove(temp + QStringLiteral("-journal"));
}

// Temporaries of an earlier compaction that did not end (the program was killed): "~SM" and six
// characters, ".tmp", and their journals. Nothing else in the folder is touched.
void removeStaleTemps(const QString& folder)
{
    static const QRegularExpression ours(QStringLiteral(R"(^~SM[A-Za-z0-9]{6}\.tmp(-journal)?$)"));
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("~SM*")}, QDir::Files | QDir::Hidden | QDir::System))
        if (ours.match(name).hasMatch())
            QFile::remove(dir.filePath(name));
}
} // namespace

CompactResult CompactDatabaseFile(const QString& path)
{
    CompactResult result;
    // A link is followed: the file it names is compacted in its own folder and the link stays.
    const QString target = QFileInfo(path).exists() ? QFileInfo(path).canonicalFilePath() : path;
    struct stat before {};
    if (::stat(QFile::encodeName(target).constData(), &before) != 0) {
        result.error = QStringLiteral("找不到文件“%1”").arg(path);
        return result;
    }
    // A read-only file stays as it is: compaction would replace it with a writable one.
    if ((before.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0
        || ::access(QFile::encodeName(target).constData(), W_OK) != 0) {
        result.error = QStringLiteral("数据库文件“%1”是只读的，不能压缩").arg(path);
        return result;
    }
    const QString folder = QFileInfo(target).absolutePath();
    removeStaleTemps(folder);
    const QString temp = freshTempName(folder);
    if (temp.isEmpty()) {
        result.error = QStringLiteral("无法在“%1”所在的文件夹中建立临时文件").arg(path);
        return result;
    }
    try {
        {
            Connection source;
            source.open(target, Connection::Mode::ReadWrite);
            source.execute(QStringLiteral("VACUUM INTO ?1"), {temp});
        }
        {
            Connection copy;
            copy.open(temp, Connection::Mode::ReadOnly);
            const QString check = copy.scalar(QStringLiteral("PRAGMA quick_check")).toString();
            if (check != QLatin1String("ok"))
                throw DbError(QStringLiteral("压缩后的文件没有通过检查：%1").arg(check));
        }
        // The compacted file takes the old one's permissions and owner before it takes its name.
        const QByteArray tempName = QFile::encodeName(temp);
        if (::chmod(tempName.constData(), before.st_mode & 07777) != 0)
            throw DbError(QStringLiteral("无法设置“%1”的权限").arg(temp));
        struct stat made {};
        if (::stat(tempName.constData(), &made) == 0 && (made.st_uid != before.st_uid || made.st_gid != before.st_gid)
            && ::chown(tempName.constData(), before.st_uid, before.st_gid) != 0)
            throw DbError(QStringLiteral("无法保持“%1”的所有者").arg(path));
        if (std::rename(tempName.constData(), QFile::encodeName(target).constData()) != 0)
            throw DbError(QStringLiteral("无法用压缩后的文件替换“%1”").arg(path));
        syncFolder(folder);
        result.replaced = true;
    } catch (const DbError& e) {
        removeTempDatabase(temp);
        result.error = e.message();
    }
    return result;
}

QString CheckReceivedDatabase(const QString& path)
{
    return CheckOutsideFile(path, {}, -1, OutsideFilePlace::InPlace).error;
}
