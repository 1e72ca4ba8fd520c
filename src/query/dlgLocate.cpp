#include "query/dlgLocate.h"

#include "base/Environment.h"
#include "base/InputMethods.h"
#include "db/DbError.h"
#include "db/RowSet.h"
#include "db/WorkingDatabase.h"
#include "entry/MVValidEdit.h"
#include "query/QueryConditions.h"
#include "query/QueryControls.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
const QString kNotFound = QStringLiteral("没有找到满足条件的数据");
}

TdlgLocateForm::TdlgLocateForm(RowSet* list, std::function<void()> moved, QWidget* parent)
    : QDialog(parent), m_list(list), m_moved(std::move(moved))
{
    setWindowTitle(QStringLiteral("定位数据记录"));
    setObjectName(QStringLiteral("dlgLocate"));
    auto* group = new QGroupBox(this);
    rad901 = new QRadioButton(QStringLiteral("按编号定位（精确匹配）"), group);
    rad901->setObjectName(QStringLiteral("rad901"));
    rad902 = new QRadioButton(QStringLiteral("按名称定位（模糊匹配）"), group);
    rad902->setObjectName(QStringLiteral("rad902"));
    rad901->setChecked(true);
    c901 = NewDigitBox(group, QStringLiteral("c901"), 12);
    c902 = new TMVValidEdit(group);
    c902->setObjectName(QStringLiteral("c902"));
    c902->setCheckType(tcForbid);
    c902->setForbidChars(QStringLiteral("'\"`"));
    c902->setByteLimit(60);
    c902->installEventFilter(this);
    for (QLineEdit* box : {c901, static_cast<QLineEdit*>(c902)})
        box->setMinimumWidth(240);
    connect(c901, &QLineEdit::textEdited, this, [this] { rad901->setChecked(true); });
    connect(c902, &QLineEdit::textEdited, this, [this] { rad902->setChecked(true); });
    auto* grid = new QGridLayout(group);
    grid->addWidget(rad901, 0, 0);
    grid->addWidget(c901, 0, 1);
    grid->addWidget(rad902, 1, 0);
    grid->addWidget(c902, 1, 1);

    connect(LayOutSearchDialog(this, group, QStringLiteral("定  位"), QStringLiteral("btnLocate")),
            &QPushButton::clicked, this, Handled([this] { LocateByCodeOrName(); }));
    c901->setFocus(); // the user types at once
}

bool TdlgLocateForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == c902 && event->type() == QEvent::FocusIn)
        SwitchInputMethod(Environment().preferredInputMethod);
    return QDialog::eventFilter(watched, event);
}

bool TdlgLocateForm::locateCode(const QVariant& code)
{
    if (!m_list || !m_list->isOpen() || !m_list->locate(QStringLiteral("c901"), code))
        return false;
    if (m_moved)
        m_moved();
    return true;
}

void TdlgLocateForm::LocateByCodeOrName()
{
    QVariant code;
    if (rad901->isChecked()) {
        // A blank box counts as 0.
        code = QVariant(c901->text().trimmed().toLongLong());
    } else {
        try {
            code = FindCodeByName(SysConnection(), c902->text());
        } catch (const DbError& e) {
            ShowRunError(e.message());
            return;
        }
        if (!code.isValid()) {
            CurrentPrompter().message(kNotFound);
            return;
        }
    }
    if (locateCode(code))
        accept();
    else
        CurrentPrompter().message(kNotFound);
}
