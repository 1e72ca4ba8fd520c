#pragma once

#include <QDialog>

class QLabel;
class QToolButton;
class QWidget;

// "提示信息": a yes/no question with optional answers for all remaining items.
class TQuestionDlg : public QDialog {
    Q_OBJECT
public:
    TQuestionDlg(const QString& question, int buttons, QWidget* parent = nullptr);
    int answer() const { return m_answer; }
    int toolBarWidth() const;
    QToolButton* button(int answerCode) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void layOut();
    QLabel* Question;
    QWidget* DlgToolBar;
    QToolButton* tbOK;
    QToolButton* tbCopyAll;
    QToolButton* tbCancel;
    QToolButton* tbNotToAll;
    int m_answer = 2;
};

// Asks the question with the buttons of the bit set (1 是, 2 否, 4 全都是, 8 全都否; with
// QuestionIcon of widgets/Prompter.h also the question icon) and returns
// the answer code (6, 7, 9, 10; 2 when the window is closed another way).
int AskQuestion(const QString& question, int buttons);
// The dialog of the question being asked, for tests that answer it; nullptr when none.
TQuestionDlg* CurrentQuestionDialog();
