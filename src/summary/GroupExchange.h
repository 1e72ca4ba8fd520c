#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class Connection;

// The tables of the grouping definitions exchange, in this order.
const QStringList& GroupingTableNames();

// Progress of a grouping exchange, one step per table; all may stay empty. (Not the package
// exchange's ExchangeHooks: one name for two types would be one class defined twice.)
struct GroupExchangeHooks {
    std::function<void(int total)> started;
    std::function<void()> stepped;
    std::function<void()> processEvents;
};

// Writes the tables of the source database file into the target file: a table the target
// already has is replaced, its other tables stay; a missing target is created. The target is
// written beside itself and renamed into place, so it is the old file or the complete new one.
// The working database and the source are refused as the target (RefuseExportTarget). Raises
// DbError.
void ExportGroupingTables(const QString& source, const QString& target, const QStringList& tables,
                          const GroupExchangeHooks& hooks = {});

// Replaces the rows of the tables in the working database with those of a file from elsewhere,
// in one transaction. A copy of the file is checked (CheckOutsideFile: each table it holds must
// have the working table's columns) before anything is deleted, then read through a read-only
// attachment; the file's views and triggers never run. Returns the tables the file does not hold (those keep their
// rows). A file that fails, or a copy that fails half-way, raises DbError and changes nothing.
QStringList ImportGroupingTables(Connection& db, const QString& file, const QStringList& tables,
                                 const GroupExchangeHooks& hooks = {});
