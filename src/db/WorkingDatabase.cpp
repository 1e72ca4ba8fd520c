#include "db/WorkingDatabase.h"

#include "base/Paths.h"
#include "db/DbError.h"
#include "db/WorkingSchema.h"

#include <QFile>

QString CurrentDatabasePath;
QString DatabaseLabel;

Connection& SysConnection()
{
    static Connection connection;
    return connection;
}

QString ReadDatabaseLabel(Connection& connection)
{
    RowSet label = connection.query(QStringLiteral("select * from ct_label"));
    return label.isEmpty() ? QString() : label.text(QStringLiteral("db_name"));
}

QString MissingSchemaObject(Connection& connection)
{
    static const char* const names[] = {"ct_label", "dt_fieldlist", "dt_data", "view_data"};
    for (const char* name : names) {
        const QVariant found = connection.scalar(
            QStringLiteral("select count(*) from sqlite_master where type in ('table','view') and name=?1 collate nocase"),
            {QString::fromLatin1(name)});
        if (found.toInt() == 0)
            return QString::fromLatin1(name);
    }
    return QString();
}

OpenDatabaseResult OpenWorkingDatabase(const QString& fileName)
{
    OpenDatabaseResult result;
    Connection& connection = SysConnection();
    connection.close();
    const QString systemFile = WorkingDatabaseFile();
    const QString path = fileName.isEmpty() ? systemFile : fileName;
    if (!QFile::exists(path)) {
        result.status = OpenDatabaseResult::FileMissing;
        return result;
    }
    try {
        connection.open(path, Connection::Mode::ReadWrite);
    } catch (const DbError& e) {
        result.status = QFile::exists(systemFile) ? OpenDatabaseResult::InstallBroken : OpenDatabaseResult::FileMissing;
        result.error = e.message();
        return result;
    }
    CurrentDatabasePath = path;
    try {
        DatabaseLabel = ReadDatabaseLabel(connection);
    } catch (const DbError& e) {
        result.status = OpenDatabaseResult::LabelUnreadable;
        result.error = e.message();
        return result;
    }
    // Only a system data file is upgraded: any other file is left as it is.
    try {
        if (MissingSchemaObject(connection).isEmpty()) {
            const SchemaUpgrade upgrade = UpgradeWorkingSchema(connection);
            if (upgrade.newer()) {
                connection.open(path, Connection::Mode::ReadOnly);
                result.readOnly = true;
            }
        }
        result.schemaVersion = SchemaVersionOf(connection);
    } catch (const DbError& e) {
        result.upgradeError = e.message();
    }
    return result;
}
