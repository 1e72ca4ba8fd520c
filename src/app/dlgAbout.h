#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QTimer;

// The about box; at start-up it doubles as the splash window. A double click on the name with
// Ctrl and Alt held (Shift not) marks every return as passed. It names the working database
// that is open when it is made.
class TdlgAboutForm : public QDialog {
    Q_OBJECT
public:
    TdlgAboutForm(int buildNumber, std::function<void()> markAllPassed, QWidget* parent = nullptr);
    // Shows the progress bar and starts the timer: the box closes itself when the bar is full.
    void StartSplash();

    QLabel* nameLabel() const { return NameLabel; }
    QLabel* versionLabel() const { return VersionLabel; }
    QLabel* pathLabel() const { return PathLabel; }
    QProgressBar* progressBar() const { return RzProgressBar1; }
    QTimer* timer() const { return Timer1; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tick();
    QLabel* NameLabel;
    QLabel* VersionLabel;
    QLabel* PathLabel;
    QProgressBar* RzProgressBar1;
    QTimer* Timer1;
    std::function<void()> m_markAllPassed;
};
