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
    if (!out.commit()) {
        if (error)
            *error = QStringLiteral("无法写入文件“%1”：%2").arg(target, out.errorString());
        return false;
    }
    return true;
}
