#pragma once

#include <QObject>

class QLabel;
class QProgressBar;
class QTimer;
class QVBoxLayout;

// A bar with the counts done and to do, refreshed by a 100 ms timer that adds the elapsed time
// and the estimate of the time still needed after five seconds. The progress window and the
// batch check dialog show their progress through one of these.
class ProgressDisplay : public QObject {
    Q_OBJECT
public:
    ProgressDisplay(QProgressBar* bar, QLabel* doneText, QLabel* toDoText, QObject* parent);

    // Sets the counts, shows their texts and starts the timer.
    void start(qint64 total, qint64 done);
    // One more item done; when the bar is full the timer stops and the texts show the final
    // counts.
    void step();
    // Several items done at once (loops that report now and then, not per item).
    void stepTo(qint64 done);
    // Stops and restarts the timer (pausing stops the elapsed time).
    void pause();
    void resume();
    void stop();

    qint64 total() const { return m_total; }
    qint64 done() const { return m_done; }
    int tickCount() const { return m_ticks; }
    int estimate() const { return m_estimate; } // remaining ticks, -1 until known
    QTimer* timer() const { return m_timer; }
    QProgressBar* bar() const { return m_bar; }
    QLabel* doneText() const { return m_doneText; }
    QLabel* toDoText() const { return m_toDoText; }

    // A bar with the counts below it (done at the left, to do at the right), added to a
    // dialog's layout, and the display that shows them.
    static ProgressDisplay* addTo(QVBoxLayout* layout, QObject* parent);

private:
    void tick();
    QProgressBar* m_bar;
    QLabel* m_doneText;
    QLabel* m_toDoText;
    QTimer* m_timer;
    qint64 m_total = 0;
    qint64 m_done = 0;
    int m_ticks = 0;
    int m_estimate = -1;
};
