#include "model/Division.h"

#include "db/Connection.h"
#include "db/DbError.h"

DivisionParts SplitDivisionCode(int code)
{
    return {code / 10000, (code % 10000) / 100, code % 100};
}

QString LookupDivisionName(Connection& connection, int code, QString* error)
{
    if (code <= 99999)
        return QString();
    try {
        RowSet rows = connection.query(QStringLiteral("Select CombName from CT_CityName where ID=?1"), {code});
        return rows.isEmpty() ? QString() : rows.text(QStringLiteral("CombName"));
    } catch (const DbError& e) {
        if (error)
            *error = e.message();
        return QString();
    }
}
