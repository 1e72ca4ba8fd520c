#include "summary/Grouping.h"

#include "db/Connection.h"
#include "db/DbError.h"

TMenuItemDataArray LowSymbolList()
{
    return {{1, QStringLiteral(">")}, {2, QStringLiteral(">=")}};
}

TMenuItemDataArray HighSymbolList()
{
    return {{1, QStringLiteral("<")}, {2, QStringLiteral("<=")}};
}

qint64 CreateGrouping(Connection& db, const QString& name)
{
    Transaction t(db);
    db.execute(QStringLiteral("insert into ct_group (Name, orderstr) values (?1, ?2)"), {name, DefaultGroupOrder()});
    const qint64 id = db.scalar(QStringLiteral("select max(id) as GroupID from ct_group")).toLongLong();
    t.commit();
    return id;
}

void RenameGrouping(Connection& db, qint64 groupId, const QString& name)
{
    db.execute(QStringLiteral("update ct_group set name=?1 where id=?2"), {name, groupId});
}

void RemoveGrouping(Connection& db, qint64 groupId)
{
    db.execute(QStringLiteral("delete from ct_group where id=?1"), {groupId});
}

QString GroupItemProblem(const GroupItem& item)
{
    if (item.title.isEmpty())
        return QStringLiteral("必须输入本组数据的名称！");
    if (item.high <= item.low)
        return QStringLiteral("上限必须大于下限！");
    return QString();
}

qint64 SaveGroupItem(Connection& db, const GroupItem& item)
{
    GroupItemCondition(item.lowSymbol, item.highSymbol, 1); // refuses unknown symbols
    const QVariantList values{item.groupId, item.title, item.low, item.high, item.lowSymbol, item.highSymbol};
    if (item.id == 0) {
        Transaction t(db);
        db.execute(QStringLiteral("insert into view_group_item (GroupID, Title, LowBoundary, HighBoundary, LowSymbol, "
                                  "HighSymbol) values (?1, ?2, ?3, ?4, ?5, ?6)"),
                   values);
        const qint64 id = db.scalar(QStringLiteral("select max(id) from DT_GroupItem")).toLongLong();
        t.commit();
        return id;
    }
    db.execute(QStringLiteral("update view_group_item set GroupID=?1, Title=?2, LowBoundary=?3, HighBoundary=?4, "
                              "LowSymbol=?5, HighSymbol=?6 where id=?7"),
               QVariantList(values) << item.id);
    return item.id;
}

void RemoveGroupItem(Connection& db, qint64 itemId)
{
    db.execute(QStringLiteral("delete from view_group_item where id=?1"), {itemId});
}

const QStringList& GroupItemColumns()
{
    static const QStringList columns{
        QStringLiteral("id"),           QStringLiteral("GroupID"),    QStringLiteral("Title"),
        QStringLiteral("LowBoundary"),  QStringLiteral("HighBoundary"), QStringLiteral("LowSymbol"),
        QStringLiteral("HighSymbol"),   QStringLiteral("LowValue"),   QStringLiteral("HighValue")};
    return columns;
}

QString SafeGroupOrder(const QString& text)
{
    const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() == 2) {
        const QString direction = words[1].toUpper();
        for (const QString& column : GroupItemColumns())
            if (column.compare(words[0], Qt::CaseInsensitive) == 0
                && (direction == QLatin1String("ASC") || direction == QLatin1String("DESC")))
                return column + QLatin1Char(' ') + direction;
    }
    return DefaultGroupOrder();
}

void StoreGroupOrder(Connection& db, qint64 groupId, const QString& order)
{
    db.execute(QStringLiteral("update CT_Group set orderstr=?1 where id=?2"), {SafeGroupOrder(order), groupId});
}

QString ReadGroupOrder(Connection& db, qint64 groupId)
{
    return SafeGroupOrder(db.scalar(QStringLiteral("select orderstr from ct_group where id=?1"), {groupId}).toString());
}

QString ReverseGroupOrder(const QString& safeOrder)
{
    QString order = safeOrder;
    if (order.endsWith(QLatin1String(" DESC")))
        order.replace(order.size() - 4, 4, QStringLiteral("ASC"));
    else if (order.endsWith(QLatin1String(" ASC")))
        order.replace(order.size() - 3, 3, QStringLiteral("DESC"));
    return order;
}

QString GroupItemListSql(qint64 groupId)
{
    // The grouping id is a number, so the statement can carry it as text.
    return QStringLiteral("SELECT *\nfrom view_group_item\nwhere GroupID=%1").arg(groupId);
}

RowSet ReadGroupItems(Connection& db, qint64 groupId, const QString& safeOrder)
{
    RowSet items = db.query(groupId == 0 ? QStringLiteral("SELECT *\nfrom view_group_item\n"
                                                          "where GroupID in (select ID from ct_group)")
                                         : GroupItemListSql(groupId));
    items.sort(SafeGroupOrder(safeOrder));
    return items;
}

qint64 GroupItemCount(Connection& db, qint64 groupId)
{
    return db.scalar(QStringLiteral("select count(*) as cnt from DT_GroupItem where GroupID = ?1"), {groupId})
        .toLongLong();
}

QString GroupItemCondition(const QString& lowSymbol, const QString& highSymbol, int lowParam)
{
    if (!FindCodeValue(LowSymbolList(), lowSymbol) || !FindCodeValue(HighSymbolList(), highSymbol))
        throw DbError(QStringLiteral("分组项目的比较符号“%1”“%2”无效").arg(lowSymbol, highSymbol));
    return QStringLiteral("c901%1?%2 and c901%3?%4").arg(lowSymbol).arg(lowParam).arg(highSymbol).arg(lowParam + 1);
}
