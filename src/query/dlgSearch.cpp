#include "query/dlgSearch.h"

#include "query/QueryConditions.h"
#include "query/QueryControls.h"
#include "widgets/Application.h"
#include "widgets/CodePicker.h"
#include "widgets/Prompter.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TdlgSearchForm::TdlgSearchForm(EditorProvider editor, std::function<void()> refreshList, QWidget* parent)
    : QDialog(parent), m_editor(std::move(editor)), m_refreshList(std::move(refreshList))
{
    setWindowTitle(QStringLiteral("查询数据"));
    setObjectName(QStringLiteral("dlgSearch"));
    auto* group = new QGroupBox(QStringLiteral("编号范围"), this);
    const ComparisonStyle style{1, PickerEmpty::Refused, 14, 130};
    NewComparisonBoxes(group, style, lc1, QStringLiteral("lc1"), number1, QStringLiteral("number1"));
    lc2 = NewPickerBox(group, QStringLiteral("lc2"), ConnectorList(), 1);
    NewComparisonBoxes(group, style, lc3, QStringLiteral("lc3"), number2, QStringLiteral("number2"));
    auto* row = new QHBoxLayout(group);
    for (QWidget* w : {static_cast<QWidget*>(lc1), static_cast<QWidget*>(number1), static_cast<QWidget*>(lc2),
                       static_cast<QWidget*>(lc3), static_cast<QWidget*>(number2)})
        row->addWidget(w);

    connect(LayOutSearchDialog(this, group, QStringLiteral("查  找"), QStringLiteral("btnFind")), &QPushButton::clicked,
            this, Handled([this] { SearchByCodeRange(); }));
    number1->setFocus(); // the user types at once
}

QString TdlgSearchForm::condition() const
{
    return CodeRangeCondition({EditTag(lc1), number1->text()}, EditTag(lc2), {EditTag(lc3), number2->text()});
}

void TdlgSearchForm::SearchByCodeRange()
{
    const QString c = condition();
    if (c.isEmpty()) {
        CurrentPrompter().message(QStringLiteral("请至少输入一个条件"));
        number1->setFocus();
        return;
    }
    ShowResultList(c, m_editor, this);
    if (m_refreshList)
        m_refreshList();
}
