#include "logic/ProgressBar2Line.h"

#include "logic/ProgressEstimate.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int kWidth = 416;
constexpr int kHeight = 110;
constexpr int kStoppableHeight = 146;

QProgressBar* NewBar(const QString& title, int top, QWidget* parent)
{
    auto* label = new QLabel(title, parent);
    label->setGeometry(8, top, 400, 18);
    auto* bar = new QProgressBar(parent);
    bar->setGeometry(8, top + 20, 400, 18);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

} // namespace

TProgressBar2LineForm::TProgressBar2LineForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("操作进度指示"));
    setFixedSize(kWidth, kHeight);
    setFont(QFont(QStringLiteral("宋体")));
    FirstBar = NewBar(QStringLiteral("总进度："), 8, this);
    SecondBar = NewBar(QStringLiteral("当前任务进度："), 60, this);
    StopButton = new QPushButton(QStringLiteral("停  止"), this);
    StopButton->setGeometry(kWidth - 8 - 90, kHeight + 4, 90, 28);
    StopButton->hide();
    connect(StopButton, &QPushButton::clicked, this, [this] {
        m_stopRequested = true;
        StopButton->setEnabled(false);
    });
}

void TProgressBar2LineForm::ShowStoppable()
{
    hide();
    m_stopRequested = false;
    setFixedSize(kWidth, kStoppableHeight);
    setWindowModality(Qt::ApplicationModal);
    StopButton->setEnabled(true);
    StopButton->show();
    show();
    StopButton->setFocus();
}

void TProgressBar2LineForm::closeEvent(QCloseEvent* event)
{
    // The close box of a run that can be stopped stops it; the run hides the window when it ends.
    if (StopButton->isVisible() && StopButton->isEnabled())
        StopButton->click();
    event->ignore();
}

void TProgressBar2LineForm::hideEvent(QHideEvent* event)
{
    StopButton->hide();
    setWindowModality(Qt::NonModal);
    setFixedSize(kWidth, kHeight);
    QDialog::hideEvent(event);
}

void TProgressBar2LineForm::InitFirst(int total)
{
    m_first = {total, 0};
    ShowCount(FirstBar, m_first);
}

void TProgressBar2LineForm::InitSecond(int total)
{
    m_second = {total, 0};
    ShowCount(SecondBar, m_second);
}

void TProgressBar2LineForm::IncFirst()
{
    if (m_first.done < m_first.total)
        ++m_first.done;
    ShowCount(FirstBar, m_first);
}

void TProgressBar2LineForm::IncSecond()
{
    if (m_second.done < m_second.total)
        ++m_second.done;
    ShowCount(SecondBar, m_second);
}

void TProgressBar2LineForm::ShowCount(QProgressBar* bar, const Count& count)
{
    bar->setValue(ProgressPercent(count.done, count.total));
    // The summary's loops keep the thread busy: paint now, not when events are next handled.
    repaint();
}

void TProgressBar2LineForm::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TProgressBar2LineForm::keyPressEvent(QKeyEvent* event)
{
    // No close button, and no Esc either: the operation hides the window when it ends.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

TProgressBar2LineForm& ProgressBar2LineForm()
{
    // Lives until the program ends; the summary only shows and hides it.
    static auto* form = new TProgressBar2LineForm;
    return *form;
}
