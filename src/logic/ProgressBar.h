#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QTimer;
class ProgressDisplay;

// The progress window of long loops (printing, exports, ...): one bar, the counts done and to do,
// and after five seconds the elapsed time and an estimate of the time still needed. Created once
// and reused: the caller shows it, calls StartProgress, StepProgress per item, and hides it.
class TProgressBarForm : public QDialog {
    Q_OBJECT
public:
    explicit TProgressBarForm(QWidget* parent = nullptr);

    // Sets the counts, shows their texts and starts the timer that refreshes them.
    void StartProgress(int total, int done);
    // One more item done; the window repaints at once, since the caller's loop keeps the
    // thread from handling paint events.
    void StepProgress();
    // Items done so far, for loops that report now and then; repaints like StepProgress.
    void StepProgressTo(int done);

    int total() const;
    int done() const;
    int tickCount() const;
    int estimate() const; // remaining ticks, -1 until known

    // "正在处理：" above the bar; callers may change its text.
    QLabel* processLabel() const { return ProcessLabel; }
    QProgressBar* bar() const { return Bar; }
    QLabel* doneText() const { return DoneText; }
    QLabel* toDoText() const { return ToDoText; }
    QTimer* timer() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:

    QLabel* ProcessLabel;
    QProgressBar* Bar;
    QWidget* Animation;
    QLabel* DoneText;
    QLabel* ToDoText;
    ProgressDisplay* Display;
};

// The one single-bar progress window of the program, made on first use.
TProgressBarForm& ProgressBarForm();
