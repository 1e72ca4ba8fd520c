#include "summary/DataList.h"

#include "base/ValueText.h"
#include "db/Connection.h"
#include "query/ResultExport.h"

QString DataListTableLetters()
{
    return QStringLiteral("zxpbflhjswgc");
}

QString DataListFields(Connection& db, const CheckListEntries& list)
{
    const QString letters = DataListTableLetters();
    QString fields = QStringLiteral(",");
    for (int position = 0; position < list.size() && position < letters.size(); ++position) {
        if (!list[position].selectable || list[position].tick != 1)
            continue;
        RowSet names = db.query(QStringLiteral("select FieldName from dt_fieldlist where FieldName like ?1 and "
                                               "sequence>=7 and sequence<1000 order by sequence"),
                                {QStringLiteral("%") + letters[position] + QStringLiteral("%")});
        for (names.first(); !names.eof(); names.next())
            fields += names.text(QStringLiteral("FieldName")) + QLatin1Char(',');
    }
    if (fields == QLatin1String(","))
        return QString();
    fields.chop(1);
    return fields;
}

QString DataListCondition(const DataListChoice& choice)
{
    switch (choice.scope) {
    case DataListScope::All:
        return QString();
    case DataListScope::Range:
        return QStringLiteral("where c901>=%1 and c901<=%2").arg(FormatFixed2(choice.from), FormatFixed2(choice.to));
    case DataListScope::Item:
        GroupItemCondition(choice.item.lowSymbol, choice.item.highSymbol, 1); // refuses unknown symbols
        return QStringLiteral("where c901") + choice.item.lowSymbol + QString::number(choice.item.low)
               + QStringLiteral(" and c901") + choice.item.highSymbol + QString::number(choice.item.high);
    }
    return QString();
}

QString DataListSql(const QString& fields, const DataListChoice& choice)
{
    const QString condition = DataListCondition(choice);
    return QStringLiteral("select c901,c902,c903,c904,c905,c906,RecordState") + fields + QStringLiteral(" from dt_data")
           + (condition.isEmpty() ? QString() : QLatin1Char(' ') + condition) + QStringLiteral(" order by c901");
}

TFieldDataArray DataListColumns(const RowSet& rows)
{
    TFieldDataArray columns;
    for (int c = 0; c < rows.columnCount(); ++c) {
        TFieldData f;
        f.ShowName = rows.columnName(c);
        f.Hint = rows.columnName(c);
        f.FieldWidth = 0;
        f.FieldType = ExportSqlType(rows.valueKinds(c));
        f.QueryShow = true;
        columns << f;
    }
    return columns;
}
