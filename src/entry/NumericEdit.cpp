#include "entry/NumericEdit.h"

#include "base/ValueText.h"
#include "widgets/Prompter.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QValidator>

#include <cmath>

namespace {
bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// "007" -> "7", "-05" -> "-5", "00.5" -> "0.5"; the cursor keeps its place after the digits.
void stripLeadingZeros(QString& text, int& cursor)
{
    const int start = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    int end = start;
    while (end + 1 < text.size() && text[end] == QLatin1Char('0') && isAsciiDigit(text[end + 1]))
        ++end;
    const int removed = end - start;
    if (removed == 0)
        return;
    text.remove(start, removed);
    if (cursor > start)
        cursor = qMax(start, cursor - removed);
}

// A whole number or a decimal in fixed notation with up to 15 significant digits, never with
// an exponent, so that the text can be typed on.
QString decimalText(double value)
{
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    const int wholeDigits = std::fabs(value) < 1 ? 1 : int(std::floor(std::log10(std::fabs(value)))) + 1;
    QString text = QString::number(value, 'f', qMax(0, 15 - wholeDigits));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}
} // namespace

// Refuses a keystroke, a paste or a drop that makes the text unacceptable; Qt then restores the
// text as it was, so the keystroke does not go in.
class NumericEditValidator : public QValidator {
public:
    explicit NumericEditValidator(NumericEdit* edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString& input, int& pos) const override
    {
        // Text set by the program, and whatever is shown while the user is not typing, stays.
        if (m_edit->m_settingText || !m_edit->m_editing)
            return Acceptable;
        stripLeadingZeros(input, pos);
        return m_edit->acceptsEntry(input) ? Acceptable : Invalid;
    }

private:
    const NumericEdit* m_edit;
};

QString GroupThousands(const QString& plain)
{
    const int start = plain.startsWith(QLatin1Char('-')) ? 1 : 0;
    int end = plain.indexOf(QLatin1Char('.'));
    if (end < 0)
        end = plain.size();
    QString text = plain;
    for (int i = end - 3; i > start; i -= 3)
        text.insert(i, QLatin1Char(','));
    return text;
}

NumericEdit::NumericEdit(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setValidator(new NumericEditValidator(this));
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_formatting)
            emit valueChanged();
    });
}

void NumericEdit::setThousandsSeparators(bool shown)
{
    m_separators = shown;
    if (!m_editing)
        showSeparated();
}

QString NumericEdit::plainText() const
{
    QString text = this->text().trimmed();
    text.remove(QLatin1Char(','));
    return text;
}

qint64 NumericEdit::intValue() const
{
    const QString plain = plainText();
    bool whole = false;
    const qint64 n = plain.toLongLong(&whole);
    if (whole)
        return n;
    const double v = plain.toDouble();
    return std::isfinite(v) ? NearestWhole64(v) : 0;
}

double NumericEdit::value() const
{
    const QString plain = plainText();
    bool whole = false;
    const qint64 n = plain.toLongLong(&whole);
    return whole ? double(n) : plain.toDouble();
}

bool NumericEdit::isBlank() const
{
    return plainText().isEmpty();
}

void NumericEdit::clearValue()
{
    setText(QString());
}

void NumericEdit::setValue(double value)
{
    QString shown = valueText(value);
    if (m_editing && m_padDigits > 0 && !m_decimals)
        shown = QString::number(NearestWhole64(value)); // no padding zeros while typing
    else if (!m_editing && m_separators)
        shown = GroupThousands(shown);
    // The program may set any value, also one the keyboard could not enter.
    m_settingText = true;
    setText(shown);
    m_settingText = false;
}

QString NumericEdit::valueText(double value) const
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    if (!m_decimals)
        return QStringLiteral("%1").arg(NearestWhole64(value), m_padDigits, 10, QLatin1Char('0'));
    return decimalText(value);
}

bool NumericEdit::acceptsEntry(const QString& plain) const
{
    QString body = plain;
    const bool negative = body.startsWith(QLatin1Char('-'));
    if (negative) {
        if (m_minimum >= 0)
            return false;
        body.remove(0, 1);
    }
    int digits = 0;
    int points = 0;
    for (QChar c : body) {
        if (isAsciiDigit(c))
            ++digits;
        else if (c == QLatin1Char('.') && m_decimals && points == 0)
            ++points;
        else
            return false;
    }
    if (m_maxDigits > 0 && digits > m_maxDigits)
        return false;
    if (digits == 0)
        return true; // "", "-" or "." while typing
    const double v = negative ? -body.toDouble() : body.toDouble();
    if (v > m_maximum)
        return false;
    // Below the minimum is refused only when no further digit could bring it into range.
    const bool canGrow = (m_maxDigits == 0 || digits < m_maxDigits) && (m_decimals || v * 10 <= m_maximum);
    return v >= m_minimum || canGrow;
}

void NumericEdit::showText(const QString& text)
{
    if (text == this->text())
        return;
    // A value selected as a whole stays selected in its other form, so typing still replaces it.
    const bool wholeSelected = hasSelectedText() && selectedText() == this->text();
    m_formatting = true;
    m_settingText = true;
    setText(text);
    m_settingText = false;
    m_formatting = false;
    if (wholeSelected)
        selectAll();
}

void NumericEdit::showPlain()
{
    // The padding zeros are for reading; typing starts from the value's own digits.
    if (m_padDigits > 0 && !isBlank())
        showText(QString::number(intValue()));
    else
        showText(plainText());
}

void NumericEdit::showSeparated()
{
    if (isBlank()) {
        showText(QString());
        return;
    }
    const QString plain = valueText(value());
    showText(m_separators ? GroupThousands(plain) : plain);
}

void NumericEdit::beginTyping()
{
    m_editing = true;
    showPlain();
}

void NumericEdit::endTyping()
{
    m_editing = false;
    showSeparated();
}

void NumericEdit::focusInEvent(QFocusEvent* event)
{
    beginTyping();
    QLineEdit::focusInEvent(event);
    // Entering the field from the program (moving on with Enter) selects it, as Tab does, so
    // that typing replaces the value. A one-character box is selected however it is entered:
    // its one character can only be replaced.
    if (event->reason() == Qt::OtherFocusReason || (m_maxDigits == 1 && event->reason() != Qt::ActiveWindowFocusReason &&
                                                    event->reason() != Qt::PopupFocusReason))
        selectAll();
    // The click that brings the focus places the cursor when it is let go: select after it.
    m_selectOnRelease = m_maxDigits == 1 && event->reason() == Qt::MouseFocusReason;
}

void NumericEdit::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (m_selectOnRelease && !hasSelectedText())
        selectAll();
    m_selectOnRelease = false;
}

void NumericEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason)
        return; // the context menu: typing goes on afterwards
    endTyping();
}

void NumericEdit::keyPressEvent(QKeyEvent* event)
{
    // Keys sent to the edit before it received the focus still type into the plain digits.
    if (!m_editing)
        beginTyping();
    // A decimal point in a whole-number box would silently make "1.5" into 15: say so.
    const QString text = event->text();
    if (!m_decimals && !isReadOnly() && (text == QLatin1String(".") || text == QStringLiteral("。"))) {
        event->accept();
        CurrentPrompter().message(WholeNumbersOnlyMessage());
        return;
    }
    QLineEdit::keyPressEvent(event);
}

QString WholeNumbersOnlyMessage()
{
    return QStringLiteral("此项只能填写整数，不能输入小数点。");
}

void NumericEdit::dropEvent(QDropEvent* event)
{
    // A drop needs no focus; it passes the same rules as typing.
    const bool focused = m_editing;
    if (!focused)
        beginTyping();
    QLineEdit::dropEvent(event);
    if (!focused)
        endTyping();
}
