#include "widgets/QuestionDialog.h"

#include "widgets/Prompter.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

namespace {
constexpr int kToolBarWidth = 297;
constexpr int kToolBarHeight = 26;
constexpr int kSpacer = 8;

QPointer<TQuestionDlg>& current()
{
    static QPointer<TQuestionDlg> dialog;
    return dialog;
}
} // namespace

TQuestionDlg::TQuestionDlg(const QString& question, int buttons, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("提示信息"));
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(13);
    setFont(font);
    int textLeft = 12;
    if (buttons & QuestionIcon) {
        auto* icon = new QLabel(this);
        icon->setObjectName(QStringLiteral("QuestionIcon"));
        icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
        icon->setGeometry(12, 12, 32, 32);
        textLeft = 56;
    }
    Question = new QLabel(question, this);
    Question->move(textLeft, 12);
    Question->adjustSize();
    // A short question still leaves the icon its height.
    if (buttons & QuestionIcon && Question->height() < 32)
        Question->setFixedHeight(32);
    DlgToolBar = new QWidget(this);
    auto make = [this](const QString& text, int width, int code, bool shown) {
        auto* b = new QToolButton(DlgToolBar);
        b->setText(text);
        b->setFixedSize(width, kToolBarHeight - 2);
        b->setVisible(shown);
        b->setProperty("answer", code);
        connect(b, &QToolButton::clicked, this, [this, code] {
            m_answer = code;
            accept();
        });
        return b;
    };
    tbOK = make(QStringLiteral("是"), 60, 6, buttons & 1);
    tbCopyAll = make(QStringLiteral("全都是"), 70, 10, buttons & 4);
    tbCancel = make(QStringLiteral("否"), 60, 7, buttons & 2);
    tbNotToAll = make(QStringLiteral("全都否"), 70, 9, buttons & 8);
    layOut();
}

int TQuestionDlg::toolBarWidth() const
{
    return DlgToolBar->width();
}

QToolButton* TQuestionDlg::button(int answerCode) const
{
    for (QToolButton* b : {tbOK, tbCopyAll, tbCancel, tbNotToAll})
        if (b->property("answer").toInt() == answerCode)
            return b;
    return nullptr;
}

void TQuestionDlg::layOut()
{
    // The bar is as wide as all four buttons and their spacers; each hidden button takes its
    // width off, the spacers stay.
    int width = kToolBarWidth;
    int x = 0;
    for (QToolButton* b : {tbOK, tbCopyAll, tbCancel, tbNotToAll}) {
        if (b->isHidden()) {
            width -= b->width();
        } else {
            b->move(x, 1);
            x += b->width();
        }
        x += kSpacer;
    }
    DlgToolBar->resize(width, kToolBarHeight);
    const QRect label = Question->geometry();
    const int clientWidth = qMax(label.right() + 1 + 25, int(1.5 * width));
    const int clientHeight = int(1.5 * kToolBarHeight) + label.bottom() + 1;
    setFixedSize(clientWidth, clientHeight);
    DlgToolBar->move(clientWidth - width, clientHeight - kToolBarHeight);
}

void TQuestionDlg::showEvent(QShowEvent* event)
{
    layOut();
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

int AskQuestion(const QString& question, int buttons)
{
    delete current().data();
    auto* dialog = new TQuestionDlg(question, buttons, QApplication::activeWindow());
    current() = dialog;
    dialog->exec();
    const int answer = dialog->answer();
    return answer;
}

TQuestionDlg* CurrentQuestionDialog()
{
    return current().data();
}
