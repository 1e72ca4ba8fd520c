#include "db/OutsideFile.h"

#include "db/Connection.h"
#include "db/DbError.h"

#include <QFile>

OutsideTable OutsideTableOf(Connection& connection, const QString& table)
{
    OutsideTable required;
    required.name = table;
    required.columns = connection.columnNames(table);
    if (required.columns.isEmpty())
        throw DbError(QStringLiteral("系统中不存在名字为\"%1\"的数据表").arg(table));
    return required;
}

namespace {
bool hasDatabaseHeader(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取所选的文件（%1）").arg(file.errorString());
        return false;
    }
    static const QByteArray header("SQLite format 3\0", 16);
    if (file.read(16) != header) {
        *error = QStringLiteral("所选的文件不是有效的数据文件");
        return false;
    }
    return true;
}

// The file's own spelling of a required table, or empty text when it holds no such object.
// Views and the like are reported through *kind.
QString findObject(Connection& db, const QString& name, QString* kind)
{
    RowSet rows = db.query(QStringLiteral("select name, type from main.sqlite_master "
                                          "where name = ?1 collate nocase and type in ('table','view') "
                                          "order by type limit 1"),
                           {name});
    if (rows.isEmpty())
        return QString();
    rows.first();
    *kind = rows.text(QStringLiteral("type"));
    return rows.text(QStringLiteral("name"));
}

// A plain reason when the table's layout differs from the required one.
QString checkTable(Connection& db, const QString& actual, const OutsideTable& required)
{
    // Virtual tables and tables without row ids are not what this program writes.
    RowSet kind = db.query(QStringLiteral("select type, wr from pragma_table_list(?1) where schema='main'"), {actual});
    if (kind.isEmpty())
        return QStringLiteral("所选文件中的\"%1\"无法读取").arg(required.name);
    kind.first();
    if (kind.text(QStringLiteral("type")) != QLatin1String("table") || kind.toInt(QStringLiteral("wr")) != 0)
        return QStringLiteral("所选文件中的\"%1\"不是普通的数据表").arg(required.name);
    RowSet columns = db.query(QStringLiteral("select name, hidden from pragma_table_xinfo(?1, 'main') order by cid"),
                              {actual});
    QStringList found;
    for (columns.first(); !columns.eof(); columns.next()) {
        const QString name = columns.text(QStringLiteral("name"));
        if (columns.toInt(QStringLiteral("hidden")) != 0)
            return QStringLiteral("所选文件中的数据表\"%1\"含有计算字段\"%2\"").arg(required.name, name);
        found << name;
    }
    for (const QString& name : required.columns)
        if (!found.contains(name, Qt::CaseInsensitive))
            return QStringLiteral("所选文件中的数据表\"%1\"缺少字段\"%2\"").arg(required.name, name);
    for (const QString& name : found)
        if (!required.columns.contains(name, Qt::CaseInsensitive))
            return QStringLiteral("所选文件中的数据表\"%1\"有多余的字段\"%2\"").arg(required.name, name);
    return QString();
}
} // namespace

OutsideFileCheck CheckOutsideFile(const QString& path, const QList<OutsideTable>& tables)
{
    OutsideFileCheck result;
    if (!hasDatabaseHeader(path, &result.error))
        return result;
    try {
        Connection db;
        db.open(path, Connection::Mode::ReadOnly);
        QString check;
        try {
            check = db.scalar(QStringLiteral("PRAGMA quick_check")).toString();
        } catch (const DbError& e) {
            check = e.message();
        }
        if (check != QLatin1String("ok")) {
            result.error = QStringLiteral("所选的文件已经损坏（%1）").arg(check);
            return result;
        }
        // A file in another text encoding cannot be read beside ours.
        const QString encoding = db.scalar(QStringLiteral("PRAGMA encoding")).toString();
        if (encoding != QLatin1String("UTF-8")) {
            result.error = QStringLiteral("所选文件的文字编码（%1）不是UTF-8").arg(encoding);
            return result;
        }
        for (const OutsideTable& table : tables) {
            QString kind;
            const QString actual = findObject(db, table.name, &kind);
            if (actual.isEmpty()) {
                result.missingTables << table.name;
                continue;
            }
            if (kind != QLatin1String("table")) {
                result.error = QStringLiteral("所选文件中的\"%1\"不是数据表").arg(table.name);
                return result;
            }
            result.error = checkTable(db, actual, table);
            if (!result.error.isEmpty())
                return result;
        }
    } catch (const DbError& e) {
        // The header was right: what stops the engine now is most likely damage.
        result.error = QStringLiteral("所选的文件无法打开，可能已经损坏（%1）").arg(e.message());
    }
    return result;
}
