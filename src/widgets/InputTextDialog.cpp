#include "widgets/InputTextDialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {
int quarters(int n, int unit)
{
    return n * unit / 4;
}
int eighths(int n, int unit)
{
    return n * unit / 8;
}
} // namespace

TInputTextForm::TInputTextForm(const QString& caption, const QString& prompt, const QString& text, int maxLength,
                               QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(caption);
    Prompt = new QLabel(prompt, this);
    Prompt->setTextFormat(Qt::PlainText);
    Prompt->setWordWrap(true);
    Edit = new QLineEdit(this);
    Edit->setMaxLength(maxLength);
    Edit->setText(text);
    Edit->selectAll();
    Prompt->setBuddy(Edit);
    OKButton = new QPushButton(QStringLiteral("确定"), this);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("取消"), this);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    layOut();
    Edit->setFocus();
}

void TInputTextForm::layOut()
{
    const QFontMetrics metrics(font());
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_unitX = qRound(metrics.horizontalAdvance(letters) / 52.0);
    m_unitY = metrics.height();
    const int left = quarters(8, m_unitX);
    const int width = quarters(164, m_unitX);
    Prompt->setGeometry(left, eighths(8, m_unitY), width, Prompt->heightForWidth(width));
    Edit->setGeometry(left, Prompt->geometry().bottom() + 1 + 5, width, Edit->sizeHint().height());
    const int buttonTop = Edit->geometry().bottom() + 1 + 15;
    const QSize button(quarters(50, m_unitX), eighths(14, m_unitY));
    OKButton->setGeometry(QRect(QPoint(quarters(38, m_unitX), buttonTop), button));
    CancelButton->setGeometry(QRect(QPoint(quarters(92, m_unitX), buttonTop), button));
    setFixedSize(quarters(180, m_unitX), OKButton->geometry().bottom() + 1 + 13);
}

void TInputTextForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

bool InputTextDialog(const QString& caption, const QString& prompt, QString* text, int maxLength)
{
    TInputTextForm box(caption, prompt, *text, maxLength, QApplication::activeWindow());
    if (box.exec() != QDialog::Accepted)
        return false;
    *text = box.edit()->text();
    return true;
}
