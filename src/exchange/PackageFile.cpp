#include "exchange/PackageFile.h"

#include <QFile>

namespace {
// The scrambling constants: 53 becomes 22, neither 53 nor 66.
constexpr unsigned char kOffset = 0x2B;
constexpr unsigned char kKey = 0x5C;

// Rewrites the start of the file through the transformation.
bool transformStart(const QString& path, unsigned char (*transform)(unsigned char), QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        if (error)
            *error = QStringLiteral("无法打开文件“%1”：%2").arg(path, file.errorString());
        return false;
    }
    QByteArray start = file.read(kScrambledLength);
    for (char& c : start)
        c = char(transform((unsigned char)c));
    if (!file.seek(0) || file.write(start) != start.size() || !file.flush()) {
        if (error)
            *error = QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString());
        return false;
    }
    return true;
}
} // namespace

unsigned char ScrambleByte(unsigned char byte)
{
    return (unsigned char)((byte + kOffset) & 0xFF) ^ kKey;
}

unsigned char RestoreByte(unsigned char byte)
{
    return (unsigned char)(((byte ^ kKey) - kOffset) & 0xFF);
}

unsigned char ScrambledFirstByte()
{
    return ScrambleByte(kPlainFirstByte);
}

int FirstByteOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    char c = 0;
    return file.getChar(&c) ? int((unsigned char)c) : -1;
}

bool ScramblePackage(const QString& path, QString* error)
{
    if (!QFile::exists(path)) {
        if (error)
            *error = QStringLiteral("找不到文件“%1”").arg(path);
        return false;
    }
    return transformStart(path, ScrambleByte, error);
}

bool RestorePackage(const QString& path, QString* error)
{
    const int first = FirstByteOf(path);
    if (first < 0) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return true; // an empty file stays as it is
        if (error)
            *error = QStringLiteral("无法打开文件“%1”：%2").arg(path, file.errorString());
        return false;
    }
    if (first == ScrambledFirstByte())
        return transformStart(path, RestoreByte, error);
    if (first == kReplacedHeaderByte) {
        QFile file(path);
        static const QByteArray header("SQLite format 3\0", 16);
        if (!file.open(QIODevice::ReadWrite) || file.write(header) != header.size() || !file.flush()) {
            if (error)
                *error = QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString());
            return false;
        }
    }
    return true;
}
