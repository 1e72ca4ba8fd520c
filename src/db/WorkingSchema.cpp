#include "db/WorkingSchema.h"

#include "db/Connection.h"
#include "db/DbError.h"

#include <optional>

namespace {
// What each version adds, one line per column: the version, the table, the column and its
// declaration. The first column of a table is the one the table is created with.
struct AddedColumn {
    int version;
    const char* table;
    const char* column;
    const char* declaration;
};

const AddedColumn kAddedColumns[] = {
    // The units expected to report: the code, name and division, where the entry came from and when.
    {1, "ct_expected", "c901", "NUMERIC NOT NULL"},
    {1, "ct_expected", "c902", "TEXT"},
    {1, "ct_expected", "c903", "INTEGER"},
    {1, "ct_expected", "Source", "TEXT"},
    {1, "ct_expected", "AddedAt", "TEXT"},
    // One row per package received, imported or not.
    {1, "dt_receipt", "ID", "INTEGER PRIMARY KEY AUTOINCREMENT"},
    {1, "dt_receipt", "ReceivedAt", "TEXT"},
    {1, "dt_receipt", "FileName", "TEXT"},
    {1, "dt_receipt", "Label", "TEXT"},
    {1, "dt_receipt", "FileSize", "INTEGER"},
    {1, "dt_receipt", "FileDigest", "TEXT"},
    {1, "dt_receipt", "Returns", "INTEGER"},
    {1, "dt_receipt", "Added", "INTEGER"},
    {1, "dt_receipt", "Replaced", "INTEGER"},
    {1, "dt_receipt", "Kept", "INTEGER"},
    {1, "dt_receipt", "Result", "TEXT"},
    {1, "dt_receipt", "ProgramVersion", "TEXT"},
};

struct AddedIndex {
    int version;
    const char* name;
    const char* table;
    const char* definition;
};

const AddedIndex kAddedIndexes[] = {
    {1, "ct_expected_c901", "ct_expected", "CREATE UNIQUE INDEX ct_expected_c901 ON ct_expected (c901)"},
};

bool hasIndex(Connection& db, const char* name)
{
    return db.scalar(QStringLiteral("select count(*) from sqlite_master where type='index' and name=?1 collate nocase"),
                     {QString::fromLatin1(name)})
               .toInt()
           > 0;
}

// Creates what is missing; returns what it created. Reading only when nothing is missing.
QStringList addMissing(Connection& db, bool apply)
{
    QStringList added;
    QString table;
    QStringList columns;
    for (const AddedColumn& c : kAddedColumns) {
        const QString name = QString::fromLatin1(c.table);
        if (name != table) {
            table = name;
            columns = db.columnNames(table);
            if (columns.isEmpty()) {
                QStringList declarations;
                for (const AddedColumn& d : kAddedColumns)
                    if (QString::fromLatin1(d.table) == table)
                        declarations << QStringLiteral("%1 %2").arg(QString::fromLatin1(d.column), QString::fromLatin1(d.declaration));
                if (apply)
                    db.execute(QStringLiteral("CREATE TABLE %1 (\n  %2\n)").arg(table, declarations.join(QStringLiteral(",\n  "))));
                added << table;
                for (const AddedColumn& d : kAddedColumns)
                    if (QString::fromLatin1(d.table) == table)
                        columns << QString::fromLatin1(d.column);
                continue;
            }
        }
        const QString column = QString::fromLatin1(c.column);
        if (columns.contains(column, Qt::CaseInsensitive))
            continue;
        if (apply)
            db.execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, column, QString::fromLatin1(c.declaration)));
        added << table + QLatin1Char('.') + column;
    }
    for (const AddedIndex& i : kAddedIndexes) {
        if (hasIndex(db, i.name))
            continue;
        if (apply)
            db.execute(QString::fromLatin1(i.definition));
        added << QStringLiteral("index ") + QString::fromLatin1(i.name);
    }
    return added;
}
} // namespace

int SchemaVersionOf(Connection& connection)
{
    return connection.scalar(QStringLiteral("PRAGMA user_version")).toInt();
}

SchemaUpgrade UpgradeWorkingSchema(Connection& connection)
{
    SchemaUpgrade upgrade;
    upgrade.fileVersion = SchemaVersionOf(connection);
    if (upgrade.newer())
        return upgrade;
    if (upgrade.fileVersion == kWorkingSchemaVersion && addMissing(connection, false).isEmpty())
        return upgrade;
    // Under the write lock the file is looked at again: another program may have upgraded it.
    std::optional<Transaction> transaction;
    if (!connection.inTransaction())
        transaction.emplace(connection);
    upgrade.fileVersion = SchemaVersionOf(connection);
    if (upgrade.newer())
        return upgrade;
    upgrade.added = addMissing(connection, true);
    if (upgrade.fileVersion != kWorkingSchemaVersion)
        connection.execute(QStringLiteral("PRAGMA user_version = %1").arg(kWorkingSchemaVersion));
    if (transaction)
        transaction->commit();
    return upgrade;
}

QString NewerSchemaText(int fileVersion)
{
    return QStringLiteral("这个数据库文件由较新版本的程序建立（数据结构第%1版，本程序只认识到第%2版），"
                          "只能查看，不能修改。")
        .arg(fileVersion)
        .arg(kWorkingSchemaVersion);
}

QString UpgradeFailedText(const QString& error)
{
    return QStringLiteral("无法在数据库文件中添加应报单位名单和收件登记（文件没有改变）：") + error;
}
