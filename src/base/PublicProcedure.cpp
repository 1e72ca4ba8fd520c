#include "base/PublicProcedure.h"

#include <QFile>
#include <QSaveFile>

bool CopyFileContents(const QString& source, const QString& target, QString* error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("无法打开文件“%1”：%2").arg(source, in.errorString());
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("无法建立文件“%1”：%2").arg(target, out.errorString());
        return false;
    }
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        QString reason = in.errorString();
        if (n < 0 || (n > 0 && !WriteAllBytes(out, buffer, n, &reason))) {
            if (error)
                *error = QStringLiteral("复制文件“%1”失败：%2").arg(source, reason);
            out.cancelWriting();
            return false;
        }
        if (n == 0)
            break;
    }
    QString reason;
    if (!CommitWhole(out, &reason)) {
        if (error)
            *error = QStringLiteral("无法写入文件“%1”：%2").arg(target, reason);
        return false;
    }
    return true;
}

bool WriteFileWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    QString reason;
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
    } else if (!WriteAllBytes(file, bytes.constData(), bytes.size(), &reason)) {
        file.cancelWriting();
    } else if (CommitWhole(file, &reason)) {
        return true;
    }
    if (error)
        *error = QStringLiteral("无法写入文件“%1”：%2").arg(path, reason);
    return false;
}

namespace {
// The reason a file operation failed, in words a clerk reads.
QString fileErrorText(const QFileDevice& file)
{
    return file.error() == QFileDevice::ResourceError ? QStringLiteral("磁盘空间不足") : file.errorString();
}
} // namespace

bool WriteAllBytes(QFileDevice& file, const char* data, qint64 size, QString* error)
{
    // A write cut short by a full disk gives no reason; writing the rest gives the system's.
    for (qint64 done = 0; done < size;) {
        const qint64 n = file.write(data + done, size - done);
        if (n <= 0) {
            if (error)
                *error = fileErrorText(file);
            return false;
        }
        done += n;
    }
    return true;
}

bool CommitWhole(QSaveFile& file, QString* error)
{
    // A flush cut short by a full disk gives no reason; trying the rest once more gives the
    // system's (and finishes the file when room has come meanwhile).
    const bool flushed = file.flush() || file.flush();
    const QString flushError = fileErrorText(file);
    if (!flushed)
        file.cancelWriting();
    const bool committed = file.commit(); // a cancelled file is discarded here
    if (flushed && committed)
        return true;
    if (error)
        *error = flushed ? file.errorString() : flushError;
    return false;
}
