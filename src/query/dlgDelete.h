#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QRadioButton;
class QTableView;
class RowSetTableModel;

// "选择删除的方式": deletes the returns selected in the main list, all returns, or those whose
// code lies in a range.
class TdlgDeleteForm : public QDialog {
    Q_OBJECT
public:
    // The main list's grid and model; requery re-reads the main list after a deletion.
    TdlgDeleteForm(QTableView* grid, RowSetTableModel* model, std::function<void()> requery, QWidget* parent = nullptr);

    // "删  除": stays open, so several deletions can follow.
    void DeleteByChoice();

    QRadioButton* Selected;
    QRadioButton* AllRecord;
    QRadioButton* Range;
    QLineEdit* c901_1;
    QLineEdit* c901_2;

private:
    bool confirmed();
    QTableView* m_grid;
    RowSetTableModel* m_model;
    std::function<void()> m_requery;
};
