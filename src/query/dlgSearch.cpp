#include "query/dlgSearch.h"

#include "query/QueryConditions.h"
#include "query/QueryControls.h"
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
    lc1 = NewPickerBox(group, QStringLiteral("lc1"), OperatorList(), 1);
    number1 = NewDigitBox(group, QStringLiteral("number1"), 14);
    lc2 = NewPickerBox(group, QStringLiteral("lc2"), ConnectorList(), 1);
    lc3 = NewPickerBox(group, QStringLiteral("lc3"), OperatorList(), 1);
    number2 = NewDigitBox(group, QStringLiteral("number2"), 14);
    for (QLineEdit* n : {number1, number2})
        n->setFixedWidth(130);
    auto* row = new QHBoxLayout(group);
    for (QWidget* w : {static_cast<QWidget*>(lc1), static_cast<QWidget*>(number1), static_cast<QWidget*>(lc2),
                       static_cast<QWidget*>(lc3), static_cast<QWidget*>(number2)})
        row->addWidget(w);

    auto* find = new QPushButton(QStringLiteral("查  找"), this);
    find->setObjectName(QStringLiteral("btnFind"));
    find->setDefault(true);
    auto* back = new QPushButton(QStringLiteral("返  回"), this);
    back->setObjectName(QStringLiteral("btnReturn"));
    connect(find, &QPushButton::clicked, this, [this] { SearchByCodeRange(); });
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(find);
    buttons->addWidget(back);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
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
