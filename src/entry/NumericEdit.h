#pragma once

#include <QLineEdit>

// The numeric edit of the record editor. Only digits can be typed (and one "." when decimals
// are allowed, a leading "-" when the minimum is negative; a "." in a whole-number box is refused
// with a message); entering a one-character box selects its character; a keystroke that would make the value
// exceed the maximum or the number of digits exceed the length limit does not go in. Without the
// focus the value shows with thousands separators ("1,234,567"), with the focus in plain digits.
// An empty edit reads 0. Whole values are kept as 64-bit integers, so 14-digit codes stay exact.
class NumericEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumericEdit(QWidget* parent = nullptr);

    double minimum() const { return m_minimum; }
    void setMinimum(double minimum) { m_minimum = minimum; }
    double maximum() const { return m_maximum; }
    void setMaximum(double maximum) { m_maximum = maximum; }
    // The most digits that can be typed; 0 for no limit. Hides QLineEdit's character limit,
    // which stays unlimited because the separators are not typed.
    int maxLength() const { return m_maxDigits; }
    void setMaxLength(int digits) { m_maxDigits = qMax(0, digits); }
    bool decimalsAllowed() const { return m_decimals; }
    void setDecimalsAllowed(bool allowed) { m_decimals = allowed; }
    // Whole values shown with at least this many digits, padded with zeros ("000000").
    void setZeroPadding(int digits) { m_padDigits = digits; }
    bool thousandsSeparators() const { return m_separators; }
    void setThousandsSeparators(bool shown);

    double value() const;
    qint64 intValue() const; // the nearest whole number, halves to the even one (NearestWhole)
    void setValue(double value);
    bool isBlank() const;
    void clearValue();

    // The typed text in plain form, without separators.
    QString plainText() const;

signals:
    // Every change of the content, typed or set by the program; not the switch between the
    // plain and the separated display.
    void valueChanged();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class NumericEditValidator;
    bool acceptsEntry(const QString& plain) const;
    QString valueText(double value) const;
    void showText(const QString& text);
    void showPlain();
    void showSeparated();
    void beginTyping();
    void endTyping();

    double m_minimum = 0;
    double m_maximum = 99999999999999.0;
    int m_maxDigits = 0;
    bool m_decimals = false;
    bool m_separators = true;
    int m_padDigits = 0;
    bool m_editing = false;     // the plain digits are shown for typing
    bool m_formatting = false;  // the display is being switched; the content stays
    bool m_settingText = false; // the program sets the text, which the keyboard rules do not limit
    bool m_selectOnRelease = false; // a one-character box entered by a click
};

// What a whole-number box says when a decimal point is typed into it.
QString WholeNumbersOnlyMessage();

// Inserts thousands separators into the whole part of a plain number ("-1234567.5" -> "-1,234,567.5").
QString GroupThousands(const QString& plain);
