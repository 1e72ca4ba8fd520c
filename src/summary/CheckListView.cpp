#include "summary/CheckListView.h"

#include <QListWidget>

Qt::CheckState CheckStateOfTick(int tick)
{
    return tick == 1 ? Qt::Checked : tick == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

int TickOfCheckState(Qt::CheckState state)
{
    return state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
}

void FillCheckList(QListWidget* list, const CheckListEntries& entries)
{
    list->clear();
    for (const CheckListEntry& e : entries) {
        auto* item = new QListWidgetItem(e.caption, list);
        if (e.selectable) {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(CheckStateOfTick(e.tick));
        } else {
            item->setFlags(Qt::ItemIsEnabled);
        }
    }
}
