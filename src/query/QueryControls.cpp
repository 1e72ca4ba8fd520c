#include "query/QueryControls.h"

#include "widgets/CodePicker.h"

#include <QAction>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QToolButton>

QLineEdit* NewPickerBox(QWidget* parent, const QString& name, const TMenuItemDataArray& codes, int firstCode)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFixedWidth(64);
    box->setAlignment(Qt::AlignCenter);
    QAction* drop = box->addAction(parent->style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    drop->setObjectName(name + QStringLiteral("Button"));
    QObject::connect(drop, &QAction::triggered, box, [box, codes] { ShowCodePicker(box, codes); });
    for (QToolButton* b : box->findChildren<QToolButton*>())
        b->setFocusPolicy(Qt::NoFocus);
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
