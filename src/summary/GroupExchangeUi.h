#pragma once

#include <QString>
#include <QStringList>

class Connection;

// The grouping exchange as the list of groupings offers it: the file dialogs, the progress
// window and the messages around ExportGroupingTables and ImportGroupingTables.
void ExportGroupingTablesUi(const QString& source, const QStringList& tables);
void ImportGroupingTablesUi(Connection& db, const QStringList& tables);
