#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;
class ProgressDisplay;

// "选择检查的方式": runs the batch logic check over the selected returns, all returns or a
// range of codes, with a progress display that can pause, resume and return.
class TdlgCheckForm : public QDialog {
    Q_OBJECT
public:
    explicit TdlgCheckForm(QWidget* parent = nullptr);

    // The codes of the returns selected in the main list (moves the list as it reads them).
    std::function<QStringList()> selectedCodes;
    // Re-reads the main list keeping its row.
    std::function<void()> refreshList;

    void tbCheckClick();
    void tbPauseClick();
    void tbResumeClick();
    void tbReturnClick();

    void StartCheckProgress(qint64 total, qint64 done);
    void StepCheckProgress();
    bool isPaused() const { return m_paused; }
    bool isStopRequested() const { return m_stop; }

    QRadioButton* choice(int index) const; // 0 selected, 1 all, 2 range
    QLineEdit* fromBox() const { return m_from; }
    QLineEdit* toBox() const { return m_to; }
    QPushButton* button(const QString& caption) const;
    QProgressBar* bar() const { return m_bar; }
    QLabel* doneLabel() const { return m_done; }
    QLabel* toDoLabel() const { return m_toDo; }
    QTimer* timer() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Esc ends a run like "返  回".
    void reject() override;

private:
    void setIdle();
    void runChecked(const QString& sql);
    QRadioButton* m_choices[3];
    QLineEdit* m_from;
    QLineEdit* m_to;
    QLabel* m_preparing;
    QLabel* m_done;
    QLabel* m_toDo;
    QProgressBar* m_bar;
    ProgressDisplay* m_display;
    QPushButton* m_check;
    QPushButton* m_pause;
    QPushButton* m_resume;
    QPushButton* m_return;
    bool m_paused = false;
    bool m_stop = false;
    bool m_running = false;
};

class TProgressBarForm;

// Runs the check over a statement's returns, then congratulates or opens the report; with a
// dialog the run shows its progress and obeys pause and return, with a progress window it shows
// its progress there. Errors are shown.
void RunBatchCheckAndReport(const QString& selectSql, TdlgCheckForm* dialog, TProgressBarForm* progress = nullptr);

// "检查选中数据的逻辑": checks the returns of these codes (numbers) at once, showing the run in
// the progress window.
void CheckSelectedRecords(const QStringList& codes);
