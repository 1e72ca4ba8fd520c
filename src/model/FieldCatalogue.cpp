#include "model/FieldCatalogue.h"

#include "db/Connection.h"

bool IsCodeField(const QString& fieldName)
{
    for (const char* code : {"c901", "c903", "c904", "c907"})
        if (fieldName.compare(QLatin1String(code), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

TFieldDataArray LoadFieldCatalogue(Connection& connection)
{
    TFieldDataArray fields;
    RowSet rows = connection.openTableByIndex(QStringLiteral("dt_fieldlist"), QStringLiteral("sequence"));
    fields.reserve(rows.recordCount());
    for (rows.first(); !rows.eof(); rows.next()) {
        TFieldData f;
        f.ID = int(rows.toInt(QStringLiteral("ID")));
        f.FieldName = rows.text(QStringLiteral("FieldName"));
        f.ShowName = rows.text(QStringLiteral("ShowName"));
        f.Hint = rows.text(QStringLiteral("Hint"));
        f.FieldWidth = int(rows.toInt(QStringLiteral("FieldWidth")));
        f.FieldType = rows.text(QStringLiteral("FieldType"));
        f.Visible = rows.toBool(QStringLiteral("Visible"));
        f.QueryShow = rows.toBool(QStringLiteral("QueryShow"));
        f.QueryType = int(rows.toInt(QStringLiteral("QueryType")));
        f.sequence = int(rows.toInt(QStringLiteral("sequence")));
        f.PageID = int(rows.toInt(QStringLiteral("PageID")));
        f.Rule = rows.text(QStringLiteral("Rule"));
        f.printPageID = int(rows.toInt(QStringLiteral("printPageID")));
        f.printplace = rows.text(QStringLiteral("printplace"));
        fields.push_back(f);
    }
    return fields;
}
