#include "logic/ProgressBar.h"

#include "logic/ProgressDisplay.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

namespace {

// The small busy sign beside the bar: a ring of dots with one bright dot going round while the
// window shows, so the user sees that the program still works when the bar moves slowly.
class BusyAnimation : public QWidget {
public:
    explicit BusyAnimation(QWidget* parent) : QWidget(parent), m_turn(new QTimer(this))
    {
        m_turn->setInterval(120);
        connect(m_turn, &QTimer::timeout, this, [this] {
            m_step = (m_step + 1) % DotCount;
            update();
        });
    }

protected:
    void showEvent(QShowEvent*) override { m_turn->start(); }
    void hideEvent(QHideEvent*) override { m_turn->stop(); }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(width() / 2.0, height() / 2.0);
        const double radius = qMin(width(), height()) / 2.0 - 3;
        for (int i = 0; i < DotCount; ++i) {
            const bool bright = i == m_step;
            p.setPen(Qt::NoPen);
            p.setBrush(bright ? QColor(0, 90, 190) : QColor(170, 185, 210));
            p.drawEllipse(QPointF(0, -radius), 2.5, 2.5);
            p.rotate(360.0 / DotCount);
        }
    }

private:
    static constexpr int DotCount = 8;
    QTimer* m_turn;
    int m_step = 0;
};

QLabel* NewLabel(const QString& text, const QRect& place, Qt::Alignment alignment, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

} // namespace

TProgressBarForm::TProgressBarForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("处理进度"));
    setFixedSize(463, 78);
    setFont(QFont(QStringLiteral("宋体")));

    ProcessLabel = NewLabel(QStringLiteral("正在处理："), QRect(12, 4, 400, 18), Qt::AlignLeft, this);
    Bar = new QProgressBar(this);
    Bar->setGeometry(12, 24, 400, 18);
    Bar->setRange(0, 100);
    Bar->setValue(0);
    Bar->setTextVisible(false);
    Animation = new BusyAnimation(this);
    Animation->setGeometry(420, 17, 32, 32);
    DoneText = NewLabel(QString(), QRect(12, 50, 200, 18), Qt::AlignLeft, this);
    ToDoText = NewLabel(QString(), QRect(212, 50, 200, 18), Qt::AlignRight, this);
    DoneText->hide();
    ToDoText->hide();
    Display = new ProgressDisplay(Bar, DoneText, ToDoText, this);
}

void TProgressBarForm::StartProgress(int total, int done)
{
    Display->start(total, done);
}

void TProgressBarForm::StepProgress()
{
    Display->step();
    repaint();
}

void TProgressBarForm::StepProgressTo(int done)
{
    Display->stepTo(done);
    repaint();
}

int TProgressBarForm::total() const
{
    return int(Display->total());
}

int TProgressBarForm::done() const
{
    return int(Display->done());
}

int TProgressBarForm::tickCount() const
{
    return Display->tickCount();
}

int TProgressBarForm::estimate() const
{
    return Display->estimate();
}

QTimer* TProgressBarForm::timer() const
{
    return Display->timer();
}

void TProgressBarForm::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TProgressBarForm::hideEvent(QHideEvent* event)
{
    DoneText->hide();
    ToDoText->hide();
    Display->stop();
    QDialog::hideEvent(event);
}

void TProgressBarForm::keyPressEvent(QKeyEvent* event)
{
    // The window has no close button: Esc must not hide it under a running operation either.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void TProgressBarForm::closeEvent(QCloseEvent* event)
{
    // Nor the window manager's close box, which some draw anyway: the operation hides it.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

TProgressBarForm& ProgressBarForm()
{
    // Lives until the program ends; operations only show and hide it.
    static auto* form = new TProgressBarForm;
    return *form;
}
