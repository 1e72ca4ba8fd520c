#include "logic/dlgCompare.h"

#include "base/Paths.h"
#include "base/SettingsStore.h"
#include "base/ValueText.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/dlgSurveyData.h"
#include "logic/ComparisonWorkbook.h"
#include "logic/ProgressDisplay.h"
#include "query/ResultExport.h"
#include "widgets/Application.h"
#include "widgets/ButtonRow.h"
#include "widgets/Prompter.h"
#include "widgets/SaveFileDialog.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QDoubleValidator>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

// ---------------------------------------------------------------- the models of the lists

// The flagged values of a result, those the filters let through, in the result's order.
class CompareFlagModel : public QAbstractTableModel {
public:
    enum Column { Code, Name, Caption, Field, Page, Last, Current, Ratio, Direction, Score, ColumnCount };
    using QAbstractTableModel::QAbstractTableModel;

    void setResult(const CompareResult* result, int page, int indicator)
    {
        beginResetModel();
        m_result = result;
        m_rows.clear();
        if (result)
            for (int i = 0; i < result->flagged.size(); ++i) {
                const CompareFlag& f = result->flagged[i];
                if ((page <= 0 || result->indicators[f.indicator].page == page) &&
                    (indicator < 0 || f.indicator == indicator))
                    m_rows.push_back(i);
            }
        endResetModel();
    }
    // The flagged value a row shows.
    const CompareFlag* flagAt(int row) const
    {
        return (m_result && row >= 0 && row < int(m_rows.size())) ? &m_result->flagged[m_rows[row]] : nullptr;
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : ColumnCount;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const char* titles[ColumnCount] = {"单位编号", "单位名称", "指标名称", "指标",  "页",
                                                  "上年",     "本年",     "比值",     "增/减", "得分"};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
            return QString::fromUtf8(titles[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        const CompareFlag* f = flagAt(index.row());
        if (!f)
            return {};
        if (role == Qt::TextAlignmentRole) {
            const bool number = index.column() == Last || index.column() == Current ||
                                index.column() == Ratio || index.column() == Score;
            return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        }
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        const CompareIndicator& i = m_result->indicators[f->indicator];
        switch (index.column()) {
        case Code:
            return FormatNumberText(f->code);
        case Name:
            return f->name;
        case Caption:
            return i.caption;
        case Field:
            return i.field;
        case Page:
            return ComparisonPageText(i.page);
        case Last:
            return FormatNumberText(f->last);
        case Current:
            return FormatNumberText(f->current);
        case Ratio:
            return QString::number(f->ratio, 'f', 2);
        case Direction:
            return DirectionText(f->rise);
        case Score:
            return QString::number(f->score, 'f', 2);
        default:
            return {};
        }
    }

private:
    const CompareResult* m_result = nullptr;
    std::vector<int> m_rows;
};

// The units reporting in one year only.
class CompareUnitModel : public QAbstractTableModel {
public:
    CompareUnitModel(const QString& otherYear, QObject* parent)
        : QAbstractTableModel(parent), m_otherYear(otherYear)
    {
    }

    void setUnits(const QVector<CompareUnit>* units, const TMenuItemDataArray& states)
    {
        beginResetModel();
        m_units = units;
        m_states = states;
        endResetModel();
    }
    const CompareUnit* unitAt(int row) const
    {
        return (m_units && row >= 0 && row < m_units->size()) ? &(*m_units)[row] : nullptr;
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return (parent.isValid() || !m_units) ? 0 : int(m_units->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            switch (section) {
            case 0:
                return QStringLiteral("单位编号");
            case 1:
                return QStringLiteral("单位名称");
            case 2:
                return m_otherYear;
            }
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        const CompareUnit* u = unitAt(index.row());
        if (!u || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        switch (index.column()) {
        case 0:
            return FormatNumberText(u->code);
        case 1:
            return u->name;
        case 2:
            return OtherYearText(u->otherState, m_states);
        default:
            return {};
        }
    }

private:
    QString m_otherYear;
    const QVector<CompareUnit>* m_units = nullptr;
    TMenuItemDataArray m_states;
};

// ---------------------------------------------------------------- the window

namespace {
QTableView* makeGrid(QAbstractItemModel* model, QWidget* parent)
{
    auto* grid = new QTableView(parent);
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setAlternatingRowColors(true);
    grid->setWordWrap(false);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
}
} // namespace

TdlgCompareForm::TdlgCompareForm(EditorProvider editor, std::function<void()> refreshList, QWidget* parent)
    : QDialog(parent), m_editor(std::move(editor)), m_refreshList(std::move(refreshList))
{
    setWindowTitle(QStringLiteral("与上年数据比对"));
    setObjectName(QStringLiteral("dlgCompare"));
    resize(1100, 680);

    auto* source = new QGroupBox(QStringLiteral("上年数据文件"));
    auto* sourceLayout = new QHBoxLayout(source);
    m_file = new QLineEdit;
    m_file->setObjectName(QStringLiteral("LastYearFile"));
    m_file->setText(StoredReferenceFile());
    m_choose = new QPushButton(QStringLiteral("选择..."));
    m_choose->setAutoDefault(false);
    connect(m_choose, &QPushButton::clicked, this, Handled(this, &TdlgCompareForm::tbChooseClick));
    sourceLayout->addWidget(m_file, 1);
    sourceLayout->addWidget(m_choose);

    auto* parameters = new QGroupBox(QStringLiteral("参数"));
    auto* parameterLayout = new QHBoxLayout(parameters);
    const CompareParameters stored = StoredCompareParameters();
    const double values[3] = {stored.u, stored.a, stored.c};
    const char* labels[3] = {"U（规模的权重）", "A（最小距离的比例）", "C（界限的倍数）"};
    for (int i = 0; i < 3; ++i) {
        m_parameters[i] = new QLineEdit(FormatNumberText(values[i]));
        m_parameters[i]->setObjectName(QStringLiteral("Parameter%1").arg(QLatin1Char("UAC"[i])));
        auto* validator = new QDoubleValidator(0, i == 0 ? 1 : i == 1 ? 100 : 1000, 6, m_parameters[i]);
        validator->setLocale(QLocale::c());
        validator->setNotation(QDoubleValidator::StandardNotation);
        m_parameters[i]->setValidator(validator);
        m_parameters[i]->setFixedWidth(70);
        parameterLayout->addWidget(new QLabel(QString::fromUtf8(labels[i])));
        parameterLayout->addWidget(m_parameters[i]);
        parameterLayout->addSpacing(12);
    }
    parameterLayout->addStretch(1);

    m_run = new QPushButton(QStringLiteral("比  对"));
    m_stop = new QPushButton(QStringLiteral("停  止"));
    m_export = new QPushButton(QStringLiteral("导  出"));
    m_return = new QPushButton(QStringLiteral("返  回"));
    connect(m_run, &QPushButton::clicked, this, Handled(this, &TdlgCompareForm::tbRunClick));
    connect(m_stop, &QPushButton::clicked, this, Handled(this, &TdlgCompareForm::tbStopClick));
    connect(m_export, &QPushButton::clicked, this, Handled(this, &TdlgCompareForm::tbExportClick));
    connect(m_return, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = NewButtonRow({m_run, m_stop, m_export, m_return});

    m_progress = new QGroupBox(QStringLiteral("比对进度"));
    auto* progressLayout = new QVBoxLayout(m_progress);
    m_display = ProgressDisplay::addTo(progressLayout, this);
    m_bar = m_display->bar();
    m_done = m_display->doneText();
    m_toDo = m_display->toDoText();

    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("Summary"));
    m_summary->setWordWrap(true);

    m_flagModel = new CompareFlagModel(this);
    m_unitModels[0] = new CompareUnitModel(QStringLiteral("本年情况"), this);
    m_unitModels[1] = new CompareUnitModel(QStringLiteral("上年情况"), this);
    m_skippedModel = new QStandardItemModel(this);

    auto* flaggedPage = new QWidget;
    auto* flaggedLayout = new QVBoxLayout(flaggedPage);
    auto* filters = new QHBoxLayout;
    m_pageFilter = new QComboBox;
    m_pageFilter->setObjectName(QStringLiteral("PageFilter"));
    m_fieldFilter = new QComboBox;
    m_fieldFilter->setObjectName(QStringLiteral("FieldFilter"));
    m_fieldFilter->setMinimumContentsLength(30);
    m_fieldFilter->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_shown = new QLabel;
    filters->addWidget(new QLabel(QStringLiteral("页：")));
    filters->addWidget(m_pageFilter);
    filters->addSpacing(12);
    filters->addWidget(new QLabel(QStringLiteral("指标：")));
    filters->addWidget(m_fieldFilter);
    filters->addSpacing(12);
    filters->addWidget(m_shown, 1);
    flaggedLayout->addLayout(filters);
    m_grids[0] = makeGrid(m_flagModel, flaggedPage);
    m_grids[0]->setObjectName(QStringLiteral("FlaggedGrid"));
    const int widths[CompareFlagModel::ColumnCount] = {110, 190, 300, 50, 50, 85, 85, 65, 45, 70};
    for (int c = 0; c < CompareFlagModel::ColumnCount; ++c)
        m_grids[0]->setColumnWidth(c, widths[c]);
    // The caption takes what the other columns leave, so the score stays in sight.
    m_grids[0]->horizontalHeader()->setStretchLastSection(false);
    m_grids[0]->horizontalHeader()->setSectionResizeMode(CompareFlagModel::Caption, QHeaderView::Stretch);
    flaggedLayout->addWidget(m_grids[0], 1);
    m_grids[1] = makeGrid(m_unitModels[0], this);
    m_grids[1]->setObjectName(QStringLiteral("AbsentGrid"));
    m_grids[2] = makeGrid(m_unitModels[1], this);
    m_grids[2]->setObjectName(QStringLiteral("NewGrid"));
    m_grids[3] = makeGrid(m_skippedModel, this);
    m_grids[3]->setObjectName(QStringLiteral("SkippedGrid"));
    for (int g = 1; g < 4; ++g) {
        m_grids[g]->setColumnWidth(0, 110);
        m_grids[g]->setColumnWidth(1, 300);
    }
    m_tabs = new QTabWidget;
    m_tabs->addTab(flaggedPage, QStringLiteral("变动较大的数据"));
    m_tabs->addTab(m_grids[1], QStringLiteral("本年未填报的单位"));
    m_tabs->addTab(m_grids[2], QStringLiteral("本年新填报的单位"));
    m_tabs->addTab(m_grids[3], QStringLiteral("未比对的指标"));
    for (int g = 0; g < 3; ++g)
        connect(m_grids[g], &QTableView::doubleClicked, this,
                [this, g](const QModelIndex& index) { RunHandler([&] { openRow(g, index.row()); }); });
    connect(m_pageFilter, &QComboBox::activated, this, [this] {
        fillFieldFilter();
        applyFilters();
    });
    connect(m_fieldFilter, &QComboBox::activated, this, [this] { applyFilters(); });

    auto* top = new QHBoxLayout;
    top->addWidget(source, 3);
    top->addWidget(parameters, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addWidget(m_progress);
    layout->addWidget(m_summary);
    layout->addWidget(m_tabs, 1);

    try {
        m_states = LoadCodeTable(SysConnection(), QStringLiteral("CT_state"));
    } catch (const DbError&) {
        // Without the state names the lists show the state codes.
    }
    showResult();
    setRunning(false);
}

TdlgCompareForm::~TdlgCompareForm() = default;

QPushButton* TdlgCompareForm::button(const QString& caption) const
{
    for (QPushButton* b : {m_choose, m_run, m_stop, m_export, m_return})
        if (b->text() == caption)
            return b;
    return nullptr;
}

QTableView* TdlgCompareForm::grid(int tab) const
{
    return (tab >= 0 && tab < 4) ? m_grids[tab] : nullptr;
}

void TdlgCompareForm::setRunning(bool running)
{
    m_running = running;
    // While the run reads the files, only the stop acts.
    m_file->setEnabled(!running);
    m_choose->setEnabled(!running);
    for (QLineEdit* box : m_parameters)
        box->setEnabled(!running);
    m_run->setEnabled(!running);
    m_return->setEnabled(!running);
    m_tabs->setEnabled(!running);
    m_stop->setEnabled(running);
    m_export->setEnabled(!running && !m_resultFile.isEmpty());
    m_progress->setVisible(running);
    if (!running)
        m_display->stop();
}

void TdlgCompareForm::tbChooseClick()
{
    FileDialogOptions dialog;
    dialog.title = QStringLiteral("选择上年的数据文件");
    const QFileInfo current(m_file->text().trimmed());
    dialog.folder = !m_file->text().trimmed().isEmpty() && current.dir().exists() ? current.absolutePath()
                                                                                  : DocumentsFolder();
    dialog.filter = QStringLiteral("Access文件(*.mdb)|*.mdb");
    const QString chosen = CurrentPrompter().openFileName(dialog).trimmed();
    if (!chosen.isEmpty())
        m_file->setText(chosen);
}

bool TdlgCompareForm::readParameters(CompareParameters* parameters)
{
    double* values[3] = {&parameters->u, &parameters->a, &parameters->c};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        *values[i] = m_parameters[i]->text().trimmed().toDouble(&ok);
        if (!ok) {
            CurrentPrompter().message(QStringLiteral("请输入参数%1").arg(QLatin1Char("UAC"[i])));
            m_parameters[i]->setFocus();
            return false;
        }
    }
    const QString invalid = CheckCompareParameters(*parameters);
    if (!invalid.isEmpty()) {
        CurrentPrompter().message(invalid);
        return false;
    }
    return true;
}

void TdlgCompareForm::tbRunClick()
{
    if (m_running)
        return;
    CompareParameters parameters;
    if (!readParameters(&parameters))
        return;
    const QString file = m_file->text().trimmed();
    if (file.isEmpty()) {
        CurrentPrompter().message(QStringLiteral("请选择上年的数据文件"));
        m_file->setFocus();
        return;
    }
    m_stopRequested = false;
    m_bar->setValue(0);
    setRunning(true);
    repaint();

    BatchCheckHooks hooks;
    hooks.started = [this](qint64 total, qint64 done) { m_display->start(total, done); };
    hooks.stepped = [this] { m_display->step(); };
    hooks.stopped = [this] { return m_stopRequested; };
    hooks.processEvents = [] { QApplication::processEvents(); };
    CompareResult result;
    QString error;
    try {
        result = CompareWithLastYear(SysConnection(), file, parameters, hooks);
    } catch (const DbError& e) {
        error = e.message();
    }
    setRunning(false);
    if (m_closeAfterRun) {
        close();
        return;
    }
    if (!error.isEmpty()) {
        ShowRunError(error, QStringLiteral(",请与软件发行者联系。"));
        return;
    }
    if (!result.refused.isEmpty()) {
        CurrentPrompter().message(QStringLiteral("上年的数据文件不能使用：") + result.refused);
        return;
    }
    if (result.stopped)
        return; // the lists shown stay those of the last whole run
    m_result = std::move(result);
    m_resultFile = file;
    m_resultParameters = parameters;
    try {
        StoreReferenceFile(file);
        StoreCompareParameters(parameters);
    } catch (const SettingsError& e) {
        CurrentPrompter().message(e.message());
    }
    showResult();
    m_export->setEnabled(true);
    if (isVisible())
        m_grids[0]->setFocus();
}

void TdlgCompareForm::tbStopClick()
{
    m_stopRequested = true;
}

void TdlgCompareForm::showResult()
{
    const bool shown = !m_resultFile.isEmpty();
    m_flagModel->setResult(shown ? &m_result : nullptr, 0, -1);
    m_unitModels[0]->setUnits(shown ? &m_result.absentNow : nullptr, m_states);
    m_unitModels[1]->setUnits(shown ? &m_result.newNow : nullptr, m_states);
    m_tabs->setTabText(0, shown ? QStringLiteral("变动较大的数据（%1）").arg(m_result.flagged.size())
                                : QStringLiteral("变动较大的数据"));
    m_tabs->setTabText(1, shown ? QStringLiteral("本年未填报的单位（%1）").arg(m_result.absentNow.size())
                                : QStringLiteral("本年未填报的单位"));
    m_tabs->setTabText(2, shown ? QStringLiteral("本年新填报的单位（%1）").arg(m_result.newNow.size())
                                : QStringLiteral("本年新填报的单位"));
    m_tabs->setTabText(3, shown ? QStringLiteral("未比对的指标（%1）").arg(m_result.skipped.size())
                                : QStringLiteral("未比对的指标"));
    m_skippedModel->clear();
    m_skippedModel->setHorizontalHeaderLabels({QStringLiteral("指标"), QStringLiteral("指标名称"),
                                               QStringLiteral("页"), QStringLiteral("可比的单位")});
    if (shown)
        for (int i = 0; i < m_result.indicators.size(); ++i) {
            const CompareIndicator& indicator = m_result.indicators[i];
            if (!m_result.skipped.contains(indicator.field))
                continue;
            auto* pairs = new QStandardItem(QString::number(m_result.pairs.value(i)));
            pairs->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_skippedModel->appendRow({new QStandardItem(indicator.field),
                                       new QStandardItem(indicator.caption),
                                       new QStandardItem(ComparisonPageText(indicator.page)), pairs});
        }
    m_grids[3]->setColumnWidth(0, 60);
    m_grids[3]->setColumnWidth(1, 360);
    m_pageFilter->clear();
    m_pageFilter->addItem(QStringLiteral("全部"), 0);
    if (shown) {
        QVector<int> pages;
        for (const CompareFlag& f : m_result.flagged)
            if (!pages.contains(m_result.indicators[f.indicator].page))
                pages << m_result.indicators[f.indicator].page;
        std::sort(pages.begin(), pages.end());
        for (int page : pages)
            m_pageFilter->addItem(ComparisonPageText(page), page);
        QString text =
            QStringLiteral(
                "比对了%1个两年都填报数据的单位，%2个指标；变动较大的数据%3项，得分越高越需要核实。")
                .arg(m_result.matched)
                .arg(m_result.indicators.size() - m_result.skipped.size())
                .arg(m_result.flagged.size());
        if (!m_result.skipped.isEmpty())
            text += QStringLiteral("%1个指标可比的单位少于%2个，没有比对。")
                        .arg(m_result.skipped.size())
                        .arg(kComparePairsNeeded);
        m_summary->setText(text);
    } else {
        m_summary->setText(
            QStringLiteral("选择上年的数据文件，按“比  对”开始。比对只读取两个数据文件，不改变任何数据。"));
    }
    fillFieldFilter();
    applyFilters();
}

void TdlgCompareForm::fillFieldFilter()
{
    const int page = m_pageFilter->currentData().toInt();
    m_fieldFilter->clear();
    m_fieldFilter->addItem(QStringLiteral("全部"), -1);
    if (m_resultFile.isEmpty())
        return;
    QVector<int> counts(m_result.indicators.size(), 0);
    for (const CompareFlag& f : m_result.flagged)
        ++counts[f.indicator];
    for (int i = 0; i < m_result.indicators.size(); ++i) {
        const CompareIndicator& indicator = m_result.indicators[i];
        if (counts[i] > 0 && (page <= 0 || indicator.page == page))
            m_fieldFilter->addItem(
                QStringLiteral("%1 %2（%3）").arg(indicator.field, indicator.caption).arg(counts[i]), i);
    }
}

void TdlgCompareForm::applyFilters()
{
    m_flagModel->setResult(m_resultFile.isEmpty() ? nullptr : &m_result, m_pageFilter->currentData().toInt(),
                           m_fieldFilter->currentData().toInt());
    m_shown->setText(m_resultFile.isEmpty() ? QString()
                                            : QStringLiteral("显示%1项").arg(m_flagModel->rowCount()));
    if (m_flagModel->rowCount() > 0)
        m_grids[0]->selectRow(0);
}

void TdlgCompareForm::openRow(int tab, int row)
{
    if (m_running || !m_editor)
        return;
    double code = 0;
    QString field;
    if (tab == 0) {
        const CompareFlag* f = m_flagModel->flagAt(row);
        if (!f)
            return;
        code = f->code;
        field = m_result.indicators[f->indicator].field;
    } else {
        const CompareUnit* u = m_unitModels[tab - 1]->unitAt(row);
        // A unit that has no return this year has nothing to open.
        if (!u || (tab == 1 && u->otherState < 0))
            return;
        code = u->code;
    }
    RowSet list;
    try {
        list = SysConnection().query(QStringLiteral("SELECT * from view_data where c901=?1"), {code});
    } catch (const DbError& e) {
        ShowRunError(e.message());
        return;
    }
    list.setKeyColumn(QStringLiteral("c901"));
    list.first();
    if (list.isEmpty()) {
        CurrentPrompter().message(QStringLiteral("没有找到编号为%1的单位的数据").arg(FormatNumberText(code)));
        return;
    }
    TdlgSurveyDataForm& editor = m_editor();
    if (field.isEmpty())
        editor.openForModify(&list);
    else
        editor.openForModifyOnField(&list, field);
    editor.exec();
    if (m_refreshList)
        m_refreshList();
}

void TdlgCompareForm::tbExportClick()
{
    if (m_running || m_resultFile.isEmpty())
        return;
    FileDialogOptions dialog;
    dialog.title = QStringLiteral("导出文件存放为");
    dialog.folder = DocumentsFolder();
    dialog.filter = QStringLiteral("Excel 文件(*.xlsx)|*.xlsx");
    dialog.fileName = ComparisonProposedName(QDate::currentDate());
    // The dialog asks about the final name and refuses both databases itself.
    const QString path = ChooseSaveFile(dialog, KeepShortNames(QStringLiteral(".xlsx")), {m_resultFile});
    if (path.isEmpty())
        return;
    ComparisonRun run;
    run.lastYearFile = m_resultFile;
    run.workingFile = CurrentDatabasePath;
    run.parameters = m_resultParameters;
    run.date = QDate::currentDate();
    run.states = m_states;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString error = WriteComparisonWorkbook(m_result, run, path);
    QApplication::restoreOverrideCursor();
    if (error.isEmpty())
        CurrentPrompter().message(QStringLiteral("比对结果已经正确导出到：'") + path + QStringLiteral("'"));
    else
        ShowRunError(error, QStringLiteral(",请与系统管理员或软件发行者联系。"));
}

void TdlgCompareForm::closeEvent(QCloseEvent* event)
{
    // A run ends at its next turn; the window goes once the run has returned.
    if (m_running) {
        m_stopRequested = true;
        m_closeAfterRun = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TdlgCompareForm::reject()
{
    if (m_running) {
        m_stopRequested = true;
        return;
    }
    QDialog::reject();
}
