#include "exchange/ExchangeRules.h"

#include "db/Connection.h"

qint64 UnfinishedReturnCount(Connection& db)
{
    return db.scalar(QStringLiteral("select count(*) as cnt from dt_data where RecordState<>1")).toLongLong();
}
