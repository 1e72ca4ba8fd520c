#pragma once

#include <QMainWindow>

class QLabel;

// The main window: the record list and every action of the program.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);

    void setVersionText(const QString& text);
    QString versionText() const;
    bool showGrid() const { return m_showGrid; }
    void setShowGrid(bool show) { m_showGrid = show; }

private:
    QLabel* m_versionLabel;
    QLabel* m_dateLabel;
    bool m_showGrid = true;
};
