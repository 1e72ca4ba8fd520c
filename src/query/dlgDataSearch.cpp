#include "query/dlgDataSearch.h"

#include "query/DataSearchCode.h"
#include "query/QueryConditions.h"
#include "query/QueryControls.h"
#include "widgets/Application.h"
#include "widgets/CodePicker.h"
#include "widgets/Prompter.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

TdlgDataSearchForm::TdlgDataSearchForm(EditorProvider editor, std::function<void()> refreshList, QWidget* parent)
    : QDialog(parent), m_editor(std::move(editor)), m_refreshList(std::move(refreshList))
{
    setWindowTitle(QStringLiteral("指标查询"));
    setObjectName(QStringLiteral("dlgDataSearch"));
    auto* group = new QGroupBox(QStringLiteral("指标范围"), this);
    DataField = new QLineEdit(group);
    DataField->setObjectName(QStringLiteral("DataField"));
    DataField->setReadOnly(true);
    DataField->setFixedWidth(90);
    QAction* pick = DataField->addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    pick->setObjectName(QStringLiteral("DataFieldButton"));
    connect(pick, &QAction::triggered, this, [this] { chooseIndicator(); });
    for (QToolButton* b : DataField->findChildren<QToolButton*>())
        b->setFocusPolicy(Qt::NoFocus);
    // The operators start unset: a comparison counts only when its operator is chosen.
    const ComparisonStyle style{0, PickerEmpty::Allowed, 15, 110};
    NewComparisonBoxes(group, style, lc1, QStringLiteral("lc1"), Number1, QStringLiteral("Number1"));
    NewComparisonBoxes(group, style, lc3, QStringLiteral("lc3"), Number2, QStringLiteral("Number2"));
    auto* row = new QHBoxLayout(group);
    row->addWidget(new QLabel(QStringLiteral("指标"), group));
    row->addWidget(DataField);
    row->addWidget(new QLabel(QStringLiteral("的范围："), group));
    row->addWidget(lc1);
    row->addWidget(Number1);
    row->addWidget(new QLabel(QStringLiteral("且"), group));
    row->addWidget(lc3);
    row->addWidget(Number2);

    connect(LayOutSearchDialog(this, group, QStringLiteral("查  找"), QStringLiteral("btnFind")), &QPushButton::clicked,
            this, Handled([this] { QueryByIndicator(); }));
    Number1->setFocus(); // the user types at once
}

void TdlgDataSearchForm::chooseIndicator()
{
    const QString field = PickIndicator(this);
    if (!field.isEmpty())
        DataField->setText(field);
}

QString TdlgDataSearchForm::condition() const
{
    return IndicatorCondition(DataField->text(), {EditTag(lc1), Number1->text()}, {EditTag(lc3), Number2->text()});
}

void TdlgDataSearchForm::QueryByIndicator()
{
    if (DataField->text().trimmed().isEmpty()) {
        CurrentPrompter().message(QStringLiteral("请选择指标"));
        DataField->setFocus();
        return;
    }
    if (Number1->text().trimmed().isEmpty() && Number2->text().trimmed().isEmpty()) {
        CurrentPrompter().message(QStringLiteral("请至少输入一个条件"));
        Number1->setFocus();
        return;
    }
    // A comparison needs both its operator and its value; one without the other is named
    // plainly instead of reaching the engine as a broken statement.
    const struct {
        QLineEdit* op;
        QLineEdit* value;
    } parts[] = {{lc1, Number1}, {lc3, Number2}};
    for (const auto& part : parts) {
        switch (IndicatorComparisonGap({EditTag(part.op), part.value->text()})) {
        case ComparisonGap::NoValue:
            CurrentPrompter().message(QStringLiteral("请输入与比较符对应的数值"));
            part.value->setFocus();
            return;
        case ComparisonGap::NoOperator:
            CurrentPrompter().message(QStringLiteral("请为输入的数值选择比较符"));
            part.op->setFocus();
            return;
        case ComparisonGap::None:
            break;
        }
    }
    ShowResultList(condition(), m_editor, this);
    if (m_refreshList)
        m_refreshList();
}
