#include "exchange/ExchangeRules.h"

#include "db/Connection.h"

QString ExchangeExportFileName(const QString& chosen, const QString& extension)
{
    if (chosen.size() < 5 || !chosen.endsWith(extension, Qt::CaseSensitive))
        return chosen + extension;
    return chosen;
}

QString ImportFileName(const QString& chosen, const QString& extension)
{
    if (chosen.size() > 4 && !chosen.endsWith(extension, Qt::CaseSensitive))
        return chosen + extension;
    return chosen;
}

qint64 UnfinishedReturnCount(Connection& db)
{
    return db.scalar(QStringLiteral("select count(*) as cnt from dt_data where RecordState<>1")).toLongLong();
}
