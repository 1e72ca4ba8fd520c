#include "entry/RecordStore.h"

#include "base/ValueText.h"
#include "db/Connection.h"
#include "db/DbError.h"

qint64 NextFreeCode(Connection& db)
{
    const QVariant next = db.scalar(QStringLiteral("SELECT MAX(c901)+1 as NSI FROM dt_data"));
    return next.isNull() ? 0 : NearestWhole64(next.toDouble());
}

QHash<QString, QVariant> ReadReturn(Connection& db, qint64 code)
{
    QHash<QString, QVariant> values;
    RowSet row = db.query(QStringLiteral("SELECT * from dt_data Where c901=?1"), {code});
    if (row.isEmpty())
        return values;
    for (int c = 0; c < row.columnCount(); ++c)
        values.insert(row.columnName(c).toLower(), row.valueAt(0, c));
    return values;
}

void StoreReturn(Connection& db, const QVector<FieldValue>& values, int recordState, bool append, qint64 previousKey)
{
    QStringList columns;
    QVariantList params;
    for (const FieldValue& v : values) {
        columns << QuoteIdentifier(v.name);
        params << v.value;
    }
    columns << QStringLiteral("RecordState");
    params << recordState;
    Transaction tx(db);
    if (append) {
        QStringList marks;
        for (int i = 1; i <= params.size(); ++i)
            marks << QStringLiteral("?%1").arg(i);
        db.execute(QStringLiteral("insert into dt_data (%1) values (%2)").arg(columns.join(','), marks.join(',')), params);
    } else {
        QStringList sets;
        for (int i = 0; i < columns.size(); ++i)
            sets << QStringLiteral("%1=?%2").arg(columns[i]).arg(i + 1);
        params << previousKey;
        const int changed = db.execute(
            QStringLiteral("update dt_data set %1 where c901=?%2").arg(sets.join(',')).arg(params.size()), params);
        if (changed != 1)
            throw DbError(QStringLiteral("没有找到编码为%1的数据").arg(previousKey));
    }
    tx.commit();
}
