#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The text input box: a caption, a word-wrapped prompt, one edit and "确定"/"取消". Its layout
// is measured in units of the box's font (the average width of the letters A-Z and a-z, and
// the text height), so it keeps its proportions in any font.
class TInputTextForm : public QDialog {
    Q_OBJECT
public:
    TInputTextForm(const QString& caption, const QString& prompt, const QString& text, int maxLength,
                   QWidget* parent = nullptr);

    QLabel* prompt() const { return Prompt; }
    QLineEdit* edit() const { return Edit; }
    QPushButton* okButton() const { return OKButton; }
    QPushButton* cancelButton() const { return CancelButton; }
    // The layout units: horizontal in quarters and vertical in eighths of them.
    int unitX() const { return m_unitX; }
    int unitY() const { return m_unitY; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void layOut();
    QLabel* Prompt;
    QLineEdit* Edit;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    int m_unitX = 0;
    int m_unitY = 0;
};

// Asks for a text in the box. The edit starts with *text, fully selected, and takes at most
// maxLength characters. Accepted: the edited text replaces *text and the result is true;
// cancelled or closed: *text is untouched and the result is false.
bool InputTextDialog(const QString& caption, const QString& prompt, QString* text, int maxLength = 255);
