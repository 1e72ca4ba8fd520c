#pragma once

#include <QString>

class Connection;

// Whether the name is one of the connection's user tables, without regard to letter case.
bool TableExists(Connection& connection, const QString& name);
