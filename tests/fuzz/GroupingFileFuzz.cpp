// A grouping exchange file from elsewhere through the grouping import: the file replaces the
// groupings of a scratch working database, or it is refused and they stay as they were.
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

Connection& scratchWorkingDatabase()
{
    static bool opened = false;
    if (!opened) {
        FuzzSetUp();
        if (OpenWorkingDatabase().status != OpenDatabaseResult::Opened)
            FuzzFault("the scratch working database does not open");
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
    return 0;
}
