// A grouping exchange file from elsewhere through the grouping import: the file replaces the
// groupings of a scratch working database, or it is refused and they stay as they were. Each
// input starts from the same groupings.
#include "FuzzTarget.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/RowSet.h"
#include "db/WorkingDatabase.h"
#include "summary/GroupExchange.h"

#include <QStringList>
#include <QVariantList>

namespace {
// The tables the grouping list exchanges.
const QStringList kGroupingTables = {QStringLiteral("CT_Group"), QStringLiteral("DT_GroupItem")};

// The groupings every input starts from are kept beside them, row ids included, for the life of
// the connection.
QString keptCopy(const QString& table)
{
    return QStringLiteral("temp.") + QuoteIdentifier(QStringLiteral("start_") + table);
}

QString columnList(Connection& db, const QString& table)
{
    QStringList quoted;
    for (const QString& column : db.columnNames(table))
        quoted << QuoteIdentifier(column);
    return quoted.join(QLatin1Char(','));
}

// The AUTOINCREMENT counters of the grouping tables, which an import may raise.
const QString kSequenceRows = QStringLiteral("from main.sqlite_sequence where lower(name) in ('ct_group', 'dt_groupitem')");

void keepStartingGroupings(Connection& db)
{
    db.execute(QStringLiteral("create table temp.start_sequence as select name, seq ") + kSequenceRows);
    for (const QString& table : kGroupingTables)
        db.execute(QStringLiteral("create table %1 as select rowid as start_rowid, %2 from main.%3")
                       .arg(keptCopy(table), columnList(db, table), QuoteIdentifier(table)));
}

// Back to the groupings every input starts from, whatever the last input left.
void restoreStartingGroupings(Connection& db)
{
    try {
        Transaction tx(db);
        for (const QString& table : kGroupingTables) {
            const QString list = columnList(db, table);
            db.execute(QStringLiteral("delete from main.%1").arg(QuoteIdentifier(table)));
            db.execute(QStringLiteral("insert into main.%1 (rowid, %2) select start_rowid, %2 from %3")
                           .arg(QuoteIdentifier(table), list, keptCopy(table)));
        }
        db.execute(QStringLiteral("delete ") + kSequenceRows);
        db.execute(QStringLiteral("insert into main.sqlite_sequence (name, seq) select name, seq from temp.start_sequence"));
        tx.commit();
    } catch (const DbError& e) {
        FuzzFault("the starting groupings cannot be restored: " + e.message());
    }
}

Connection& scratchWorkingDatabase()
{
    static bool opened = false;
    if (!opened) {
        FuzzSetUp();
        if (OpenWorkingDatabase().status != OpenDatabaseResult::Opened)
            FuzzFault("the scratch working database does not open");
        keepStartingGroupings(SysConnection());
        opened = true;
    }
    return SysConnection();
}

// Everything the grouping tables hold, row by row, to compare before and after a refusal.
QVariantList groupingContent(Connection& db)
{
    QVariantList content;
    for (const QString& table : kGroupingTables) {
        RowSet rows = db.query(QStringLiteral("select * from %1 order by rowid").arg(table));
        content << rows.recordCount();
        for (rows.first(); !rows.eof(); rows.next())
            for (const QString& column : rows.columnNames())
                content << rows.value(column);
    }
    return content;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Connection& working = scratchWorkingDatabase();
    const QString path = FuzzInputFile(QStringLiteral("grouping.mdb"), data, size);
    const QVariantList before = groupingContent(working);
    try {
        ImportGroupingTables(working, path, kGroupingTables);
    } catch (const DbError& e) {
        (void)e.message();
        if (groupingContent(working) != before)
            FuzzFault(QStringLiteral("a refused grouping file changed the groupings: ") + e.message());
    }
    restoreStartingGroupings(working);
    return 0;
}
