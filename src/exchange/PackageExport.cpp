#include "exchange/PackageExport.h"

#include "base/Paths.h"
#include "base/PublicProcedure.h"
#include "db/Connection.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/ExportTarget.h"
#include "exchange/PackageFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

QString DefaultDatabaseLabel()
{
    return QStringLiteral("默认数据库");
}

QString PackageTemplatePath()
{
    return QDir(ProgramFolder()).filePath(QStringLiteral("view.dll"));
}

namespace {
bool syncPath(const QString& path, bool folder)
{
    const int fd = ::open(QFile::encodeName(path).constData(), folder ? (O_RDONLY | O_DIRECTORY) : O_RDWR);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Fills the package's tables; its dt_data must have exactly the working table's columns.
qint64 fillPackage(const QString& package, const QString& workingPath, const QStringList& columns,
                   const QString& label)
{
    Connection db;
    db.open(package, Connection::Mode::ReadWrite);
    const QStringList own = db.columnNames(QStringLiteral("dt_data"));
    bool same = own.size() == columns.size();
    for (const QString& c : columns)
        same = same && own.contains(c, Qt::CaseInsensitive);
    if (!same)
        throw DbError(QStringLiteral("数据包模板的数据表dt_data与系统数据库的不一致"));
    if (!db.hasTable(QStringLiteral("ct_label")))
        throw DbError(QStringLiteral("数据包模板中没有数据表ct_label"));
    db.attachReadOnly(workingPath, QStringLiteral("work"));
    QStringList quoted;
    for (const QString& c : columns)
        quoted << QuoteIdentifier(c);
    const QString list = quoted.join(',');
    qint64 rows = 0;
    {
        Transaction tx(db);
        db.execute(QStringLiteral("delete from main.dt_data"));
        rows = db.execute(QStringLiteral("insert into main.dt_data (%1) select %1 from work.dt_data where RecordState=1")
                              .arg(list));
        if (db.execute(QStringLiteral("update main.ct_label set db_name = ?1"), {label}) == 0)
            db.execute(QStringLiteral("insert into main.ct_label (db_name) values (?1)"), {label});
        tx.commit();
    }
    db.detach(QStringLiteral("work"));
    return rows;
}
} // namespace

PackageExportResult WritePackage(Connection& working, const QString& templatePath, const QString& target,
                                 const QString& label)
{
    PackageExportResult result;
    result.error = RefuseExportTarget(target, {working.path(), templatePath});
    if (!result.error.isEmpty())
        return result;
    const QString folder = QFileInfo(target).absolutePath();
    RemoveStaleTempFiles(folder); // what a killed export left beside its target
    const QString temp = MakeTempFileNameIn(folder);
    if (temp.isEmpty()) {
        result.error = QStringLiteral("无法在“%1”中建立文件").arg(folder);
        return result;
    }
    try {
        QString error;
        if (!CopyFileContents(templatePath, temp, &error))
            throw DbError(error);
        result.rows = fillPackage(temp, working.path(), working.columnNames(QStringLiteral("dt_data")), label);
        if (!ScramblePackage(temp, &error))
            throw DbError(error);
        if (!syncPath(temp, false))
            throw DbError(QStringLiteral("无法写入文件“%1”").arg(target));
        if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0)
            throw DbError(QStringLiteral("无法写入文件“%1”").arg(target));
        syncPath(folder, true);
    } catch (const DbError& e) {
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        result.error = e.message();
        result.rows = 0;
    }
    return result;
}
