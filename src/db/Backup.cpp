#include "db/Backup.h"

QString BackupFileName(const QString& chosen)
{
    const QString extension = QStringLiteral(".mdb");
    if (chosen.size() > extension.size() && !chosen.endsWith(extension, Qt::CaseSensitive))
        return chosen + extension;
    return chosen;
}
