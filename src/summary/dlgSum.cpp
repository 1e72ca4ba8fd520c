#include "summary/dlgSum.h"

#include "base/Paths.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/workbook/ShowWorkbook.h"
#include "entry/workbook/Workbook.h"
#include "logic/ProgressBar2Line.h"
#include "summary/CheckListView.h"
#include "summary/Grouping.h"
#include "summary/SumWorkbook.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
} // namespace

TdlgSumForm::TdlgSumForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("数据分类汇总"));
    TableList = new QListWidget;
    TableList->setObjectName(QStringLiteral("TableList"));
    connect(TableList, &QListWidget::itemChanged, this, &TdlgSumForm::itemChanged);
    connect(TableList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { RunHandler([&] { itemDoubleClicked(item); }); });

    auto* Button1 = new QPushButton(QStringLiteral("全部选中"));
    Button1->setObjectName(QStringLiteral("Button1"));
    auto* Button2 = new QPushButton(QStringLiteral("全部不选"));
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button1, &QPushButton::clicked, this, Handled(this, &TdlgSumForm::Button1Click));
    connect(Button2, &QPushButton::clicked, this, Handled(this, &TdlgSumForm::Button2Click));
    auto* ticks = new QHBoxLayout;
    ticks->addWidget(Button1);
    ticks->addWidget(Button2);
    ticks->addStretch(1);

    auto* SumTypeBox = new QGroupBox(QStringLiteral("汇总方式"));
    auto* kinds = new QHBoxLayout(SumTypeBox);
    m_sumType[0] = new QRadioButton(QStringLiteral("照工会层次"));
    m_sumType[1] = new QRadioButton(QStringLiteral("填报状态"));
    m_sumType[2] = new QRadioButton;
    m_sumType[0]->setChecked(true);
    tbGroup = new QToolButton;
    tbGroup->setObjectName(QStringLiteral("tbGroup"));
    tbGroup->setText(QStringLiteral("自定义分组"));
    tbGroup->setPopupMode(QToolButton::MenuButtonPopup);
    tbGroup->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tbGroup->setMinimumWidth(140);
    GroupMenu = new QMenu(tbGroup);
    tbGroup->setMenu(GroupMenu);
    // Opening the menu or clicking the button chooses the grouping breakdown.
    connect(tbGroup, &QToolButton::clicked, this, [this] { m_sumType[2]->setChecked(true); });
    connect(GroupMenu, &QMenu::aboutToShow, this, [this] { m_sumType[2]->setChecked(true); });
    for (int i = 0; i < 3; ++i)
        kinds->addWidget(m_sumType[i], i == 2 ? 0 : 1);
    kinds->addWidget(tbGroup, 1);

    tbSum = new QPushButton(QStringLiteral("汇  总"));
    tbSum->setObjectName(QStringLiteral("tbSum"));
    tbSum->setToolTip(QStringLiteral("执行汇总"));
    tbReturn = new QPushButton(QStringLiteral("返  回"));
    tbReturn->setObjectName(QStringLiteral("tbReturn"));
    connect(tbSum, &QPushButton::clicked, this, Handled(this, &TdlgSumForm::tbSumClick));
    connect(tbReturn, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {Button1, Button2, tbSum, tbReturn})
        b->setAutoDefault(false);
    buttons->addWidget(tbSum);
    buttons->addWidget(tbReturn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TableList, 1);
    layout->addLayout(ticks);
    layout->addWidget(SumTypeBox);
    layout->addLayout(buttons);
    resize(520, 600);
}

QString TdlgSumForm::ChoiceFilePath()
{
    return QDir(WorkingFolder()).filePath(QString::fromUtf8(SumTableFileName()));
}

QPushButton* TdlgSumForm::button(const QString& objectName) const
{
    return findChild<QPushButton*>(objectName);
}

int TdlgSumForm::SumType() const
{
    for (int i = 0; i < 3; ++i)
        if (m_sumType[i]->isChecked())
            return i;
    return 0;
}

void TdlgSumForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // A missing or unreadable choice file shows the list as designed.
    if (!ReadChoiceFile(ChoiceFilePath(), &m_entries))
        m_entries = DesignedSumTableList();
    fillList();
    try {
        loadGroupings();
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
    }
}

void TdlgSumForm::fillList()
{
    m_filling = true;
    FillCheckList(TableList, m_entries);
    // Headings: bold blue, without a box, never chosen.
    QFont headingFont = TableList->font();
    headingFont.setBold(true);
    for (int r = 0; r < m_entries.size(); ++r)
        if (!m_entries[r].selectable) {
            TableList->item(r)->setFont(headingFont);
            TableList->item(r)->setForeground(QColor(0, 0, 255));
        }
    m_filling = false;
}

void TdlgSumForm::setTick(int row, int tick)
{
    m_entries[row].tick = tick;
    if (m_entries[row].selectable) {
        m_filling = true;
        TableList->item(row)->setCheckState(CheckStateOfTick(tick));
        m_filling = false;
    }
}

void TdlgSumForm::itemChanged(QListWidgetItem* item)
{
    if (m_filling)
        return;
    const int row = TableList->row(item);
    if (row >= 0 && row < m_entries.size() && m_entries[row].selectable)
        m_entries[row].tick = TickOfCheckState(item->checkState());
}

void TdlgSumForm::itemDoubleClicked(QListWidgetItem* item)
{
    const int row = TableList->row(item);
    if (row < 0 || m_entries[row].selectable)
        return;
    for (int r = row + 1; r < m_entries.size() && m_entries[r].selectable; ++r)
        setTick(r, 1);
}

void TdlgSumForm::Button1Click()
{
    for (int r = 0; r < m_entries.size(); ++r)
        setTick(r, 1);
}

void TdlgSumForm::Button2Click()
{
    for (int r = 0; r < m_entries.size(); ++r)
        setTick(r, 0);
}

void TdlgSumForm::loadGroupings()
{
    GroupMenu->clear();
    m_groupId = 0;
    tbGroup->setText(QStringLiteral("自定义分组"));
    Connection& db = SysConnection();
    RowSet groups = db.query(QStringLiteral("select * from ct_group"));
    const bool any = !groups.isEmpty();
    tbGroup->setEnabled(any);
    m_sumType[2]->setEnabled(any);
    bool first = true;
    for (groups.first(); !groups.eof(); groups.next()) {
        const qint64 id = groups.toInt(QStringLiteral("id"));
        const QString name = groups.text(QStringLiteral("name"));
        if (first)
            chooseGroup(id, name);
        first = false;
        QAction* entry = GroupMenu->addAction(name);
        entry->setData(id);
        connect(entry, &QAction::triggered, this, Handled([this, id] { GroupMenuClick(id); }));
        // A grouping without items is listed but cannot be chosen.
        entry->setEnabled(GroupItemCount(db, id) > 0);
    }
}

void TdlgSumForm::chooseGroup(qint64 id, const QString& name)
{
    m_groupId = id;
    tbGroup->setText(name);
}

void TdlgSumForm::GroupMenuClick(qint64 groupId)
{
    try {
        RowSet row = SysConnection().query(QStringLiteral("select * from ct_group where id=?1"), {groupId});
        if (row.isEmpty())
            return;
        row.first();
        chooseGroup(row.toInt(QStringLiteral("id")), row.text(QStringLiteral("name")));
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
    }
}

void TdlgSumForm::tbSumClick()
{
    SummaryRequest request;
    request.kind = SumKind(SumType());
    request.groupId = request.kind == SumKind::Group ? m_groupId : 0;
    request.list = m_entries;
    if (TickedSelectableCount(request.list) == 0)
        return;
    // A grouping without items gives no rows to sum: say so rather than write empty sheets.
    try {
        if (request.kind == SumKind::Group && GroupItemCount(SysConnection(), request.groupId) == 0) {
            CurrentPrompter().message(
                QStringLiteral("自定义分组“%1”没有分组项，无法按它汇总。请先在“数据分组”中为它增加分组项。")
                    .arg(tbGroup->text()));
            return;
        }
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
        return;
    }
    std::optional<Workbook> book;
    try {
        book = Workbook::OpenTemplate(QDir(ProgramFolder()).filePath(QString::fromUtf8(SumTemplateFileName())));
    } catch (const WorkbookError&) {
        CurrentPrompter().message(QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office中的Excel"));
        return;
    }
    TProgressBar2LineForm& progress = ProgressBar2LineForm();
    SummaryHooks hooks;
    hooks.sheetsStarted = [&progress](int sheets) {
        progress.InitFirst(sheets);
        progress.show();
    };
    hooks.sheetDone = [&progress] { progress.IncFirst(); };
    hooks.cellsStarted = [&progress](int cells) { progress.InitSecond(cells); };
    hooks.cellsWritten = [&progress](int cells) {
        for (int i = 0; i < cells; ++i)
            progress.IncSecond();
    };
    hooks.processEvents = [] { QApplication::processEvents(); };
    setEnabled(false);
    try {
        FillSummaryWorkbook(SysConnection(), *book, request, hooks);
    } catch (const DbError& e) {
        progress.hide();
        setEnabled(true);
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
        return;
    } catch (const WorkbookError& e) {
        progress.hide();
        setEnabled(true);
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
        return;
    }
    progress.hide();
    setEnabled(true);
    MakeWorkbookVisible(*book, QString::fromUtf8(SumTemplateFileName()));
}

void TdlgSumForm::done(int result)
{
    // Every way of closing keeps the ticks for the next use.
    QString error;
    if (!m_entries.isEmpty() && !WriteChoiceFile(ChoiceFilePath(), m_entries, &error))
        ShowRunError(error);
    QDialog::done(result);
}
