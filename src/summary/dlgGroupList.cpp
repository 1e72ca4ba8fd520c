#include "summary/dlgGroupList.h"

#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "summary/GroupExchangeUi.h"
#include "summary/Grouping.h"
#include "summary/dlgGroupItem.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"
#include "widgets/RecordGrid.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QShowEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// Database errors of a button end its work with the general message; the dialog goes on.
template <typename Work>
void guarded(Work work)
{
    try {
        work();
    } catch (const DbError& e) {
        ShowRunError(e.message(), QStringLiteral(",请与软件发行者联系。"));
    }
}
} // namespace

TdlgGroupListForm::TdlgGroupListForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("自定义分组列表"));
    runItemForm = [](TdlgGroupItemForm& form) { form.exec(); };
    auto* bar = new QHBoxLayout;
    const struct {
        const char* name;
        const char* caption;
        void (TdlgGroupListForm::*click)();
    } buttons[] = {
        {"tbAdd", "增  加", &TdlgGroupListForm::tbAddClick},
        {"tbRemove", "除  去", &TdlgGroupListForm::tbRemoveClick},
        {"tbEdit", "修  改", &TdlgGroupListForm::tbEditClick},
        {"btnImport", "导  入", &TdlgGroupListForm::btnImportClick},
        {"btnExport", "导  出", &TdlgGroupListForm::btnExportClick},
        {"btnReturn", "返  回", nullptr},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption));
        button->setObjectName(QString::fromLatin1(b.name));
        button->setAutoDefault(false);
        if (b.click)
            connect(button, &QPushButton::clicked, this, Handled([this, click = b.click] { guarded([&] { (this->*click)(); }); }));
        else
            connect(button, &QPushButton::clicked, this, &QDialog::accept);
        bar->addWidget(button);
    }
    bar->addStretch(1);

    DBGrid1 = new QTableView;
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    m_model = new RowSetTableModel(this);
    TFieldDataArray columns(1);
    columns[0].ShowName = QStringLiteral("Name");
    columns[0].Hint = QStringLiteral("名称");
    m_model->setFields(columns, &GroupQuery);
    DBGrid1->setModel(m_model);
    SetUpChoiceGrid(*DBGrid1);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    GroupQuery.moveTo(current.row());
            });
    connect(DBGrid1, &QTableView::doubleClicked, this, Handled([this] {
                if (!GroupQuery.isEmpty())
                    guarded([this] { tbEditClick(); });
            }));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(DBGrid1, 1);
    resize(520, 360);
}

QPushButton* TdlgGroupListForm::button(const QString& objectName) const
{
    return findChild<QPushButton*>(objectName);
}

void TdlgGroupListForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    guarded([this] {
        GroupQuery.setSource(&SysConnection(), QStringLiteral("SELECT ID, Name,orderstr FROM ct_group;"));
        GroupQuery.setKeyColumn(QStringLiteral("ID"));
        GroupQuery.requery();
        m_model->reload();
        GroupQuery.first();
        SelectCurrentRow(*DBGrid1, GroupQuery);
    });
    refreshRemoveEdit();
}

void TdlgGroupListForm::RefreshGroups()
{
    if (!GroupQuery.isOpen()) {
        GroupQuery.setSource(&SysConnection(), QStringLiteral("SELECT ID, Name,orderstr FROM ct_group;"));
        GroupQuery.setKeyColumn(QStringLiteral("ID"));
    }
    RefreshKeepingPosition(*DBGrid1, *m_model);
    refreshRemoveEdit();
}

void TdlgGroupListForm::refreshRemoveEdit()
{
    const bool rows = GroupQuery.isOpen() && !GroupQuery.isEmpty();
    button(QStringLiteral("tbRemove"))->setEnabled(rows);
    button(QStringLiteral("tbEdit"))->setEnabled(rows);
}

void TdlgGroupListForm::tbAddClick()
{
    QString name;
    do {
        name.clear();
        if (!CurrentPrompter().inputText(QStringLiteral("自定义分组"), QStringLiteral("输入本种分组方式的名称"), &name, 255))
            return;
    } while (name.isEmpty());
    const qint64 id = CreateGrouping(SysConnection(), name);
    RefreshGroups();
    GroupQuery.locate(QStringLiteral("ID"), id);
    SelectCurrentRow(*DBGrid1, GroupQuery);
    openItems(id, name);
    refreshRemoveEdit();
}

void TdlgGroupListForm::tbEditClick()
{
    if (GroupQuery.isEmpty() || GroupQuery.position() < 0)
        return;
    openItems(GroupQuery.toInt(QStringLiteral("ID")), GroupQuery.text(QStringLiteral("Name")));
}

void TdlgGroupListForm::openItems(qint64 groupId, const QString& name)
{
    TdlgGroupItemForm form(this);
    form.setGroup(groupId, name);
    form.groupRenamed = [this] { RefreshGroups(); };
    runItemForm(form);
}

void TdlgGroupListForm::tbRemoveClick()
{
    if (GroupQuery.isEmpty() || GroupQuery.position() < 0)
        return;
    if (CurrentPrompter().question(QStringLiteral("数据将被彻底删除，确认么？"), ButtonYes | ButtonNo) != AnswerYes)
        return;
    RemoveGrouping(SysConnection(), GroupQuery.toInt(QStringLiteral("ID")));
    RefreshGroups();
}

void TdlgGroupListForm::btnImportClick()
{
    ImportGroupingTablesUi(SysConnection(), groupingTables);
    RefreshGroups();
}

void TdlgGroupListForm::btnExportClick()
{
    ExportGroupingTablesUi(CurrentDatabasePath, groupingTables);
}
