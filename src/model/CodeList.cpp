#include "model/CodeList.h"

#include "db/Connection.h"

QString FindCodeName(const TMenuItemDataArray& list, int code)
{
    for (const TCode& entry : list)
        if (entry.code == code)
            return entry.name;
    return QString();
}

int FindCodeValue(const TMenuItemDataArray& list, const QString& name)
{
    for (const TCode& entry : list)
        if (entry.name == name)
            return entry.code;
    return 0;
}

TMenuItemDataArray LoadCodeTable(Connection& connection, const QString& table, bool descending)
{
    TMenuItemDataArray list;
    RowSet rows = connection.query(QStringLiteral("select ID, Name from %1 where ID<>0 order by Sequence %2")
                                       .arg(QuoteIdentifier(table), descending ? "desc" : "asc"));
    for (rows.first(); !rows.eof(); rows.next())
        list.push_back({int(rows.toInt(QStringLiteral("ID"))), rows.text(QStringLiteral("Name"))});
    return list;
}

TMenuItemDataArray RecordStateList()
{
    return {{0, QStringLiteral("暂存")}, {1, QStringLiteral("通过")}, {2, QStringLiteral("有错")}};
}
