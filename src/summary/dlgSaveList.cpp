#include "summary/dlgSaveList.h"

#include "base/Paths.h"
#include "base/SettingsStore.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/AnalysisExport.h"
#include "query/ResultExport.h"
#include "query/SaveQuery.h"
#include "summary/CheckListView.h"
#include "widgets/Application.h"
#include "widgets/ButtonRow.h"
#include "widgets/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const char* kNoItem = "     选择自定义分组";
}

TdlgSaveListForm::TdlgSaveListForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("选择导出数据的方式"));
    TableList = new QListWidget;
    TableList->setObjectName(QStringLiteral("TableList"));

    auto* box = new QGroupBox(QStringLiteral("导出的内容"));
    auto* grid = new QGridLayout(box);
    AllRecord = new QRadioButton(QStringLiteral("所有的数据"));
    Range = new QRadioButton(QStringLiteral("指定单位编号的范围"));
    m_radioGroup = new QRadioButton;
    AllRecord->setChecked(true);
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,12}")), this);
    c901_1 = new QLineEdit;
    c901_1->setObjectName(QStringLiteral("c901_1"));
    c901_2 = new QLineEdit;
    c901_2->setObjectName(QStringLiteral("c901_2"));
    for (QLineEdit* e : {c901_1, c901_2}) {
        e->setValidator(digits);
        e->setFixedWidth(120);
    }
    tbGroup = new QToolButton;
    tbGroup->setObjectName(QStringLiteral("tbGroup"));
    tbGroup->setPopupMode(QToolButton::InstantPopup);
    tbGroup->setText(QString::fromUtf8(kNoItem));
    tbGroup->setMinimumWidth(200);
    GroupMenu = new QMenu(tbGroup);
    tbGroup->setMenu(GroupMenu);
    grid->addWidget(AllRecord, 0, 0, 1, 2);
    grid->addWidget(Range, 1, 0);
    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(QStringLiteral("从")));
    range->addWidget(c901_1);
    range->addWidget(new QLabel(QStringLiteral("到")));
    range->addWidget(c901_2);
    range->addStretch(1);
    grid->addLayout(range, 1, 1);
    auto* group = new QHBoxLayout;
    group->addWidget(m_radioGroup);
    group->addWidget(tbGroup);
    group->addStretch(1);
    grid->addLayout(group, 2, 0, 1, 2);

    tbSave = new QPushButton(QStringLiteral("导  出"));
    tbSave->setObjectName(QStringLiteral("tbSave"));
    tbReturn = new QPushButton(QStringLiteral("返  回"));
    tbReturn->setObjectName(QStringLiteral("tbReturn"));
    // Every field of the chosen returns, with its labels, for SPSS or Stata.
    tbStats = new QPushButton(QStringLiteral("导出分析数据"));
    tbStats->setObjectName(QStringLiteral("tbStats"));
    tbStats->setToolTip(QStringLiteral("把所选单位的全部字段连同变量标签和值标签导出为 SPSS 或 Stata 数据文件"));
    connect(tbSave, &QPushButton::clicked, this, Handled(this, &TdlgSaveListForm::tbSaveClick));
    connect(tbReturn, &QPushButton::clicked, this, Handled(this, &TdlgSaveListForm::tbReturnClick));
    connect(tbStats, &QPushButton::clicked, this, Handled(this, &TdlgSaveListForm::tbStatsClick));
    auto* buttons = NewButtonRow({tbStats, tbSave, tbReturn});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TableList, 1);
    layout->addWidget(box);
    layout->addLayout(buttons);
    resize(500, 520);
}

QString TdlgSaveListForm::ChoiceFilePath()
{
    return QDir(WorkingFolder()).filePath(QString::fromUtf8(ExportTableFileName()));
}

QPushButton* TdlgSaveListForm::button(const QString& objectName) const
{
    return findChild<QPushButton*>(objectName);
}

CheckListEntries TdlgSaveListForm::entries() const
{
    CheckListEntries list = m_entries;
    for (int r = 0; r < list.size() && r < TableList->count(); ++r)
        if (list[r].selectable)
            list[r].tick = TickOfCheckState(TableList->item(r)->checkState());
    return list;
}

void TdlgSaveListForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Read on every show, never written here: ticks made in one use are gone in the next.
    if (!ReadChoiceFile(ChoiceFilePath(), &m_entries))
        m_entries = DesignedExportTableList();
    FillCheckList(TableList, m_entries);
    try {
        loadItems();
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
    }
}

void TdlgSaveListForm::loadItems()
{
    GroupMenu->clear();
    m_item = GroupItem();
    tbGroup->setText(QString::fromUtf8(kNoItem));
    // Items whose grouping is gone are not offered.
    RowSet items = SysConnection().query(
        QStringLiteral("select * from DT_GroupItem where GroupID in (select ID from ct_group)"));
    tbGroup->setEnabled(!items.isEmpty());
    m_radioGroup->setEnabled(!items.isEmpty());
    for (items.first(); !items.eof(); items.next()) {
        if (items.position() == 0)
            takeItem(items);
        const qint64 id = items.toInt(QStringLiteral("id"));
        QAction* entry = GroupMenu->addAction(items.text(QStringLiteral("Title")));
        entry->setData(id);
        connect(entry, &QAction::triggered, this, Handled([this, id] { GroupMenuClick(id); }));
    }
}

void TdlgSaveListForm::takeItem(const RowSet& row)
{
    m_item.id = row.toInt(QStringLiteral("id"));
    m_item.groupId = row.toInt(QStringLiteral("GroupID"));
    m_item.title = row.text(QStringLiteral("Title"));
    m_item.low = row.toInt(QStringLiteral("LowBoundary"));
    m_item.high = row.toInt(QStringLiteral("HighBoundary"));
    m_item.lowSymbol = row.text(QStringLiteral("LowSymbol"));
    m_item.highSymbol = row.text(QStringLiteral("HighSymbol"));
    tbGroup->setText(m_item.title);
}

void TdlgSaveListForm::GroupMenuClick(qint64 itemId)
{
    try {
        RowSet row = SysConnection().query(QStringLiteral("select * from DT_GroupItem where id=?1"), {itemId});
        if (row.isEmpty())
            return;
        row.first();
        takeItem(row);
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
    }
}

void TdlgSaveListForm::setBusy(bool busy)
{
    for (QWidget* w : std::initializer_list<QWidget*>{AllRecord, Range, m_radioGroup, tbGroup, tbSave, tbReturn, tbStats})
        w->setEnabled(!busy);
    if (!busy) {
        const bool items = !GroupMenu->actions().isEmpty();
        tbGroup->setEnabled(items);
        m_radioGroup->setEnabled(items);
    }
    QApplication::processEvents();
}

bool TdlgSaveListForm::readChoice(DataListChoice* choice)
{
    *choice = DataListChoice();
    if (Range->isChecked()) {
        choice->scope = DataListScope::Range;
        choice->from = c901_1->text().toDouble();
        choice->to = c901_2->text().toDouble();
        // An empty field reads as 0.
        if (choice->from == 0 || choice->to == 0) {
            CurrentPrompter().message(QStringLiteral("请输入单位编号的范围"));
            return false;
        }
        if (choice->to < choice->from) {
            choice->to = choice->from;
            c901_2->setText(c901_1->text());
        }
    } else if (m_radioGroup->isChecked()) {
        choice->scope = DataListScope::Item;
        choice->item = m_item;
    }
    return true;
}

void TdlgSaveListForm::tbSaveClick()
{
    setBusy(true);
    try {
        DataListChoice choice;
        if (!readChoice(&choice)) {
            setBusy(false);
            return;
        }
        const QString sql = DataListSql(DataListFields(SysConnection(), entries()), choice);
        RowSet rows = SysConnection().query(sql);
        SaveQueryAsExcel(rows, DatabaseLabel + QStringLiteral("数据列表"), DataListColumns(rows));
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
    }
    setBusy(false);
}

void TdlgSaveListForm::tbStatsClick()
{
    setBusy(true);
    try {
        DataListChoice choice;
        if (readChoice(&choice))
            SaveReturnsForAnalysis(DataListCondition(choice), {}, DatabaseLabel + QStringLiteral("分析数据"));
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
    }
    setBusy(false);
}

void TdlgSaveListForm::tbReturnClick()
{
    // The check box "只导出显示的部分" is never shown, so its state is always false.
    try {
        RegWriteBool(QStringLiteral("CheckBox1"), false, SettingsRoot::LocalMachine, DataKey());
    } catch (const SettingsError& e) {
        ShowRunError(e.message());
    }
    accept();
}
