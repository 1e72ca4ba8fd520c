#include "exchange/dlgExpected.h"

#include "base/FileNameRule.h"
#include "base/Paths.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/ExchangeRules.h"
#include "exchange/ExpectedUnits.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"
#include "widgets/RecordGrid.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const QString kContact = QStringLiteral(",请与软件发行者联系。");
// How many skipped lines the message after a reading lists.
constexpr int kLinesShown = 20;

template <typename Work>
void guarded(Work work)
{
    try {
        work();
    } catch (const DbError& e) {
        ShowRunError(e.message(), kContact);
    }
}

// The wait cursor while a file is read and stored: nothing else runs meanwhile.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

TFieldData column(const char* name, const char* caption, int width)
{
    TFieldData f;
    f.ShowName = QString::fromLatin1(name);
    f.Hint = QString::fromUtf8(caption);
    f.FieldWidth = width;
    f.Visible = true;
    f.QueryShow = true;
    return f;
}
} // namespace

TdlgExpectedForm::TdlgExpectedForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgExpected"));
    setWindowTitle(QStringLiteral("应报单位名单"));

    m_count = new QLabel;
    m_count->setObjectName(QStringLiteral("lblCount"));
    QFont big = m_count->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    m_count->setFont(big);

    m_sources = new QTableWidget(0, 3);
    m_sources->setObjectName(QStringLiteral("grdSources"));
    m_sources->setHorizontalHeaderLabels({QStringLiteral("来源"), QStringLiteral("单位数"), QStringLiteral("最近加入时间")});
    m_sources->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sources->setSelectionMode(QAbstractItemView::NoSelection);
    m_sources->verticalHeader()->hide();
    m_sources->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_sources->setColumnWidth(1, 80);
    m_sources->setColumnWidth(2, 150);
    m_sources->setMaximumHeight(120);

    m_grid = new QTableView;
    m_grid->setObjectName(QStringLiteral("grdUnits"));
    m_model = new RowSetTableModel(this);
    const TFieldDataArray columns = {column("c901", "工会统计编码", 120), column("c902", "工会名称", 220),
                                     column("c903", "行政区划代码", 100), column("DivisionName", "地区", 170),
                                     column("Source", "来源", 220), column("AddedAt", "加入时间", 140)};
    m_model->setFields(columns, &m_units);
    m_grid->setModel(m_model);
    for (int c = 0; c < columns.size(); ++c)
        m_grid->setColumnWidth(c, columns[c].FieldWidth);
    m_grid->setItemDelegate(new StripedCellDelegate(m_grid));
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->setDefaultSectionSize(22);
    m_grid->horizontalHeader()->setStretchLastSection(true);

    auto* reading = new QGroupBox(QStringLiteral("读入应报单位"));
    auto* readLayout = new QHBoxLayout(reading);
    m_add = new QRadioButton(QStringLiteral("添加到名单"));
    m_add->setObjectName(QStringLiteral("rbAdd"));
    m_add->setChecked(true);
    m_replace = new QRadioButton(QStringLiteral("替换整个名单"));
    m_replace->setObjectName(QStringLiteral("rbReplace"));
    auto* bottom = new QHBoxLayout;
    const struct {
        const char* name;
        const char* caption;
        void (TdlgExpectedForm::*click)();
        QBoxLayout* row;
    } buttons[] = {
        {"btnFromDatabase", "从数据库文件读入…", &TdlgExpectedForm::btnFromDatabaseClick, readLayout},
        {"btnFromText", "从文本文件读入…", &TdlgExpectedForm::btnFromTextClick, readLayout},
        {"btnFromReturns", "从现有数据读入", &TdlgExpectedForm::btnFromReturnsClick, readLayout},
        {"btnRemove", "删除选中的单位", &TdlgExpectedForm::btnRemoveClick, bottom},
        {"btnClose", "关  闭", nullptr, bottom},
    };
    for (const auto& b : buttons) {
        if (b.row == bottom && b.click == nullptr)
            bottom->addStretch(1);
        auto* button = new QPushButton(QString::fromUtf8(b.caption));
        button->setObjectName(QString::fromLatin1(b.name));
        button->setAutoDefault(false);
        if (b.click)
            connect(button, &QPushButton::clicked, this, Handled([this, click = b.click] { guarded([&] { (this->*click)(); }); }));
        else
            connect(button, &QPushButton::clicked, this, &QDialog::accept);
        b.row->addWidget(button);
    }
    readLayout->addSpacing(16);
    readLayout->addWidget(m_add);
    readLayout->addWidget(m_replace);
    readLayout->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_count);
    layout->addWidget(m_sources);
    layout->addWidget(reading);
    layout->addWidget(m_grid, 1);
    layout->addLayout(bottom);
    resize(1000, 640);
}

QPushButton* TdlgExpectedForm::button(const QString& objectName) const
{
    return findChild<QPushButton*>(objectName);
}

void TdlgExpectedForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        guarded([this] { refresh(); });
}

void TdlgExpectedForm::refresh()
{
    const ExpectedListSummary summary = ReadExpectedSummary(SysConnection());
    m_count->setText(QStringLiteral("名单中共有 %1 个应报单位").arg(summary.units));
    m_sources->setRowCount(summary.sources.size());
    for (int r = 0; r < summary.sources.size(); ++r) {
        const ExpectedSourceCount& s = summary.sources[r];
        auto* units = new QTableWidgetItem(QString::number(s.units));
        units->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_sources->setItem(r, 0, new QTableWidgetItem(s.source));
        m_sources->setItem(r, 1, units);
        m_sources->setItem(r, 2, new QTableWidgetItem(s.addedAt));
    }
    m_units = SysConnection().query(ExpectedListSql());
    m_units.setKeyColumn(QStringLiteral("c901"));
    m_model->setRowSet(&m_units);
    m_grid->clearSelection();
    button(QStringLiteral("btnRemove"))->setEnabled(!m_units.isEmpty());
}

QString TdlgExpectedForm::chooseFile(const QString& title, const QString& filter, const QStringList& extensions)
{
    FileDialogOptions dialog;
    dialog.title = title;
    dialog.filter = filter;
    dialog.folder = DocumentsFolder();
    int chosenFilter = 0;
    dialog.chosenFilter = &chosenFilter;
    const QString chosen = CurrentPrompter().openFileName(dialog).trimmed();
    if (chosen.isEmpty() || extensions.isEmpty())
        return chosen;
    return ApplyFileNameRule(chosen, KeepShortNames(extensions.value(chosenFilter, extensions.first())));
}

void TdlgExpectedForm::btnFromDatabaseClick()
{
    const QString path = chooseFile(QStringLiteral("选择应报单位的来源文件"),
                                    QStringLiteral("数据加密文件(*.dat)|*.dat|数据备份文件(*.mdb)|*.mdb"),
                                    {QStringLiteral(".dat"), QStringLiteral(".mdb")});
    if (path.isEmpty())
        return;
    ExpectedReading reading;
    {
        BusyCursor busy;
        reading = ReadExpectedDatabaseFile(SysConnection(), path);
    }
    store(reading);
}

void TdlgExpectedForm::btnFromTextClick()
{
    const QString path = chooseFile(QStringLiteral("选择应报单位名单的文本文件"),
                                    QStringLiteral("文本文件(*.txt *.csv)|*.txt *.csv|所有文件(*)|*"), {});
    if (path.isEmpty())
        return;
    ExpectedReading reading;
    {
        BusyCursor busy;
        reading = ReadExpectedTextFile(path);
    }
    store(reading);
}

void TdlgExpectedForm::btnFromReturnsClick()
{
    ExpectedReading reading;
    {
        BusyCursor busy;
        reading = ReadExpectedFromReturns(SysConnection());
    }
    store(reading);
}

void TdlgExpectedForm::store(const ExpectedReading& reading)
{
    if (!reading.ok()) {
        const QString problems = ExpectedProblemsText(reading, kLinesShown);
        CurrentPrompter().message(problems.isEmpty() ? reading.error : reading.error + QLatin1Char('\n') + problems);
        return;
    }
    const bool replace = m_replace->isChecked();
    if (replace && !m_units.isEmpty()) {
        const QString question = QStringLiteral("确定要用读入的%1个单位替换名单中现有的%2个单位吗?")
                                     .arg(reading.units.size())
                                     .arg(m_units.recordCount());
        if (CurrentPrompter().question(question, ButtonYes | ButtonNo | QuestionIcon) != AnswerYes)
            return;
    }
    ExpectedStoreResult stored;
    {
        BusyCursor busy;
        stored = StoreExpectedUnits(SysConnection(), reading, replace ? ExpectedStoreMode::Replace : ExpectedStoreMode::Add);
    }
    if (!stored.error.isEmpty()) {
        ShowRunError(stored.error, kContact);
        return;
    }
    refresh();
    CurrentPrompter().message(ExpectedStoredText(reading, stored, kLinesShown));
}

void TdlgExpectedForm::btnRemoveClick()
{
    QVector<qint64> codes;
    const int column = m_units.columnIndex(QStringLiteral("c901"));
    for (const QModelIndex& index : m_grid->selectionModel()->selectedRows())
        codes << m_units.valueAt(index.row(), column).toLongLong();
    if (codes.isEmpty()) {
        CurrentPrompter().message(QStringLiteral("请先在名单中选择要删除的单位"));
        return;
    }
    const QString question = QStringLiteral("确定要从名单中删除选中的%1个单位吗?").arg(codes.size());
    if (CurrentPrompter().question(question, ButtonYes | ButtonNo | QuestionIcon) != AnswerYes)
        return;
    RemoveExpectedUnits(SysConnection(), codes);
    refresh();
}
