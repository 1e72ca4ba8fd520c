#include "query/dlgDelete.h"

#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "query/QueryConditions.h"
#include "query/QueryControls.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"
#include "widgets/RecordGrid.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TdlgDeleteForm::TdlgDeleteForm(QTableView* grid, RowSetTableModel* model, std::function<void()> requery, QWidget* parent)
    : QDialog(parent), m_grid(grid), m_model(model), m_requery(std::move(requery))
{
    setWindowTitle(QStringLiteral("选择删除的方式"));
    setObjectName(QStringLiteral("dlgDelete"));
    auto* group = new QGroupBox(QStringLiteral("删除的内容"), this);
    Selected = new QRadioButton(QStringLiteral("选中的数据"), group);
    Selected->setObjectName(QStringLiteral("Selected"));
    AllRecord = new QRadioButton(QStringLiteral("所有的数据"), group);
    AllRecord->setObjectName(QStringLiteral("AllRecord"));
    Range = new QRadioButton(QStringLiteral("指定单位编号的范围"), group);
    Range->setObjectName(QStringLiteral("Range"));
    Selected->setChecked(true);
    c901_1 = NewDigitBox(group, QStringLiteral("c901_1"), 12);
    c901_2 = NewDigitBox(group, QStringLiteral("c901_2"), 12);
    for (QLineEdit* box : {c901_1, c901_2}) {
        box->setFixedWidth(120);
        connect(box, &QLineEdit::textEdited, this, [this] { Range->setChecked(true); });
    }
    auto* choices = new QGridLayout(group);
    choices->addWidget(Selected, 0, 0, 1, 5);
    choices->addWidget(AllRecord, 1, 0, 1, 5);
    choices->addWidget(Range, 2, 0, 1, 5);
    choices->addWidget(new QLabel(QStringLiteral("从"), group), 3, 1);
    choices->addWidget(c901_1, 3, 2);
    choices->addWidget(new QLabel(QStringLiteral("到"), group), 3, 3);
    choices->addWidget(c901_2, 3, 4);
    choices->setColumnMinimumWidth(0, 16);

    // Going back is the default: Enter never deletes.
    connect(LayOutSearchDialog(this, group, QStringLiteral("删  除"), QStringLiteral("btnDelete"), DefaultButton::Back),
            &QPushButton::clicked, this, Handled([this] { DeleteByChoice(); }));
}

bool TdlgDeleteForm::confirmed()
{
    return CurrentPrompter().captionedQuestion(QStringLiteral("警告信息"), QStringLiteral("删除操作将不可恢复，您确认继续么？"))
        == AnswerYes;
}

void TdlgDeleteForm::DeleteByChoice()
{
    try {
        if (Selected->isChecked()) {
            if (!m_grid || !m_model || !m_model->rowSet() || !m_model->rowSet()->isOpen())
                return;
            DeleteSelectedRecords(*m_grid, *m_model, SysConnection(), QStringLiteral("dt_data"), QStringLiteral("c901"));
        } else if (AllRecord->isChecked()) {
            if (!confirmed())
                return;
            SysConnection().execute(AllReturnsDeleteSql());
        } else {
            for (QLineEdit* box : {c901_1, c901_2})
                if (box->text().trimmed().isEmpty())
                    box->setText(QStringLiteral("0"));
            const CodeRange range = ReadCodeRange(c901_1->text(), c901_2->text());
            if (!range.valid()) {
                CurrentPrompter().message(QStringLiteral("请输入删除的范围"));
                return;
            }
            if (range.to != c901_2->text().toDouble())
                c901_2->setText(c901_1->text());
            if (!confirmed())
                return;
            SysConnection().execute(RangeDeleteSql(range));
        }
    } catch (const DbError& e) {
        ShowRunError(e.message());
        return;
    }
    if (m_requery)
        m_requery();
}
