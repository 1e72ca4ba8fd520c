#include "exchange/dlgReceipts.h"

#include "base/Paths.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/ReportingWorkbook.h"
#include "query/ResultExport.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"
#include "widgets/SaveFileDialog.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDate>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

#include <functional>
#include <vector>

namespace {
const QString kContact = QStringLiteral(",请与软件发行者联系。");
const QColor kMissingColour(176, 32, 32);
constexpr int kShareRole = Qt::UserRole;

QString shareText(double share)
{
    return QString::number(share * 100, 'f', 1) + QLatin1Char('%');
}

QVariant rightAligned()
{
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
}

// The tree by division. Rows of ReportingPicture::divisions have the internal id row + 1; under
// a Unit row its missing units, with ids from kMissingBase on (their place in missingByDivision).
class DivisionTreeModel : public QAbstractItemModel {
public:
    DivisionTreeModel(const ReportingPicture& picture, QObject* parent) : QAbstractItemModel(parent), m_p(picture) {}

    void reload()
    {
        beginResetModel();
        const int n = m_p.divisions.size();
        m_children.assign(size_t(n) + 1, {});
        m_place.assign(size_t(n), 0);
        m_owner.assign(size_t(m_p.missingByDivision.size()), 0);
        for (int r = 0; r < n; ++r) {
            const DivisionFigures& d = m_p.divisions[r];
            std::vector<int>& siblings = m_children[size_t(d.parent + 1)];
            m_place[size_t(r)] = int(siblings.size());
            siblings.push_back(r);
            if (d.level == DivisionFigures::Unit)
                for (qint64 k = 0; k < d.missing; ++k)
                    m_owner[size_t(d.firstMissing + k)] = r;
        }
        endResetModel();
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override
    {
        if (row < 0 || column < 0 || column >= TdlgReceiptsForm::ColumnCount || row >= rowCount(parent))
            return {};
        if (!parent.isValid())
            return createIndex(row, column, quintptr(m_children[0][size_t(row)] + 1));
        const int r = int(parent.internalId() - 1);
        const DivisionFigures& d = m_p.divisions[r];
        if (d.level == DivisionFigures::Unit)
            return createIndex(row, column, kMissingBase + quintptr(d.firstMissing + row));
        return createIndex(row, column, quintptr(m_children[size_t(r) + 1][size_t(row)] + 1));
    }

    QModelIndex parent(const QModelIndex& child) const override
    {
        if (!child.isValid())
            return {};
        const quintptr id = child.internalId();
        const int up = id >= kMissingBase ? m_owner[size_t(id - kMissingBase)] : m_p.divisions[int(id - 1)].parent;
        if (up < 0)
            return {};
        return createIndex(m_place[size_t(up)], 0, quintptr(up + 1));
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        if (m_children.empty())
            return 0;
        if (!parent.isValid())
            return int(m_children[0].size());
        if (parent.column() != 0 || parent.internalId() >= kMissingBase)
            return 0;
        const int r = int(parent.internalId() - 1);
        const DivisionFigures& d = m_p.divisions[r];
        return d.level == DivisionFigures::Unit ? int(d.missing) : int(m_children[size_t(r) + 1].size());
    }

    int columnCount(const QModelIndex& = {}) const override { return TdlgReceiptsForm::ColumnCount; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const char* const titles[] = {"地区", "应报", "已报", "未报", "有错误", "已报比例"};
        if (orientation != Qt::Horizontal || section < 0 || section >= TdlgReceiptsForm::ColumnCount)
            return {};
        if (role == Qt::DisplayRole)
            return QString::fromUtf8(titles[section]);
        if (role == Qt::TextAlignmentRole)
            return QVariant(Qt::AlignCenter);
        return {};
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const int column = index.column();
        if (index.internalId() >= kMissingBase) {
            const MissingUnit& m = m_p.missingUnits[m_p.missingByDivision[int(index.internalId() - kMissingBase)]];
            if (role == Qt::DisplayRole && column == TdlgReceiptsForm::NameColumn)
                return QString::number(m.code) + QStringLiteral("  ") + m.name;
            if (role == Qt::DisplayRole && column == TdlgReceiptsForm::MissingColumn)
                return QStringLiteral("未报");
            if (role == Qt::ForegroundRole)
                return kMissingColour;
            if (role == Qt::TextAlignmentRole && column != TdlgReceiptsForm::NameColumn)
                return rightAligned();
            return {};
        }
        const DivisionFigures& d = m_p.divisions[int(index.internalId() - 1)];
        switch (role) {
        case Qt::DisplayRole:
            switch (column) {
            case TdlgReceiptsForm::NameColumn:
                return DivisionCaption(d);
            case TdlgReceiptsForm::ExpectedColumn:
                return d.expected;
            case TdlgReceiptsForm::ReceivedColumn:
                return d.received;
            case TdlgReceiptsForm::MissingColumn:
                return d.missing;
            case TdlgReceiptsForm::ErrorsColumn:
                return d.withErrors;
            case TdlgReceiptsForm::ShareColumn:
                return shareText(ReceivedShare(d.received, d.expected));
            }
            return {};
        case kShareRole:
            return ReceivedShare(d.received, d.expected);
        case Qt::TextAlignmentRole:
            return column == TdlgReceiptsForm::NameColumn ? QVariant() : rightAligned();
        case Qt::ForegroundRole:
            if ((column == TdlgReceiptsForm::MissingColumn && d.missing > 0)
                || (column == TdlgReceiptsForm::ErrorsColumn && d.withErrors > 0))
                return kMissingColour;
            return {};
        case Qt::FontRole:
            if (d.level == DivisionFigures::Province) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        }
        return {};
    }

private:
    static constexpr quintptr kMissingBase = quintptr(1) << 31;
    const ReportingPicture& m_p;
    std::vector<std::vector<int>> m_children; // [0]: the top rows; [r + 1]: the rows under row r
    std::vector<int> m_place;                 // a row's place among its siblings
    std::vector<int> m_owner;                 // the Unit row of each entry of missingByDivision
};

// A bar of received over expected, with the share written over it.
class ShareBarDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QVariant share = index.data(kShareRole);
        if (!share.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        plain.text.clear();
        option.widget->style()->drawControl(QStyle::CE_ItemViewItem, &plain, painter, option.widget);
        const QRect track = option.rect.adjusted(4, 4, -4, -4);
        painter->save();
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(226, 230, 238));
        painter->drawRect(track);
        const double value = qBound(0.0, share.toDouble(), 1.0);
        QRect bar = track;
        bar.setWidth(int(track.width() * value + 0.5));
        painter->setBrush(value >= 1.0 ? QColor(64, 160, 90) : QColor(80, 130, 210));
        painter->drawRect(bar);
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(track, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
        painter->restore();
    }
};

// A plain table over a list of the picture: the columns' titles and a cell reader.
class ListModel : public QAbstractTableModel {
public:
    using Cell = std::function<QVariant(int row, int column)>;
    ListModel(QStringList titles, std::function<int()> rows, Cell cell, QObject* parent)
        : QAbstractTableModel(parent), m_titles(std::move(titles)), m_rows(std::move(rows)), m_cell(std::move(cell))
    {
    }
    void reload()
    {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows(); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_titles.size(); }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role == Qt::DisplayRole && orientation == Qt::Horizontal)
            return m_titles.value(section);
        if (role == Qt::DisplayRole)
            return section + 1;
        return {};
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const QVariant value = m_cell(index.row(), index.column());
        if (role == Qt::DisplayRole)
            return value;
        // Long paths and digests are cut in the cell; the whole text shows on hovering.
        if (role == Qt::ToolTipRole && value.typeId() == QMetaType::QString)
            return value;
        if (role == Qt::TextAlignmentRole && (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int))
            return rightAligned();
        return {};
    }

private:
    QStringList m_titles;
    std::function<int()> m_rows;
    Cell m_cell;
};

QTableView* makeTable(const QString& name, QAbstractItemModel* model, const QVector<int>& widths)
{
    auto* view = new QTableView;
    view->setObjectName(name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    view->setWordWrap(false); // one line a row: a long path is elided, not broken onto a hidden line
    view->verticalHeader()->setDefaultSectionSize(22);
    view->horizontalHeader()->setStretchLastSection(true);
    for (int c = 0; c < widths.size(); ++c)
        view->setColumnWidth(c, widths[c]);
    return view;
}
} // namespace

TdlgReceiptsForm::TdlgReceiptsForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgReceipts"));
    setWindowTitle(QStringLiteral("收报情况"));

    // The large figures: the list against the returns, then the received by their state.
    auto* figures = new QHBoxLayout;
    const struct {
        const char* caption;
        QColor colour;
        bool groupStart;
    } tiles[] = {
        {"应报", QColor(40, 60, 120), false},         {"已报", QColor(40, 120, 70), false},
        {"未报", kMissingColour, false},               {"不在名单中", QColor(170, 100, 20), false},
        {"无逻辑错误", QColor(40, 120, 70), true},     {"有逻辑错误", kMissingColour, false},
        {"临时保存", QColor(110, 110, 110), false},
    };
    for (const auto& t : tiles) {
        if (t.groupStart) {
            auto* line = new QFrame;
            line->setFrameShape(QFrame::VLine);
            line->setFrameShadow(QFrame::Sunken);
            figures->addWidget(line);
            auto* of = new QLabel(QStringLiteral("已报的\n单位中"));
            of->setAlignment(Qt::AlignCenter);
            figures->addWidget(of);
        }
        auto* tile = new QFrame;
        tile->setFrameShape(QFrame::StyledPanel);
        auto* tileLayout = new QVBoxLayout(tile);
        auto* number = new QLabel(QStringLiteral("0"));
        number->setObjectName(QStringLiteral("fig") + QString::fromUtf8(t.caption));
        QFont big = number->font();
        big.setPointSizeF(big.pointSizeF() * 2.4);
        big.setBold(true);
        number->setFont(big);
        number->setAlignment(Qt::AlignCenter);
        QPalette palette = number->palette();
        palette.setColor(QPalette::WindowText, t.colour);
        number->setPalette(palette);
        auto* caption = new QLabel(QString::fromUtf8(t.caption));
        caption->setAlignment(Qt::AlignCenter);
        tileLayout->addWidget(number);
        tileLayout->addWidget(caption);
        figures->addWidget(tile, 1);
        m_figures.insert(QString::fromUtf8(t.caption), number);
    }

    auto* treeModel = new DivisionTreeModel(m_picture, this);
    m_treeModel = treeModel;
    m_tree = new QTreeView;
    m_tree->setObjectName(QStringLiteral("trvDivisions"));
    m_tree->setModel(treeModel);
    m_tree->setItemDelegateForColumn(ShareColumn, new ShareBarDelegate(m_tree));
    m_tree->setUniformRowHeights(true);
    m_tree->setAlternatingRowColors(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    for (int c = ExpectedColumn; c < ShareColumn; ++c)
        m_tree->setColumnWidth(c, 80);
    m_tree->setColumnWidth(ShareColumn, 200);

    m_missingModel = new ListModel(
        {QStringLiteral("工会统计编码"), QStringLiteral("工会名称"), QStringLiteral("行政区划代码"), QStringLiteral("地区")},
        [this] { return int(m_picture.missingUnits.size()); },
        [this](int row, int column) -> QVariant {
            const MissingUnit& m = m_picture.missingUnits[row];
            switch (column) {
            case 0:
                return QString::number(m.code);
            case 1:
                return m.name;
            case 2:
                return m.division ? QString::number(m.division) : QString();
            default:
                return m.divisionName;
            }
        },
        this);
    m_missing = makeTable(QStringLiteral("grdMissing"), m_missingModel, {120, 260, 100});

    m_receiptModel = new ListModel(
        {QStringLiteral("接收时间"), QStringLiteral("文件"), QStringLiteral("数据库标识"), QStringLiteral("单位数"),
         QStringLiteral("新增"), QStringLiteral("替换"), QStringLiteral("保留"), QStringLiteral("结果"),
         QStringLiteral("文件大小"), QStringLiteral("SHA-256"), QStringLiteral("程序版本")},
        [this] { return int(m_picture.receipts.size()); },
        [this](int row, int column) -> QVariant {
            const ReceiptEntry& r = m_picture.receipts[row];
            switch (column) {
            case 0:
                return r.receivedAt;
            case 1:
                return r.fileName;
            case 2:
                return r.label;
            case 3:
                return r.returns;
            case 4:
                return r.added;
            case 5:
                return r.replaced;
            case 6:
                return r.kept;
            case 7:
                return r.result;
            case 8:
                return r.fileSize;
            case 9:
                return r.fileDigest;
            default:
                return r.programVersion;
            }
        },
        this);
    m_receipts = makeTable(QStringLiteral("grdReceipts"), m_receiptModel, {140, 220, 140, 60, 50, 50, 50, 260, 90, 200});
    m_receipts->setTextElideMode(Qt::ElideMiddle); // a path's end names the file

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("tabPages"));
    m_tabs->addTab(m_tree, QStringLiteral("分地区"));
    m_tabs->addTab(m_missing, QStringLiteral("未报单位"));
    m_tabs->addTab(m_receipts, QStringLiteral("收件登记"));

    auto* bottom = new QHBoxLayout;
    const struct {
        const char* name;
        const char* caption;
        std::function<void()> click;
    } buttons[] = {{"btnRefresh", "刷  新", [this] { refresh(); }},
                   {"btnExport", "导  出", [this] { btnExportClick(); }},
                   {"btnClose", "关  闭", [this] { accept(); }}};
    bottom->addStretch(1);
    for (const auto& b : buttons) {
        // Connected here: the buttons become the window's children only when the layout is set.
        auto* button = new QPushButton(QString::fromUtf8(b.caption));
        button->setObjectName(QString::fromLatin1(b.name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, Handled(b.click));
        bottom->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(figures);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(bottom);
    resize(1080, 700);
}

// The views and their models read m_picture, which goes before the window's children do: they go first.
TdlgReceiptsForm::~TdlgReceiptsForm()
{
    delete m_tabs;
    delete m_treeModel;
    delete m_missingModel;
    delete m_receiptModel;
}

QPushButton* TdlgReceiptsForm::button(const QString& objectName) const
{
    return findChild<QPushButton*>(objectName);
}

void TdlgReceiptsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        refresh();
}

void TdlgReceiptsForm::refresh()
{
    try {
        m_picture = ComputeReportingPicture(SysConnection());
    } catch (const DbError& e) {
        m_picture = {};
        ShowRunError(e.message(), kContact);
    }
    const std::pair<const char*, qint64> values[] = {
        {"应报", m_picture.expected},     {"已报", m_picture.received},         {"未报", m_picture.missing},
        {"不在名单中", m_picture.unexpected}, {"无逻辑错误", m_picture.clean}, {"有逻辑错误", m_picture.withErrors},
        {"临时保存", m_picture.held},
    };
    for (const auto& [caption, value] : values)
        m_figures.value(QString::fromUtf8(caption))->setText(QString::number(value));
    static_cast<DivisionTreeModel*>(m_treeModel)->reload();
    static_cast<ListModel*>(m_missingModel)->reload();
    static_cast<ListModel*>(m_receiptModel)->reload();
    // The provinces open, so the prefectures show at once.
    for (int r = 0; r < m_treeModel->rowCount(); ++r)
        m_tree->expand(m_treeModel->index(r, 0));
}

void TdlgReceiptsForm::btnExportClick()
{
    FileDialogOptions dialog;
    dialog.title = QStringLiteral("导出文件存放为");
    dialog.folder = DocumentsFolder();
    dialog.filter = QStringLiteral("Excel 文件(*.xlsx)|*.xlsx");
    dialog.fileName = ExportProposedName(QStringLiteral("收报情况"), QDate::currentDate());
    const QString path = ChooseSaveFile(dialog, KeepShortNames(QStringLiteral(".xlsx")));
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString error = WriteReportingWorkbook(m_picture, path, DatabaseLabel, QDateTime::currentDateTime());
    QApplication::restoreOverrideCursor();
    if (error.isEmpty())
        CurrentPrompter().message(QStringLiteral("收报情况已经正确导出到：'") + path + QStringLiteral("'！"));
    else
        ShowRunError(error, kContact);
}
