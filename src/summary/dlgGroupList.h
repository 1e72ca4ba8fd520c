#pragma once

#include "db/RowSet.h"

#include <QDialog>
#include <functional>

class QPushButton;
class QTableView;
class RowSetTableModel;
class TdlgGroupItemForm;

// "自定义分组列表": the groupings, with adding, removing, editing (the item dialog), import and
// export of the grouping tables.
class TdlgGroupListForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgGroupListForm(QWidget* parent = nullptr);

    void tbAddClick();
    void tbRemoveClick();
    void tbEditClick();
    void btnImportClick();
    void btnExportClick();
    // Re-reads the groupings, keeping the current one where it can.
    void RefreshGroups();

    // The grouping tables the exchange handles (set by the opener).
    QStringList groupingTables;
    // Shows the item dialog modally; tests replace it to drive the dialog themselves.
    std::function<void(TdlgGroupItemForm&)> runItemForm;

    QTableView* grid() const { return DBGrid1; }
    RowSet& query() { return GroupQuery; }
    QPushButton* button(const QString& objectName) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openItems(qint64 groupId, const QString& name);
    void refreshRemoveEdit();

    QTableView* DBGrid1;
    RowSetTableModel* m_model;
    RowSet GroupQuery;
};
