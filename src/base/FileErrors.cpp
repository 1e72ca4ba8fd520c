#include "base/FileErrors.h"

#include <cerrno>
#include <cstring>

QString FileErrorCause(int errnum)
{
    switch (errnum) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁盘空间不足");
    case EFBIG:
        return QStringLiteral("文件超过了系统允许的大小");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限");
    case EROFS:
        return QStringLiteral("磁盘是只读的");
    case ENOENT:
        return QStringLiteral("文件或文件夹不存在");
    case EIO:
        return QStringLiteral("磁盘读写错误");
    default:
        return QString::fromLocal8Bit(std::strerror(errnum));
    }
}
