#include "exchange/dlgConflictReview.h"

#include "exchange/ConflictReview.h"
#include "exchange/PackageImport.h"
#include "widgets/Application.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const QColor kDiffering(255, 228, 196);
const QColor kEqual(128, 128, 128);

// The conflicting codes as the left list shows them, read from the review as they are drawn.
class ConflictListModel : public QAbstractTableModel {
public:
    explicit ConflictListModel(ConflictReview& review, QObject* parent) : QAbstractTableModel(parent), m_review(review) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_review.count(); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 7; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const char* titles[] = {"编号", "现有名称", "导入名称", "现有状态", "导入状态", "不同项", "决定"};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 7)
            return QString::fromUtf8(titles[section]);
        return {};
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const ReturnPair& pair = m_review.conflict(index.row());
        if (role == Qt::ForegroundRole && pair.equal())
            return kEqual;
        if (role == Qt::TextAlignmentRole && (index.column() == 0 || index.column() >= 3))
            return int(Qt::AlignCenter);
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case 0:
            return StoredValueText(pair.code);
        case 1:
            return ShownLabel(pair.nameA);
        case 2:
            return ShownLabel(pair.nameB);
        case 3:
            return RecordStateText(pair.stateA);
        case 4:
            return RecordStateText(pair.stateB);
        case 5:
            return qlonglong(pair.differences.size());
        default:
            return m_review.choiceText(index.row());
        }
    }
    void changed(int row) { emit dataChanged(index(row, 0), index(row, 6)); }
    void changedAll() { emit dataChanged(index(0, 0), index(rowCount() - 1, 6)); }

private:
    ConflictReview& m_review;
};

ConflictListModel* listModel(QAbstractTableModel* model)
{
    return static_cast<ConflictListModel*>(model);
}
} // namespace

TdlgConflictReviewForm::TdlgConflictReviewForm(ConflictReview& review, const QString& file, const QString& label,
                                               QWidget* parent)
    : QDialog(parent), m_review(review)
{
    setWindowTitle(QStringLiteral("处理编号冲突"));
    auto* head = new QLabel(QStringLiteral("文件：%1    标识：%2").arg(file, ShownLabel(label)));
    head->setTextFormat(Qt::PlainText);
    m_summary = new QLabel;
    m_summary->setTextFormat(Qt::PlainText);

    m_model = new ConflictListModel(review, this);
    m_codes = new QTableView;
    m_codes->setModel(m_model);
    m_codes->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_codes->setSelectionMode(QAbstractItemView::SingleSelection);
    m_codes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_codes->verticalHeader()->hide();
    m_codes->verticalHeader()->setDefaultSectionSize(22);
    m_codes->setColumnWidth(0, 110);
    m_codes->setColumnWidth(1, 130);
    m_codes->setColumnWidth(2, 130);
    for (int c = 3; c < 7; ++c)
        m_codes->setColumnWidth(c, 64);
    m_codes->installEventFilter(this);

    auto* keep = new QPushButton(QStringLiteral("保留现有"));
    auto* replace = new QPushButton(QStringLiteral("采用导入"));
    auto* keepAll = new QPushButton(QStringLiteral("全部保留现有"));
    auto* replaceAll = new QPushButton(QStringLiteral("全部采用导入"));
    keep->setToolTip(QStringLiteral("在编号列表中按 ← 键"));
    replace->setToolTip(QStringLiteral("在编号列表中按 → 键"));
    connect(keep, &QPushButton::clicked, this, Handled(this, &TdlgConflictReviewForm::tbKeepClick));
    connect(replace, &QPushButton::clicked, this, Handled(this, &TdlgConflictReviewForm::tbReplaceClick));
    connect(keepAll, &QPushButton::clicked, this, Handled(this, &TdlgConflictReviewForm::tbKeepAllClick));
    connect(replaceAll, &QPushButton::clicked, this, Handled(this, &TdlgConflictReviewForm::tbReplaceAllClick));
    auto* decisions = new QHBoxLayout;
    for (QPushButton* b : {keep, replace, keepAll, replaceAll})
        decisions->addWidget(b);
    decisions->addStretch(1);
    auto* keys = new QLabel(QStringLiteral("↑↓ 选择编号    ← 保留现有    → 采用导入"));
    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(m_codes);
    leftLayout->addLayout(decisions);
    leftLayout->addWidget(keys);

    m_onlyDifferent = new QCheckBox(QStringLiteral("只显示不同的项"));
    m_onlyDifferent->setChecked(true);
    connect(m_onlyDifferent, &QCheckBox::toggled, this, [this] { showFields(); });
    m_fields = new QTableWidget(0, 4);
    m_fields->setHorizontalHeaderLabels(
        {QStringLiteral("所在页"), QStringLiteral("项目"), QStringLiteral("现有数据"), QStringLiteral("导入数据")});
    m_fields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fields->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fields->verticalHeader()->hide();
    m_fields->verticalHeader()->setDefaultSectionSize(22);
    // The caption takes what the values leave.
    m_fields->setColumnWidth(0, 56);
    m_fields->setColumnWidth(2, 120);
    m_fields->setColumnWidth(3, 120);
    m_fields->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_onlyDifferent);
    rightLayout->addWidget(m_fields);

    auto* split = new QSplitter;
    split->addWidget(left);
    split->addWidget(right);
    split->setSizes({650, 590});

    m_import = new QPushButton(QStringLiteral("按决定导入"));
    auto* back = new QPushButton(QStringLiteral("返  回"));
    connect(m_import, &QPushButton::clicked, this, Handled(this, &TdlgConflictReviewForm::tbImportClick));
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_summary, 1);
    bottom->addWidget(m_import);
    bottom->addWidget(back);
    for (QPushButton* b : {keep, replace, keepAll, replaceAll, m_import, back})
        b->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(head);
    layout->addWidget(split, 1);
    layout->addLayout(bottom);
    resize(1260, 640);

    connect(m_codes->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { showFields(); });
    const int first = m_review.firstUndecided();
    selectConflict(first >= 0 ? first : 0);
    m_codes->setFocus();
    updateState();
}

QPushButton* TdlgConflictReviewForm::button(const QString& caption) const
{
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == caption)
            return b;
    return nullptr;
}

int TdlgConflictReviewForm::currentConflict() const
{
    return m_codes->currentIndex().isValid() ? m_codes->currentIndex().row() : -1;
}

void TdlgConflictReviewForm::tbKeepClick()
{
    decide(currentConflict(), int(ConflictChoice::Keep));
}

void TdlgConflictReviewForm::tbReplaceClick()
{
    decide(currentConflict(), int(ConflictChoice::Replace));
}

void TdlgConflictReviewForm::tbKeepAllClick()
{
    m_review.decideAll(ConflictChoice::Keep);
    listModel(m_model)->changedAll();
    updateState();
}

void TdlgConflictReviewForm::tbReplaceAllClick()
{
    m_review.decideAll(ConflictChoice::Replace);
    listModel(m_model)->changedAll();
    updateState();
}

void TdlgConflictReviewForm::tbImportClick()
{
    if (m_review.undecidedCount() > 0)
        return;
    m_importRequested = true;
    accept();
}

void TdlgConflictReviewForm::decide(int conflict, int choice)
{
    if (conflict < 0 || conflict >= m_review.count())
        return;
    m_review.decide(conflict, ConflictChoice(choice));
    listModel(m_model)->changed(conflict);
    // On to the next code that waits for a decision.
    const int next = m_review.firstUndecided();
    if (next >= 0)
        selectConflict(next);
    updateState();
}

void TdlgConflictReviewForm::selectConflict(int conflict)
{
    if (conflict < 0 || conflict >= m_review.count())
        return;
    const QModelIndex index = m_model->index(conflict, 0);
    m_codes->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_codes->scrollTo(index);
}

void TdlgConflictReviewForm::showFields()
{
    const int conflict = currentConflict();
    m_fields->setRowCount(0);
    if (conflict < 0)
        return;
    const QVector<ConflictReview::FieldRow> rows = m_review.fieldRows(conflict, m_onlyDifferent->isChecked());
    m_fields->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const ConflictReview::FieldRow& f = rows[r];
        const QStringList cells = {f.page.section(QLatin1Char(' '), 0, 0), f.caption, f.here, f.imported};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 0)
                item->setToolTip(f.page);
            if (c == 1)
                item->setToolTip(f.name);
            if (f.differs)
                item->setBackground(kDiffering);
            m_fields->setItem(r, c, item);
        }
    }
}

void TdlgConflictReviewForm::updateState()
{
    const int undecided = m_review.undecidedCount();
    m_summary->setText(QStringLiteral("新编号%1个；已有编号%2个：相同%3个，保留现有%4个，采用导入%5个，未决定%6个")
                           .arg(m_review.newCodes())
                           .arg(m_review.count())
                           .arg(m_review.equalCount())
                           .arg(m_review.count(ConflictChoice::Keep))
                           .arg(m_review.count(ConflictChoice::Replace))
                           .arg(undecided));
    m_import->setEnabled(undecided == 0);
}

bool TdlgConflictReviewForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_codes && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
        if (key->key() == Qt::Key_Left && plain) {
            tbKeepClick();
            return true;
        }
        if (key->key() == Qt::Key_Right && plain) {
            tbReplaceClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
