#pragma once

#include "model/CodeList.h"

#include <QString>
#include <QStringList>

class Connection;
class RowSet;

// Custom groupings: a named, ordered list of ranges of the statistics code c901, kept in
// ct_group (one row per grouping) and DT_GroupItem (its items). Removing a grouping removes its
// items: the schema's trigger ct_group_delete_items does it, whoever deletes the row.

// The item an editor holds: a title and a range "c901 lowSymbol low and c901 highSymbol high".
struct GroupItem {
    qint64 id = 0;      // 0 for a new item
    qint64 groupId = 0;
    QString title;
    qint64 low = 0;
    qint64 high = 0;
    QString lowSymbol = QStringLiteral(">=");
    QString highSymbol = QStringLiteral("<");
};

// The symbol lists of the item dialog: lower 1 ">", 2 ">="; upper 1 "<", 2 "<=".
TMenuItemDataArray LowSymbolList();
TMenuItemDataArray HighSymbolList();

// The order a new grouping's items come in.
inline QString DefaultGroupOrder()
{
    return QStringLiteral("id ASC");
}

// Appends a grouping with the name and the default order; returns its ID.
qint64 CreateGrouping(Connection& db, const QString& name);
void RenameGrouping(Connection& db, qint64 groupId, const QString& name);
// Deletes the grouping; its items go with it.
void RemoveGrouping(Connection& db, qint64 groupId);

// Why an item cannot be saved ("必须输入本组数据的名称！", "上限必须大于下限！"); empty when it can.
QString GroupItemProblem(const GroupItem& item);
// Appends the item (id 0) or changes it through view_group_item; returns its id. The caller
// checks GroupItemProblem first; symbols other than those of the lists are refused (DbError).
qint64 SaveGroupItem(Connection& db, const GroupItem& item);
void RemoveGroupItem(Connection& db, qint64 itemId);

// The columns of view_group_item, which the item order may name.
const QStringList& GroupItemColumns();
// An order text as "column ASC" or "column DESC" over a column of view_group_item (letter case
// of the column kept as the view spells it, the direction in capitals); anything else, which a
// grouping file from elsewhere may hold, reads as "id ASC".
QString SafeGroupOrder(const QString& text);
// Stores the item order of a grouping (made safe first).
void StoreGroupOrder(Connection& db, qint64 groupId, const QString& order);
// The stored order of a grouping, made safe; "id ASC" when empty or when there is no such grouping.
QString ReadGroupOrder(Connection& db, qint64 groupId);
// The direction reversed: DESC becomes ASC and ASC becomes DESC.
QString ReverseGroupOrder(const QString& safeOrder);

// The statement the item dialog lists a grouping's items with; the items come in the engine's
// order, which the dialog's column sort starts from.
QString GroupItemListSql(qint64 groupId);
// The items of a grouping as the item dialog lists them, sorted by the order given the way the
// dialog's column sort sorts them (the Chinese collation for texts); with group id 0 the items of
// every grouping that exists. Items whose grouping is gone never come back.
RowSet ReadGroupItems(Connection& db, qint64 groupId, const QString& safeOrder);
// How many items the grouping has.
qint64 GroupItemCount(Connection& db, qint64 groupId);

// The condition an item puts on c901, with its bounds as parameters ?lowParam and ?lowParam+1:
// "c901>=?3 and c901<?4". Symbols other than those of the lists raise DbError.
QString GroupItemCondition(const QString& lowSymbol, const QString& highSymbol, int lowParam);
