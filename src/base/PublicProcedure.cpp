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
        if (n < 0 || (n > 0 && out.write(buffer, n) != n)) {
            if (error)
                *error = QStringLiteral("复制文件“%1”失败：%2").arg(source, n < 0 ? in.errorString() : out.errorString());
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

bool CommitWhole(QSaveFile& file, QString* error)
{
    const bool flushed = file.flush();
    const QString flushError = file.errorString();
    if (!flushed)
        file.cancelWriting();
    const bool committed = file.commit(); // a cancelled file is discarded here
    if (flushed && committed)
        return true;
    if (error)
        *error = flushed ? file.errorString() : flushError;
    return false;
}
