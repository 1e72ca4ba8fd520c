#include "query/QueryControls.h"

#include "query/QueryConditions.h"
#include "widgets/CodePicker.h"

#include <QAction>
#include <QBoxLayout>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QToolButton>

namespace {
// The keys of a picker box: F4 and Alt+Down open its list, as they open a drop-down list;
// Delete and Backspace empty a box that may be empty.
class PickerKeys : public QObject {
public:
    PickerKeys(QLineEdit* box, std::function<void()> open, bool emptiable)
        : QObject(box), m_open(std::move(open)), m_emptiable(emptiable)
    {
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool altDown = key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier);
        if (key->key() == Qt::Key_F4 || altDown) {
            m_open();
            return true;
        }
        if (m_emptiable && (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace)) {
            auto* box = static_cast<QLineEdit*>(watched);
            box->clear();
            SetEditTag(box, 0);
            return true;
        }
        return false;
    }

private:
    std::function<void()> m_open;
    bool m_emptiable;
};
} // namespace

QString EmptyPickerCaption()
{
    return QStringLiteral("（无）");
}

QLineEdit* NewPickerBox(QWidget* parent, const QString& name, const TMenuItemDataArray& codes, int firstCode,
                        PickerEmpty empty)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFixedWidth(64);
    box->setAlignment(Qt::AlignCenter);
    const bool emptiable = empty == PickerEmpty::Allowed;
    TMenuItemDataArray shown = codes;
    if (emptiable)
        shown.prepend(TCode{0, EmptyPickerCaption()});
    // The empty entry leaves the box without text.
    const auto open = [box, shown] {
        ShowCodePicker(box, shown, [box](const QVariant&, int code) {
            if (code == 0)
                box->clear();
        });
    };
    QAction* drop = box->addAction(parent->style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    drop->setObjectName(name + QStringLiteral("Button"));
    QObject::connect(drop, &QAction::triggered, box, open);
    for (QToolButton* b : box->findChildren<QToolButton*>())
        b->setFocusPolicy(Qt::NoFocus);
    new PickerKeys(box, open, emptiable);
    if (firstCode != 0) {
        box->setText(FindCodeName(codes, firstCode));
        SetEditTag(box, firstCode);
    }
    return box;
}

QLineEdit* NewDigitBox(QWidget* parent, const QString& name, int maxDigits)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(maxDigits)), box));
    return box;
}

void NewComparisonBoxes(QWidget* parent, const ComparisonStyle& style, QLineEdit*& op, const QString& operatorName,
                        QLineEdit*& value, const QString& valueName)
{
    op = NewPickerBox(parent, operatorName, OperatorList(), style.firstOperator, style.empty);
    value = NewDigitBox(parent, valueName, style.maxDigits);
    value->setFixedWidth(style.valueWidth);
}

QPushButton* LayOutSearchDialog(QDialog* dialog, QWidget* group, const QString& caption, const QString& objectName,
                                DefaultButton byDefault)
{
    auto* action = new QPushButton(caption, dialog);
    action->setObjectName(objectName);
    auto* back = new QPushButton(QStringLiteral("返  回"), dialog);
    back->setObjectName(QStringLiteral("btnReturn"));
    (byDefault == DefaultButton::Action ? action : back)->setDefault(true);
    QObject::connect(back, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(action);
    buttons->addWidget(back);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(group);
    layout->addLayout(buttons);
    dialog->setFixedSize(dialog->sizeHint());
    return action;
}
