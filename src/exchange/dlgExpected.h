#pragma once

#include "db/RowSet.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;
class QTableWidget;
class RowSetTableModel;
struct ExpectedReading;

// "应报单位名单": the units expected to report. The list is filled from a database file (last
// year's database or a lower office's package), from a text file of codes, or from the returns
// present now, added to the list or replacing it; selected units are removed. The count and the
// sources show above the list. The reading and storing are the core's (exchange/ExpectedUnits.h).
class TdlgExpectedForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgExpectedForm(QWidget* parent = nullptr);

    void btnFromDatabaseClick();
    void btnFromTextClick();
    void btnFromReturnsClick();
    void btnRemoveClick();
    // Re-reads the list, the count and the sources.
    void refresh();

    QTableView* unitGrid() const { return m_grid; }
    QTableWidget* sourceTable() const { return m_sources; }
    QLabel* countLabel() const { return m_count; }
    QRadioButton* addChoice() const { return m_add; }
    QRadioButton* replaceChoice() const { return m_replace; }
    QPushButton* button(const QString& objectName) const;
    RowSet& units() { return m_units; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Stores a reading by the chosen mode after asking when the list would be replaced.
    void store(const ExpectedReading& reading);
    QString chooseFile(const QString& title, const QString& filter, const QStringList& extensions);

    QLabel* m_count;
    QTableWidget* m_sources;
    QTableView* m_grid;
    RowSetTableModel* m_model;
    QRadioButton* m_add;
    QRadioButton* m_replace;
    RowSet m_units;
};
