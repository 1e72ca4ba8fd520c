#include "summary/dlgGroupItem.h"

#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "entry/NumericEdit.h"
#include "summary/Grouping.h"
#include "widgets/Application.h"
#include "widgets/CodePicker.h"
#include "widgets/ButtonRow.h"
#include "widgets/Prompter.h"
#include "widgets/RecordGrid.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QShowEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

TdlgGroupItemForm::TdlgGroupItemForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("自定义分组"));
    m_lowSymbols = LowSymbolList();
    m_highSymbols = HighSymbolList();

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("数据组名：")));
    GroupName = new QLineEdit;
    GroupName->setObjectName(QStringLiteral("GroupName"));
    GroupName->setMaxLength(255);
    tbSave = new QPushButton(QStringLiteral("保  存"));
    tbSave->setObjectName(QStringLiteral("tbSave"));
    top->addWidget(GroupName, 1);
    top->addWidget(tbSave);
    connect(GroupName, &QLineEdit::textChanged, this, [this] { tbSave->setEnabled(!GroupName->text().isEmpty()); });
    connect(tbSave, &QPushButton::clicked, this, Handled(this, &TdlgGroupItemForm::tbSaveClick));

    DBGrid1 = new QTableView;
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    m_model = new RowSetTableModel(this);
    TFieldDataArray columns(3);
    columns[0].ShowName = QStringLiteral("title");
    columns[0].Hint = QStringLiteral("数据项目名称");
    columns[1].ShowName = QStringLiteral("LowValue");
    columns[1].Hint = QStringLiteral("编号下限");
    columns[2].ShowName = QStringLiteral("HighValue");
    columns[2].Hint = QStringLiteral("编号上限");
    m_model->setFields(columns, &GroupQuery);
    DBGrid1->setModel(m_model);
    SetUpChoiceGrid(*DBGrid1);
    DBGrid1->setColumnWidth(0, 220);
    DBGrid1->setColumnWidth(1, 130);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->installEventFilter(this);
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) { RunHandler([&] { titleClicked(column); }); });
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && GroupQuery.moveTo(current.row()))
                    LoadCurrentRow();
            });

    auto* box = new QGroupBox(QStringLiteral("分组项目定义"));
    auto* grid = new QGridLayout(box);
    name = new QLineEdit;
    name->setObjectName(QStringLiteral("name"));
    name->setMaxLength(255);
    auto symbolBox = [this](const char* objectName, const TMenuItemDataArray* list) {
        auto* edit = new QLineEdit;
        edit->setObjectName(QString::fromLatin1(objectName));
        edit->setReadOnly(true);
        edit->setFixedWidth(64);
        QAction* drop = edit->addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
        drop->setObjectName(QString::fromLatin1(objectName) + QStringLiteral("Button"));
        connect(drop, &QAction::triggered, this, [edit, list] { ShowCodePicker(edit, *list); });
        for (QToolButton* b : edit->findChildren<QToolButton*>())
            b->setFocusPolicy(Qt::NoFocus);
        return edit;
    };
    LeftSymbol = symbolBox("LeftSymbol", &m_lowSymbols);
    RightSymbol = symbolBox("RightSymbol", &m_highSymbols);
    auto boundEdit = [](const char* objectName) {
        auto* edit = new NumericEdit;
        edit->setObjectName(QString::fromLatin1(objectName));
        edit->setThousandsSeparators(false);
        edit->setMaximum(99999999999999.0);
        edit->setMaxLength(14);
        edit->setFixedWidth(140);
        return edit;
    };
    LowBoundary = boundEdit("LowBoundary");
    HighBoundary = boundEdit("HighBoundary");
    grid->addWidget(new QLabel(QStringLiteral("数据项目名称：")), 0, 0);
    grid->addWidget(name, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("编号下限：")), 1, 0);
    grid->addWidget(LeftSymbol, 1, 1);
    grid->addWidget(LowBoundary, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("编号上限：")), 2, 0);
    grid->addWidget(RightSymbol, 2, 1);
    grid->addWidget(HighBoundary, 2, 2);
    grid->setColumnStretch(3, 1);
    for (QLineEdit* e : {name, static_cast<QLineEdit*>(LowBoundary), static_cast<QLineEdit*>(HighBoundary)})
        connect(e, &QLineEdit::textChanged, this, &TdlgGroupItemForm::updateActions);

    tbAdd = new QPushButton(QStringLiteral("增  加"));
    tbAdd->setObjectName(QStringLiteral("tbAdd"));
    tbEdit = new QPushButton(QStringLiteral("修  改"));
    tbEdit->setObjectName(QStringLiteral("tbEdit"));
    tbRemove = new QPushButton(QStringLiteral("除  去"));
    tbRemove->setObjectName(QStringLiteral("tbRemove"));
    tbReturn = new QPushButton(QStringLiteral("返  回"));
    tbReturn->setObjectName(QStringLiteral("tbReturn"));
    connect(tbAdd, &QPushButton::clicked, this, Handled(this, &TdlgGroupItemForm::tbAddClick));
    connect(tbEdit, &QPushButton::clicked, this, Handled(this, &TdlgGroupItemForm::tbEditClick));
    connect(tbRemove, &QPushButton::clicked, this, Handled(this, &TdlgGroupItemForm::tbRemoveClick));
    connect(tbReturn, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = NewButtonRow({tbAdd, tbEdit, tbRemove, tbReturn});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(box);
    layout->addLayout(buttons);
    resize(560, 480);
}

QPushButton* TdlgGroupItemForm::button(const QString& objectName) const
{
    return findChild<QPushButton*>(objectName);
}

void TdlgGroupItemForm::setGroup(qint64 groupId, const QString& groupName)
{
    m_groupId = groupId;
    GroupName->setText(groupName);
}

void TdlgGroupItemForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    m_sortState = 1;
    m_lastSorted = -1;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        m_model->column(c).title = m_model->column(c).caption;
        m_model->column(c).titleColor = QColor();
    }
    LeftSymbol->setText(FindCodeName(m_lowSymbols, 2));
    SetEditTag(LeftSymbol, 2);
    RightSymbol->setText(FindCodeName(m_highSymbols, 1));
    SetEditTag(RightSymbol, 1);
    GroupQuery.setSource(&SysConnection(), GroupItemListSql(m_groupId));
    GroupQuery.requery();
    m_model->reload();
    GroupQuery.first();
    SelectCurrentRow(*DBGrid1, GroupQuery);
    LoadCurrentRow();
    refreshRemoveEdit();
    tbSave->setEnabled(false);
    updateActions();
}

void TdlgGroupItemForm::LoadCurrentRow()
{
    if (!GroupQuery.isOpen() || GroupQuery.isEmpty() || GroupQuery.position() < 0)
        return;
    name->setText(GroupQuery.text(QStringLiteral("Title")));
    LowBoundary->setValue(GroupQuery.toDouble(QStringLiteral("LowBoundary")));
    HighBoundary->setValue(GroupQuery.toDouble(QStringLiteral("HighBoundary")));
    LeftSymbol->setText(GroupQuery.text(QStringLiteral("LowSymbol")));
    SetEditTag(LeftSymbol, FindCodeValue(m_lowSymbols, LeftSymbol->text()));
    RightSymbol->setText(GroupQuery.text(QStringLiteral("HighSymbol")));
    SetEditTag(RightSymbol, FindCodeValue(m_highSymbols, RightSymbol->text()));
}

void TdlgGroupItemForm::refreshRemoveEdit()
{
    const bool rows = GroupQuery.isOpen() && !GroupQuery.isEmpty();
    tbRemove->setEnabled(rows);
    tbEdit->setEnabled(rows);
}

// The add action's rule: a title and a lower bound below the upper one.
void TdlgGroupItemForm::updateActions()
{
    if (!name->text().isEmpty() && LowBoundary->intValue() < HighBoundary->intValue()) {
        tbAdd->setEnabled(true);
        tbEdit->setEnabled(GroupQuery.isOpen() && !GroupQuery.isEmpty());
        tbRemove->setEnabled(tbEdit->isEnabled());
    } else {
        tbAdd->setEnabled(false);
        tbEdit->setEnabled(false);
    }
}

void TdlgGroupItemForm::tbAddClick()
{
    saveItem(true);
}

void TdlgGroupItemForm::tbEditClick()
{
    if (GroupQuery.isEmpty())
        return;
    saveItem(false);
}

void TdlgGroupItemForm::saveItem(bool append)
{
    GroupItem item;
    item.id = append ? 0 : GroupQuery.toInt(QStringLiteral("id"));
    item.groupId = m_groupId;
    item.title = name->text();
    item.low = LowBoundary->intValue();
    item.high = HighBoundary->intValue();
    item.lowSymbol = LeftSymbol->text();
    item.highSymbol = RightSymbol->text();
    const QString problem = GroupItemProblem(item);
    if (!problem.isEmpty()) {
        CurrentPrompter().message(problem);
        return;
    }
    const qint64 id = SaveGroupItem(SysConnection(), item);
    GroupQuery.requery();
    m_model->reload();
    if (!GroupQuery.locate(QStringLiteral("id"), id))
        GroupQuery.first();
    SelectCurrentRow(*DBGrid1, GroupQuery);
    refreshRemoveEdit();
    updateActions();
}

void TdlgGroupItemForm::tbRemoveClick()
{
    if (GroupQuery.isEmpty())
        return;
    if (CurrentPrompter().question(QStringLiteral("数据将被彻底删除，确认么？"), ButtonYes | ButtonNo) != AnswerYes)
        return;
    const int place = GroupQuery.position();
    RemoveGroupItem(SysConnection(), GroupQuery.toInt(QStringLiteral("id")));
    GroupQuery.requery();
    m_model->reload();
    if (!GroupQuery.moveTo(qMin(place, GroupQuery.recordCount() - 1)))
        GroupQuery.first();
    SelectCurrentRow(*DBGrid1, GroupQuery);
    refreshRemoveEdit();
    updateActions();
}

void TdlgGroupItemForm::tbSaveClick()
{
    if (GroupName->text().isEmpty())
        return;
    RenameGrouping(SysConnection(), m_groupId, GroupName->text());
    if (groupRenamed)
        groupRenamed();
}

void TdlgGroupItemForm::titleClicked(int column)
{
    if (!GroupQuery.isOpen())
        return;
    SortByColumnTitle(*m_model, column, m_sortState, m_lastSorted);
    SelectCurrentRow(*DBGrid1, GroupQuery);
    StoreGroupOrder(SysConnection(), m_groupId, GroupQuery.sortSpec());
}

bool TdlgGroupItemForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBGrid1 && event->type() == QEvent::KeyRelease
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete && !static_cast<QKeyEvent*>(event)->isAutoRepeat())
        tbRemoveClick();
    return QDialog::eventFilter(watched, event);
}
