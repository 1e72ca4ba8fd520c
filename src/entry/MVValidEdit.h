#pragma once

#include <QLineEdit>

enum TCheckType { tcValidate, tcForbid };

// A text edit whose typed and pasted characters pass a filter: with tcForbid every character
// but those of ForbidChars, with tcValidate only those of ValidChars. Control characters (line
// breaks, tabs) never go in. Editing keys (backspace,
// Enter, shortcuts) always pass. A character that GBK cannot hold is refused with a message,
// and the GBK byte limit cuts what goes in without splitting a character. Text set by the
// program is not filtered.
class TMVValidEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TMVValidEdit(QWidget* parent = nullptr);

    QString validChars() const { return m_validChars; }
    void setValidChars(const QString& chars) { m_validChars = chars; }
    QString forbidChars() const { return m_forbidChars; }
    void setForbidChars(const QString& chars) { m_forbidChars = chars; }
    TCheckType checkType() const { return m_checkType; }
    void setCheckType(TCheckType type) { m_checkType = type; }
    // Most GBK bytes the text may hold; 0 for no limit.
    int byteLimit() const { return m_byteLimit; }
    void setByteLimit(int bytes) { m_byteLimit = qMax(0, bytes); }

    // Whether the filter lets one character (a code point, as text) through.
    bool passes(const QString& character) const;
    // Puts text in at the cursor as if typed: filtered, checked for GBK and cut to the limit.
    void insertTyped(const QString& text);
    // Pastes the clipboard through the same rules.
    void pasteTyped();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString filtered(const QString& text) const;
    QString cutToLimit(const QString& text) const;

    QString m_validChars;
    QString m_forbidChars;
    TCheckType m_checkType = tcForbid;
    int m_byteLimit = 0;
    QString m_highSurrogate; // the first half of a character typed in two key events
};
