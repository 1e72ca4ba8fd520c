#include "entry/NumericEdit.h"
#include "widgets/ScriptedPrompter.h"

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {
// Types text one UTF-16 unit per key event, as a keyboard delivers it (QTest::keyClicks knows
// Latin-1 only).
void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// A window with the edit under test and a second field; Tab moves the focus between them.
class NumericEditTest : public ::testing::Test {
protected:
    ScriptedPrompter prompter;
    QWidget window;
    NumericEdit* edit = new NumericEdit(&window);
    QLineEdit* other = new QLineEdit(&window);

    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(edit);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        other->setFocus();
    }
    void enterEdit()
    {
        QTest::keyClick(other, Qt::Key_Tab);
        ASSERT_TRUE(edit->hasFocus());
    }
    void leaveEdit()
    {
        QTest::keyClick(edit, Qt::Key_Tab);
        ASSERT_TRUE(other->hasFocus());
    }
    // Tabs into the edit (which selects its text), types and tabs out again.
    void typeInto(const QString& keys)
    {
        enterEdit();
        typeText(edit, keys);
    }
};

struct TypingCase {
    const char* keys;
    const char* text; // while the edit has the focus
};

TEST_F(NumericEditTest, TakesDigitsOnly)
{
    const TypingCase cases[] = {
        {"123", "123"}, {"12a3", "123"}, {"1.5", "15"}, {"-7", "7"},
        {" 4,5", "45"}, {"x", ""},       {"007", "7"},  {"１２", ""}, // full-width digits
    };
    for (const TypingCase& c : cases) {
        SCOPED_TRACE(c.keys);
        edit->clearValue();
        typeInto(QString::fromUtf8(c.keys));
        EXPECT_EQ(edit->text(), QString::fromUtf8(c.text));
        leaveEdit();
    }
}

TEST_F(NumericEditTest, ShowsSeparatorsOnlyWithoutTheFocus)
{
    edit->setValue(1234567);
    EXPECT_EQ(edit->text(), "1,234,567");
    QSignalSpy changes(edit, &NumericEdit::valueChanged);
    enterEdit();
    EXPECT_EQ(edit->text(), "1234567");
    EXPECT_EQ(edit->selectedText(), "1234567"); // typing replaces the value
    typeText(edit, "98765432");
    EXPECT_EQ(edit->text(), "98765432");
    leaveEdit();
    EXPECT_EQ(edit->text(), "98,765,432");
    EXPECT_EQ(edit->intValue(), 98765432);
    // Only the typing changed the content; the display switches did not.
    EXPECT_EQ(changes.count(), 8);

    edit->setThousandsSeparators(false);
    EXPECT_EQ(edit->text(), "98765432");
    edit->setValue(123);
    edit->setThousandsSeparators(true);
    EXPECT_EQ(edit->text(), "123");
}

struct LimitCase {
    double minimum;
    double maximum;
    int maxLength;
    const char* keys;
    const char* text;
};

TEST_F(NumericEditTest, RefusesKeystrokesBeyondTheLimits)
{
    const LimitCase cases[] = {
        {0, 100, 0, "1005", "100"},                                    // 1000 and 1005 exceed the maximum
        {0, 99999999999999.0, 0, "123456789012345", "12345678901234"}, // the 15th digit
        {0, 2, 1, "3", ""},                                            // an answer field
        {0, 2, 1, "2", "2"},
        {0, 2, 1, "12", "1"},
        {0, 2, 1, "0", "0"},
        {1, 2, 1, "0", ""}, // range 1 to 2: 0 can never grow into it
        {1, 2, 1, "01", "1"},
        {0, 0, 3, "1", ""},
        {0, 99999999999999.0, 3, "12345", "123"},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.keys);
        edit->setMinimum(c.minimum);
        edit->setMaximum(c.maximum);
        edit->setMaxLength(c.maxLength);
        edit->clearValue();
        typeInto(c.keys);
        EXPECT_EQ(edit->text(), c.text);
        leaveEdit();
    }
}

TEST_F(NumericEditTest, TypingOverAZeroReplacesIt)
{
    edit->setMaximum(2);
    edit->setMaxLength(1);
    edit->setValue(0);
    enterEdit();
    edit->deselect();
    edit->end(false);
    typeText(edit, "1");
    EXPECT_EQ(edit->text(), "1");
    EXPECT_EQ(edit->intValue(), 1);
}

TEST_F(NumericEditTest, ADecimalPointInAWholeNumberBoxIsRefusedWithAMessage)
{
    typeInto("1.5");
    EXPECT_EQ(prompter.shown, QStringList{WholeNumbersOnlyMessage()});
    EXPECT_FALSE(edit->text().contains('.'));
    leaveEdit();
    prompter.shown.clear();
    edit->setDecimalsAllowed(true);
    edit->clearValue();
    typeInto("1.5");
    EXPECT_EQ(edit->text(), "1.5");
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(NumericEditTest, ClickingIntoAOneCharacterBoxSelectsItsCharacter)
{
    edit->setMaximum(2);
    edit->setMaxLength(1);
    edit->setValue(0);
    // a click at the left end would put the cursor before the "0"
    QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, QPoint(3, edit->height() / 2));
    ASSERT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->selectedText(), "0");
    typeText(edit, "1");
    EXPECT_EQ(edit->text(), "1");
    // a box of more characters keeps the cursor where the click put it
    leaveEdit();
    edit->setMaxLength(0);
    edit->setMaximum(999);
    edit->setValue(0);
    QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, QPoint(3, edit->height() / 2));
    EXPECT_FALSE(edit->hasSelectedText());
}

TEST_F(NumericEditTest, AWholeSelectionStaysSelectedWhenTheSeparatorsGo)
{
    edit->setValue(1234567);
    edit->selectAll();
    edit->setFocus(Qt::ActiveWindowFocusReason); // the window of a jump becomes active
    EXPECT_EQ(edit->text(), "1234567");
    EXPECT_EQ(edit->selectedText(), "1234567");
    typeText(edit, "5");
    EXPECT_EQ(edit->text(), "5");
}

struct DecimalCase {
    bool allowed;
    const char* keys;
    const char* text;
    double value;
};

TEST_F(NumericEditTest, TakesDecimalsOnlyWhenAllowed)
{
    const DecimalCase cases[] = {
        {false, "12.5", "125", 125}, {true, "12.5", "12.5", 12.5}, {true, "1.2.3", "1.23", 1.23},
        {true, ".5", ".5", 0.5},     {true, "0.25", "0.25", 0.25},
    };
    for (const DecimalCase& c : cases) {
        SCOPED_TRACE(c.keys);
        edit->setDecimalsAllowed(c.allowed);
        edit->clearValue();
        typeInto(c.keys);
        EXPECT_EQ(edit->text(), c.text);
        EXPECT_DOUBLE_EQ(edit->value(), c.value);
        leaveEdit();
    }
    edit->setValue(1234.5);
    EXPECT_EQ(edit->text(), "1,234.5");
    EXPECT_EQ(edit->intValue(), 1234); // the nearest, halves to the even one
    edit->setDecimalsAllowed(false);
    edit->setValue(2.5);
    EXPECT_EQ(edit->text(), "2");
}

TEST_F(NumericEditTest, EmptyReadsZero)
{
    EXPECT_TRUE(edit->isBlank());
    EXPECT_EQ(edit->value(), 0);
    EXPECT_EQ(edit->intValue(), 0);
    edit->setValue(5);
    EXPECT_FALSE(edit->isBlank());
    enterEdit();
    QTest::keyClick(edit, Qt::Key_Backspace);
    leaveEdit();
    EXPECT_TRUE(edit->isBlank());
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(edit->intValue(), 0);
    edit->setValue(0);
    EXPECT_FALSE(edit->isBlank());
    edit->clearValue();
    EXPECT_TRUE(edit->isBlank());
}

TEST_F(NumericEditTest, KeepsFourteenDigitsExact)
{
    edit->setValue(99999999999999.0);
    EXPECT_EQ(edit->text(), "99,999,999,999,999");
    EXPECT_EQ(edit->intValue(), 99999999999999LL);
    EXPECT_EQ(edit->value(), 99999999999999.0);
    edit->clearValue();
    typeInto("12345678901234");
    leaveEdit();
    EXPECT_EQ(edit->text(), "12,345,678,901,234");
    EXPECT_EQ(edit->intValue(), 12345678901234LL);
    edit->setThousandsSeparators(false);
    edit->setValue(110101000001.0);
    EXPECT_EQ(edit->text(), "110101000001");
    EXPECT_EQ(edit->intValue(), 110101000001LL);
}

TEST_F(NumericEditTest, SignalsEveryChangeOfContent)
{
    QSignalSpy changes(edit, &NumericEdit::valueChanged);
    typeInto("1a2");
    EXPECT_EQ(changes.count(), 2); // the refused letter changed nothing
    leaveEdit();
    EXPECT_EQ(changes.count(), 2);
    edit->setValue(7);
    EXPECT_EQ(changes.count(), 3);
    edit->setValue(7);
    EXPECT_EQ(changes.count(), 3);         // the same content
    edit->setValue(99999999999999.0 * 10); // the program is not held to the maximum
    EXPECT_EQ(changes.count(), 4);
    EXPECT_EQ(edit->intValue(), 999999999999990LL);
    edit->clearValue();
    EXPECT_EQ(changes.count(), 5);
}
} // namespace

// A whole-number box given a fraction (a value stored by another program) shows and reads the
// nearest whole number by the batch checks' rule: halves go to the even one.
TEST_F(NumericEditTest, AFractionInAWholeNumberBoxGoesToTheNearestHalvesToEven)
{
    edit->setThousandsSeparators(false);
    const struct {
        double value;
        const char* shown;
        qint64 read;
    } cases[] = {{40.5, "40", 40}, {41.5, "42", 42}, {-2.5, "-2", -2}, {7.4, "7", 7}, {0.5, "0", 0}};
    for (const auto& c : cases) {
        edit->setValue(c.value);
        EXPECT_EQ(edit->text(), c.shown) << c.value;
        edit->setText(QString::number(c.value));
        EXPECT_EQ(edit->intValue(), c.read) << c.value;
    }
}
