#include "model/DivisionTree.h"

#include "db/Connection.h"

namespace {
QVector<DivisionRow> readRows(RowSet rows)
{
    QVector<DivisionRow> result;
    result.reserve(rows.recordCount());
    for (rows.first(); !rows.eof(); rows.next())
        result.append({int(rows.toInt(QStringLiteral("ID"))), int(rows.toInt(QStringLiteral("Code1"))),
                       int(rows.toInt(QStringLiteral("Code2"))), int(rows.toInt(QStringLiteral("Code3"))),
                       rows.text(QStringLiteral("Name")), rows.text(QStringLiteral("CombName"))});
    return result;
}
} // namespace

QVector<DivisionRow> Provinces(Connection& connection)
{
    // The order of the index "Code1".
    return readRows(connection.query(
        QStringLiteral("Select * from CT_CityName where Code2=0 order by Code1, Code2, Code3")));
}

QVector<DivisionRow> Prefectures(Connection& connection, int code1)
{
    return readRows(connection.query(
        QStringLiteral("Select * from CT_CityName where Code1=?1 and Code2<>0 and Code3=0 order by Code2"),
        {code1}));
}

QVector<DivisionRow> Counties(Connection& connection, int code1, int code2)
{
    return readRows(connection.query(
        QStringLiteral("Select * from CT_CityName where Code1=?1 and Code2=?2 order by Code3"),
        {code1, code2}));
}
