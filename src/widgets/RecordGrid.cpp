#include "widgets/RecordGrid.h"

#include "widgets/Prompter.h"
#include "db/Connection.h"
#include "base/ValueText.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QTableView>

void RowSetTableModel::setFields(const TFieldDataArray& fields, RowSet* rows)
{
    beginResetModel();
    m_columns.clear();
    for (const TFieldData& f : fields) {
        Column c;
        c.caption = f.Hint;
        c.title = f.Hint;
        c.fieldName = f.ShowName;
        c.centred = f.FieldName.compare(QLatin1String("RecordState"), Qt::CaseInsensitive) == 0;
        m_columns << c;
    }
    m_rows = rows;
    mapColumns();
    endResetModel();
}

void RowSetTableModel::setRowSet(RowSet* rows)
{
    beginResetModel();
    m_rows = rows;
    mapColumns();
    endResetModel();
}

void RowSetTableModel::reload()
{
    beginResetModel();
    mapColumns();
    endResetModel();
}

void RowSetTableModel::mapColumns()
{
    for (Column& c : m_columns)
        c.rowSetColumn = (m_rows && m_rows->isOpen()) ? m_rows->columnIndex(c.fieldName) : -1;
}

void RowSetTableModel::setMarkedRow(int row)
{
    if (row == m_markedRow)
        return;
    const int previous = m_markedRow;
    m_markedRow = row;
    const int rows = rowCount();
    for (int r : {previous, row})
        if (r >= 0 && r < rows)
            emit headerDataChanged(Qt::Vertical, r, r);
}

QString CurrentRowMarker()
{
    return QStringLiteral("▶");
}

void RowSetTableModel::titleChanged(int c)
{
    emit headerDataChanged(Qt::Horizontal, c, c);
}

int RowSetTableModel::rowCount(const QModelIndex& parent) const
{
    return (parent.isValid() || !m_rows || !m_rows->isOpen()) ? 0 : m_rows->recordCount();
}

int RowSetTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant RowSetTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_rows)
        return {};
    const Column& c = m_columns[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return c.rowSetColumn < 0 ? QString() : m_rows->textAt(index.row(), c.rowSetColumn);
    case Qt::TextAlignmentRole:
        return int((c.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant RowSetTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        // The row indicator marks the current row.
        if (role == Qt::DisplayRole)
            return section == m_markedRow ? CurrentRowMarker() : QString();
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        return {};
    }
    if (section < 0 || section >= m_columns.size())
        return {};
    const Column& c = m_columns[section];
    switch (role) {
    case Qt::DisplayRole:
        return c.title;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        return c.titleColor.isValid() ? QVariant(c.titleColor) : QVariant();
    default:
        return {};
    }
}

void PaintStripedCell(QPainter* painter, QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (!(option.state & QStyle::State_Selected)) {
        // Row numbers count from 1: the first row is odd.
        const bool odd = (index.row() + 1) % 2 == 1;
        painter->fillRect(option.rect, odd ? QColor(249, 251, 231) : QColor(219, 219, 241));
    }
}

void StripedCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    PaintStripedCell(painter, opt, index);
    QStyledItemDelegate::paint(painter, opt, index);
}

QString SortMarker(int sortState)
{
    return sortState == 1 ? QStringLiteral("▲") : sortState == 2 ? QStringLiteral("▼") : QString();
}

void SortByColumnTitle(RowSetTableModel& model, int column, int& sortState, int& lastSorted)
{
    RowSet* rows = model.rowSet();
    if (!rows || !rows->isOpen() || column < 0 || column >= model.columnCount())
        return;
    RowSetTableModel::Column& c = model.column(column);
    const int next = sortState == 1 ? 2 : 1;
    rows->sort(c.fieldName + (next == 1 ? QStringLiteral(" ASC") : QStringLiteral(" DESC")));
    sortState = next;
    model.reload();
    c.title = c.caption + SortMarker(sortState);
    model.titleChanged(column);
    if (c.titleColor == QColor(0, 255, 0))
        return;
    c.titleColor = QColor(0, 255, 0);
    if (lastSorted >= 0 && lastSorted < model.columnCount() && lastSorted != column) {
        RowSetTableModel::Column& previous = model.column(lastSorted);
        previous.titleColor = QColor();
        previous.title = previous.caption;
        model.titleChanged(lastSorted);
    }
    lastSorted = column;
}

QString SqlLiteral(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QStringLiteral("null");
    if (value.typeId() == QMetaType::QString) {
        QString text = value.toString();
        text.replace(QLatin1Char('\''), QLatin1String("''"));
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    }
    return FormatValueText(value);
}

void SelectCurrentRow(QTableView& grid, const RowSet& rows)
{
    const int row = rows.position();
    auto* model = qobject_cast<RowSetTableModel*>(grid.model());
    if (model)
        model->setMarkedRow(row);
    if (row < 0 || !grid.model() || row >= grid.model()->rowCount())
        return;
    // The row the actions work on is the one the clerk sees selected.
    const QModelIndex index = grid.model()->index(row, 0);
    grid.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid.scrollTo(index);
}

void RefreshKeepingPosition(QTableView& grid, RowSetTableModel& model)
{
    RowSet* rows = model.rowSet();
    if (!rows)
        return;
    const Bookmark mark = rows->bookmark();
    rows->requery();
    if (!rows->gotoBookmark(mark))
        rows->last();
    model.reload();
    grid.clearSelection();
    SelectCurrentRow(grid, *rows);
}

void DeleteSelectedRecords(QTableView& grid, RowSetTableModel& model, Connection& connection,
                           const QString& table, const QString& keyColumn)
{
    RowSet* rows = model.rowSet();
    if (!rows || rows->isEmpty())
        return;
    const QString question = QStringLiteral("您确定要删除当前所选择的记录吗?");
    const QString deleteSql = QStringLiteral("delete from %1 where %2").arg(table, keyColumn);
    QVector<QVariant> keys; // of the selected rows in selection order
    for (const QModelIndex& index : grid.selectionModel()->selectedRows())
        keys << rows->valueAt(index.row(), rows->columnIndex(keyColumn));
    if (keys.isEmpty()) {
        if (rows->position() < 0)
            return;
        if (CurrentPrompter().question(question, ButtonYes | ButtonNo) != AnswerYes)
            return;
        connection.execute(deleteSql + QLatin1Char('=') + SqlLiteral(rows->value(keyColumn)));
        RefreshKeepingPosition(grid, model);
        return;
    }
    const int firstButton = keys.size() == 1 ? ButtonYes : ButtonYesToAll;
    for (int i = 0; i < keys.size(); ++i) {
        if (rows->isEmpty())
            return;
        // The row of this selection entry, or the last row when it is gone.
        if (!rows->locate(keyColumn, keys[i]))
            rows->last();
        SelectCurrentRow(grid, *rows);
        const int answer = CurrentPrompter().question(question, firstButton | ButtonNo);
        if (answer == AnswerYesToAll) {
            QStringList list;
            for (int j = i; j < keys.size(); ++j)
                list << SqlLiteral(keys[j]);
            connection.execute(deleteSql + QStringLiteral(" in (") + list.join(QLatin1Char(',')) + QLatin1Char(')'));
            RefreshKeepingPosition(grid, model);
            return;
        }
        if (answer == AnswerYes) {
            connection.execute(deleteSql + QLatin1Char('=') + SqlLiteral(keys[i]));
            RefreshKeepingPosition(grid, model);
            continue;
        }
        if (answer == AnswerNo)
            return;
        // closed otherwise: go on with the next row without deleting
    }
}

void SetUpRecordGrid(QTableView& grid)
{
    grid.setItemDelegate(new StripedCellDelegate(&grid));
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setSelectionBehavior(QAbstractItemView::SelectRows);
    grid.setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid.setShowGrid(true);
    grid.setWordWrap(false);
    grid.verticalHeader()->setDefaultSectionSize(22);
    grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid.verticalHeader()->setFixedWidth(14);
    grid.horizontalHeader()->setSectionsClickable(true);
    grid.horizontalHeader()->setHighlightSections(false);
    for (QHeaderView* header : {grid.horizontalHeader(), grid.verticalHeader()}) {
        QPalette titles = header->palette();
        titles.setColor(QPalette::Button, QColor(193, 215, 249));
        header->setPalette(titles);
    }
    QFont marker = grid.verticalHeader()->font();
    marker.setPixelSize(9);
    grid.verticalHeader()->setFont(marker);
    grid.setStyleSheet(
        QStringLiteral("QTableView { gridline-color: #c8cde0; selection-background-color: rgb(49,106,197); }"));
}

void SetUpChoiceGrid(QTableView& grid)
{
    grid.setItemDelegate(new StripedCellDelegate(&grid));
    grid.setSelectionBehavior(QAbstractItemView::SelectRows);
    grid.setSelectionMode(QAbstractItemView::SingleSelection);
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.verticalHeader()->setDefaultSectionSize(22);
}

void FollowCurrentRow(QTableView& grid, RowSet& rows)
{
    auto* model = qobject_cast<RowSetTableModel*>(grid.model());
    QObject::connect(grid.selectionModel(), &QItemSelectionModel::currentRowChanged, &grid,
                     [model, &rows](const QModelIndex& current) {
                         if (!current.isValid())
                             return;
                         rows.moveTo(current.row());
                         if (model)
                             model->setMarkedRow(current.row());
                     });
}
