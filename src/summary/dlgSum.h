#pragma once

#include "db/RowSet.h"
#include "summary/ChoiceFile.h"

#include <QDialog>

class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QRadioButton;
class QToolButton;

// "数据分类汇总": the sheets to sum, ticked in a list kept in "sumtable.zul", the breakdown
// (union level, reporting state or a custom grouping) and the summary run into a workbook.
class TdlgSumForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgSumForm(QWidget* parent = nullptr);

    void Button1Click(); // 全部选中
    void Button2Click(); // 全部不选
    void tbSumClick();
    // A click on a grouping of the menu.
    void GroupMenuClick(qint64 groupId);

    // The list as it stands, headings included.
    const CheckListEntries& entries() const { return m_entries; }
    QListWidget* tableList() const { return TableList; }
    QRadioButton* sumType(int item) const { return m_sumType[item]; }
    int SumType() const;
    QToolButton* groupButton() const { return tbGroup; }
    qint64 groupId() const { return m_groupId; }
    QMenu* groupMenu() const { return GroupMenu; }
    QPushButton* button(const QString& objectName) const;
    // The choice file this dialog reads and writes.
    static QString ChoiceFilePath();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillList();
    void setTick(int row, int tick);
    void itemChanged(QListWidgetItem* item);
    void itemDoubleClicked(QListWidgetItem* item);
    void loadGroupings();
    void chooseGroup(qint64 id, const QString& name);

    QListWidget* TableList;
    QRadioButton* m_sumType[3];
    QToolButton* tbGroup;
    QMenu* GroupMenu;
    QPushButton* tbSum;
    QPushButton* tbReturn;
    CheckListEntries m_entries;
    qint64 m_groupId = 0;
    bool m_filling = false;
};
