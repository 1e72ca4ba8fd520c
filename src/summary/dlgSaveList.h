#pragma once

#include "summary/DataList.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QToolButton;

// "选择导出数据的方式": a list of returns (cover columns and the ticked survey tables' fields)
// of all returns, a code range or one grouping item, written into a workbook; or every field of
// the same returns into an analysis file.
class TdlgSaveListForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgSaveListForm(QWidget* parent = nullptr);

    void tbSaveClick();
    void tbReturnClick();
    // "导出分析数据": every field of the chosen returns into an SPSS or Stata file.
    void tbStatsClick();
    // A click on an item of the menu.
    void GroupMenuClick(qint64 itemId);

    // The ticks as they stand.
    CheckListEntries entries() const;
    QListWidget* tableList() const { return TableList; }
    QRadioButton* allRecord() const { return AllRecord; }
    QRadioButton* range() const { return Range; }
    QRadioButton* radioGroup() const { return m_radioGroup; }
    QLineEdit* fromBox() const { return c901_1; }
    QLineEdit* toBox() const { return c901_2; }
    QToolButton* groupButton() const { return tbGroup; }
    QMenu* groupMenu() const { return GroupMenu; }
    const GroupItem& chosenItem() const { return m_item; }
    QPushButton* button(const QString& objectName) const;
    static QString ChoiceFilePath();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void loadItems();
    void takeItem(const RowSet& row);
    void setBusy(bool busy);
    // Which returns the radio buttons choose; false (after the message) for an incomplete range.
    bool readChoice(DataListChoice* choice);

    QListWidget* TableList;
    QRadioButton* AllRecord;
    QRadioButton* Range;
    QRadioButton* m_radioGroup;
    QLineEdit* c901_1;
    QLineEdit* c901_2;
    QToolButton* tbGroup;
    QMenu* GroupMenu;
    QPushButton* tbSave;
    QPushButton* tbReturn;
    QPushButton* tbStats;
    CheckListEntries m_entries;
    GroupItem m_item;
};
