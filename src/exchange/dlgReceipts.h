#pragma once

#include "exchange/ReportingPicture.h"

#include <QDialog>
#include <QHash>

class QAbstractItemModel;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;
class QTreeView;

// "收报情况": who has reported. Large figures at the top (expected, received, missing, not
// expected; of the received: without errors, with errors, held), below three tabs: the tree by
// division with a drawn bar of received over expected (a division's missing units show when it
// is opened), the missing units, and the register of received packages, newest first. "导  出"
// writes the three into one workbook. The figures are the core's (ComputeReportingPicture).
class TdlgReceiptsForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgReceiptsForm(QWidget* parent = nullptr);
    ~TdlgReceiptsForm() override;

    // Computes the picture again and shows it.
    void refresh();
    void btnExportClick();

    const ReportingPicture& picture() const { return m_picture; }
    // The large figure named by its caption ("应报", "已报", "未报", "不在名单中", "无逻辑错误",
    // "有逻辑错误", "临时保存").
    QLabel* figure(const QString& caption) const { return m_figures.value(caption); }
    QTabWidget* tabs() const { return m_tabs; }
    QTreeView* divisionTree() const { return m_tree; }
    QTableView* missingGrid() const { return m_missing; }
    QTableView* receiptGrid() const { return m_receipts; }
    QPushButton* button(const QString& objectName) const;

    // The tree's columns.
    enum Column { NameColumn, ExpectedColumn, ReceivedColumn, MissingColumn, ErrorsColumn, ShareColumn, ColumnCount };

protected:
    void showEvent(QShowEvent* event) override;

private:
    ReportingPicture m_picture;
    QHash<QString, QLabel*> m_figures;
    QTabWidget* m_tabs;
    QTreeView* m_tree;
    QTableView* m_missing;
    QTableView* m_receipts;
    QAbstractItemModel* m_treeModel;
    QAbstractItemModel* m_missingModel;
    QAbstractItemModel* m_receiptModel;
};
