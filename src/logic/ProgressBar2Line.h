#pragma once

#include <QDialog>

class QProgressBar;
class QPushButton;

// "操作进度指示": an overall bar and a bar for the current task, for work in two levels (the
// summary computation). Created once and reused; the caller shows and hides it.
class TProgressBar2LineForm : public QDialog {
    Q_OBJECT
public:
    explicit TProgressBar2LineForm(QWidget* parent = nullptr);

    // A new total for the overall bar, nothing done yet.
    void InitFirst(int total);
    // A new total for the current task's bar, nothing done yet.
    void InitSecond(int total);
    void IncFirst();
    void IncSecond();

    int firstTotal() const { return m_first.total; }
    int firstDone() const { return m_first.done; }
    int secondTotal() const { return m_second.total; }
    int secondDone() const { return m_second.done; }
    QProgressBar* firstBar() const { return FirstBar; }
    QProgressBar* secondBar() const { return SecondBar; }

    // Shows the window with a "停  止" button, for a run that lets events through: the window is
    // then modal, so nothing but the button takes input while the run goes. Hiding the window
    // takes the button away again.
    void ShowStoppable();
    bool stopRequested() const { return m_stopRequested; }
    QPushButton* stopButton() const { return StopButton; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Count {
        int total = 0;
        int done = 0;
    };
    void ShowCount(QProgressBar* bar, const Count& count);

    QProgressBar* FirstBar;
    QProgressBar* SecondBar;
    QPushButton* StopButton;
    bool m_stopRequested = false;
    Count m_first;
    Count m_second;
};

// The one two-line progress window of the program, made on first use.
TProgressBar2LineForm& ProgressBar2LineForm();
