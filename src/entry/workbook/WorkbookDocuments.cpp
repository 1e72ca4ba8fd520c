#include "entry/workbook/WorkbookDocuments.h"

#include "base/Paths.h"
#include "entry/workbook/Workbook.h"

#include <QDir>
#include <QFileInfo>

QString VisibleWorkbookPath(const QString& folder, const QString& stem, const QDateTime& when)
{
    QString name = QFileInfo(stem).fileName();
    for (const char* ext : {".xltx", ".xlt", ".xlsx", ".xls"})
        if (name.endsWith(QLatin1String(ext), Qt::CaseInsensitive)) {
            name.chop(int(qstrlen(ext)));
            break;
        }
    const QString base = name + QLatin1Char('-') + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QDir dir(folder);
    QString path = dir.filePath(base + QStringLiteral(".xlsx"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(base + QStringLiteral("-%1.xlsx").arg(n));
    return path;
}

QString SaveToDocuments(const Workbook& book, const QString& stem, const QDateTime& when)
{
    const QString path = VisibleWorkbookPath(DocumentsFolder(), stem, when);
    book.save(path);
    return path;
}
