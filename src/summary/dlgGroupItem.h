#pragma once

#include "db/RowSet.h"
#include "model/CodeList.h"

#include <QDialog>
#include <functional>

class NumericEdit;
class QLineEdit;
class QPushButton;
class QTableView;
class RowSetTableModel;

// "自定义分组": the items of one grouping, each a title and a range of codes. A click on a title
// sorts the items, and the sort is stored as the order the summary lists them in.
class TdlgGroupItemForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgGroupItemForm(QWidget* parent = nullptr);

    // Set by the opener before showing.
    void setGroup(qint64 groupId, const QString& name);
    qint64 groupId() const { return m_groupId; }
    // Called after the grouping was renamed, so the list of groupings can re-read.
    std::function<void()> groupRenamed;

    void tbAddClick();
    void tbEditClick();
    void tbRemoveClick();
    void tbSaveClick();
    void titleClicked(int column);
    // Puts the current item into the editors.
    void LoadCurrentRow();

    QLineEdit* groupNameEdit() const { return GroupName; }
    QLineEdit* nameEdit() const { return name; }
    QLineEdit* leftSymbol() const { return LeftSymbol; }
    QLineEdit* rightSymbol() const { return RightSymbol; }
    NumericEdit* lowEdit() const { return LowBoundary; }
    NumericEdit* highEdit() const { return HighBoundary; }
    QTableView* grid() const { return DBGrid1; }
    RowSetTableModel* model() const { return m_model; }
    RowSet& query() { return GroupQuery; }
    QPushButton* button(const QString& objectName) const;
    int sortState() const { return m_sortState; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void saveItem(bool append);
    void updateActions();
    void refreshRemoveEdit();

    QLineEdit* GroupName;
    QPushButton* tbSave;
    QTableView* DBGrid1;
    RowSetTableModel* m_model;
    QLineEdit* name;
    QLineEdit* LeftSymbol;
    QLineEdit* RightSymbol;
    NumericEdit* LowBoundary;
    NumericEdit* HighBoundary;
    QPushButton* tbAdd;
    QPushButton* tbEdit;
    QPushButton* tbRemove;
    QPushButton* tbReturn;
    RowSet GroupQuery;
    TMenuItemDataArray m_lowSymbols;
    TMenuItemDataArray m_highSymbols;
    qint64 m_groupId = 0;
    int m_sortState = 0;
    int m_lastSorted = -1;
};
