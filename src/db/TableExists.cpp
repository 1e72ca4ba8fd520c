#include "db/TableExists.h"

#include "db/Connection.h"

bool TableExists(Connection& connection, const QString& name)
{
    return connection.hasTable(name);
}
