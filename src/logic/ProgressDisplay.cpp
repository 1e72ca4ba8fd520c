#include "logic/ProgressDisplay.h"

#include "logic/ProgressEstimate.h"

#include <QBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

ProgressDisplay::ProgressDisplay(QProgressBar* bar, QLabel* doneText, QLabel* toDoText, QObject* parent)
    : QObject(parent), m_bar(bar), m_doneText(doneText), m_toDoText(toDoText), m_timer(new QTimer(this))
{
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_timer->setInterval(ProgressTickMilliseconds);
    connect(m_timer, &QTimer::timeout, this, &ProgressDisplay::tick);
}

void ProgressDisplay::start(qint64 total, qint64 done)
{
    m_total = total;
    m_done = done;
    m_bar->setValue(ProgressPercent(int(m_done), int(m_total)));
    const ProgressTexts texts = ProgressCountTexts(int(m_done), int(m_total));
    m_doneText->setText(texts.done);
    m_toDoText->setText(texts.toDo);
    m_doneText->show();
    m_toDoText->show();
    m_ticks = 0;
    m_estimate = -1;
    m_timer->start();
}

void ProgressDisplay::step()
{
    // The bar cannot be fuller than full.
    if (m_done < m_total)
        ++m_done;
    m_bar->setValue(ProgressPercent(int(m_done), int(m_total)));
    if (m_done >= m_total) {
        m_timer->stop();
        // The timer shows the counts only every 100 ms: the end shows its own, "待完成 0".
        const ProgressTick t = ProgressAfterTick(m_ticks, int(m_done), int(m_total), m_estimate);
        m_doneText->setText(t.texts.done);
        m_toDoText->setText(t.texts.toDo);
    }
}

void ProgressDisplay::stepTo(qint64 done)
{
    m_done = qBound<qint64>(m_done, done, m_total);
    m_bar->setValue(ProgressPercent(int(m_done), int(m_total)));
    if (m_done >= m_total)
        m_timer->stop();
}

void ProgressDisplay::pause()
{
    m_timer->stop();
}

void ProgressDisplay::resume()
{
    if (m_done < m_total)
        m_timer->start();
}

void ProgressDisplay::stop()
{
    m_timer->stop();
}

void ProgressDisplay::tick()
{
    ++m_ticks;
    const ProgressTick t = ProgressAfterTick(m_ticks, int(m_done), int(m_total), m_estimate);
    m_estimate = t.estimate;
    m_doneText->setText(t.texts.done);
    m_toDoText->setText(t.texts.toDo);
}

ProgressDisplay* ProgressDisplay::addTo(QVBoxLayout* layout, QObject* parent)
{
    auto* bar = new QProgressBar;
    bar->setTextVisible(false);
    auto* done = new QLabel;
    auto* toDo = new QLabel;
    toDo->setAlignment(Qt::AlignRight);
    auto* texts = new QHBoxLayout;
    texts->addWidget(done);
    texts->addWidget(toDo);
    layout->addWidget(bar);
    layout->addLayout(texts);
    return new ProgressDisplay(bar, done, toDo, parent);
}
