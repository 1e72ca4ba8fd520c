#pragma once

#include "db/RowSet.h"
#include "model/FieldCatalogue.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QStyledItemDelegate>
#include <QVector>

class QTableView;
class Connection;

// A read-only table model over a row set: one column per catalogue field, showing the row-set
// column named by the field's ShowName. Column titles carry the sort marker and colour.
class RowSetTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString caption;       // the title without a sort marker
        QString title;         // what the title shows now
        QColor titleColor;     // invalid: the default
        int rowSetColumn = -1; // -1: the row set has no such column; the cells stay empty
        bool centred = false;
        QString fieldName;     // the name the sort uses
    };

    explicit RowSetTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Columns from the catalogue; cells centred for the check state column.
    void setFields(const TFieldDataArray& fields, RowSet* rows);
    void setRowSet(RowSet* rows);
    RowSet* rowSet() const { return m_rows; }
    // Call after the row set was re-read or re-sorted.
    void reload();

    // The row the row indicator marks as current; -1 for none.
    void setMarkedRow(int row);
    int markedRow() const { return m_markedRow; }

    Column& column(int c) { return m_columns[c]; }
    const Column& column(int c) const { return m_columns[c]; }
    void titleChanged(int c);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void mapColumns();
    QVector<Column> m_columns;
    RowSet* m_rows = nullptr;
    int m_markedRow = -1;
};

// What the row indicator shows beside the current row.
QString CurrentRowMarker();

// Rows alternate between a pale yellow (odd row numbers) and a pale blue (even); selected rows
// keep the highlight colour.
void PaintStripedCell(QPainter* painter, QStyleOptionViewItem& option, const QModelIndex& index);

class StripedCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The look and the behaviour of a list of returns (the main list, the result list): striped
// rows selected whole, several at once, not edited in place; one line a row; a narrow row
// indicator; clickable titles whose colour comes from the palette, never from a style sheet,
// which would hide the lime of the sorted column's title.
void SetUpRecordGrid(QTableView& grid);

// The row the clerk moves to in a list of returns becomes the row set's current row and is
// marked in the row indicator. The grid's model is a RowSetTableModel.
void FollowCurrentRow(QTableView& grid, RowSet& rows);

// A short list to choose one row from (the groupings, their items): striped rows selected
// whole, one at a time, not edited in place.
void SetUpChoiceGrid(QTableView& grid);

// Sort markers by sort state: 1 ascending, 2 descending.
QString SortMarker(int sortState);

// The title-click sort: the state is shared by all columns of one list, each click reverses the
// direction; the clicked title gets the marker and turns lime, the previous one is restored.
void SortByColumnTitle(RowSetTableModel& model, int column, int& sortState, int& lastSorted);

// Asks and deletes the selected rows of a grid (or the current row when none is selected) from
// the table by its key column; refreshes the row set keeping the position.
void DeleteSelectedRecords(QTableView& grid, RowSetTableModel& model, Connection& connection,
                           const QString& table, const QString& keyColumn);

// Re-reads a row set and returns to the row that was current; the last row when it is gone.
void RefreshKeepingPosition(QTableView& grid, RowSetTableModel& model);

// Makes the grid's current row the row set's current row, selects it and marks it in the row
// indicator.
void SelectCurrentRow(QTableView& grid, const RowSet& rows);

// A value as a literal for a statement: numbers in plain digits, texts quoted.
QString SqlLiteral(const QVariant& value);
