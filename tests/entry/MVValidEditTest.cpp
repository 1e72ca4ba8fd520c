#include "entry/MVValidEdit.h"

#include "base/Gbk.h"
#include "widgets/ScriptedPrompter.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// Types text one UTF-16 unit per key event, as a keyboard delivers it (QTest::keyClicks knows
// Latin-1 only).
void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

const QString kQuotes = QStringLiteral("'\"`");

QString gbkMessage(const QString& character)
{
    return QStringLiteral("输入的字符“%1”不能用GBK编码保存，请改用其它字符。").arg(character);
}

class MVValidEditTest : public ::testing::Test {
protected:
    ScriptedPrompter prompter;
    TMVValidEdit edit;

    void SetUp() override
    {
        edit.show();
        edit.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
        edit.setFocus();
    }
    void paste(const QString& text)
    {
        QGuiApplication::clipboard()->setText(text);
        QTest::keySequence(&edit, QKeySequence::Paste);
    }
    void commitFromInputMethod(const QString& text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(&edit, &event);
    }
};

struct FilterCase {
    TCheckType type;
    const char* validChars;
    const char* forbidChars;
    const char* keys;
    const char* text;
};

TEST_F(MVValidEditTest, FiltersTypedPastedAndComposedText)
{
    const FilterCase cases[] = {
        {tcForbid, "", "'\"`", "O'Neil \"x\" `y`", "ONeil x y"},
        {tcForbid, "", "", "a'b", "a'b"},
        {tcValidate, "0123456789-", "", "010-8765 4321a", "010-87654321"},
        {tcValidate, "", "", "abc123", ""},
        {tcValidate, "0123456789-", "'", "12'3", "123"}, // ForbidChars count only with tcForbid
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.keys);
        edit.setCheckType(c.type);
        edit.setValidChars(QString::fromUtf8(c.validChars));
        edit.setForbidChars(QString::fromUtf8(c.forbidChars));
        edit.clear();
        typeText(&edit, QString::fromUtf8(c.keys));
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.text));
        edit.clear();
        paste(QString::fromUtf8(c.keys));
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.text));
        edit.clear();
        commitFromInputMethod(QString::fromUtf8(c.keys));
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.text));
    }
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(MVValidEditTest, PastedLineBreaksAndTabsAreDropped)
{
    const QString pasted = QStringLiteral("朝阳区\r\n总工会\t一\u2028部");
    for (TCheckType type : {tcForbid, tcValidate}) {
        edit.setCheckType(type);
        edit.setValidChars(QStringLiteral("朝阳区总工会一部\r\n\t\u2028"));
        edit.setForbidChars(QString());
        edit.clear();
        paste(pasted);
        EXPECT_EQ(edit.text(), "朝阳区总工会一部") << type;
        edit.clear();
        commitFromInputMethod(pasted);
        EXPECT_EQ(edit.text(), "朝阳区总工会一部") << type;
    }
}

TEST_F(MVValidEditTest, DefaultsToForbiddingNothing)
{
    EXPECT_EQ(edit.checkType(), tcForbid);
    typeText(&edit, "a'\"`");
    EXPECT_EQ(edit.text(), "a'\"`");
}

TEST_F(MVValidEditTest, TelephoneFilterLetsBackspaceAndEditingKeysPass)
{
    edit.setCheckType(tcValidate);
    edit.setValidChars(QStringLiteral("0123456789-"));
    typeText(&edit, "010-1234");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    typeText(&edit, "8");
    EXPECT_EQ(edit.text(), "810-123");
}

TEST_F(MVValidEditTest, CutsToTheByteLimitWithoutSplittingACharacter)
{
    const QString thirtyOne = QString(31, QChar(0x4E2D)); // 中
    edit.setForbidChars(kQuotes);
    edit.setByteLimit(60);
    typeText(&edit, thirtyOne);
    EXPECT_EQ(edit.text(), QString(30, QChar(0x4E2D)));
    EXPECT_EQ(GbkByteLength(edit.text()), 60);

    edit.clear();
    paste(thirtyOne);
    EXPECT_EQ(edit.text().size(), 30);

    // 1 + 29 * 2 = 59 bytes: one byte left, too few for another Chinese character.
    edit.clear();
    paste("a" + thirtyOne);
    EXPECT_EQ(edit.text(), "a" + QString(29, QChar(0x4E2D)));
    typeText(&edit, "b");
    EXPECT_EQ(GbkByteLength(edit.text()), 60);
    typeText(&edit, "c");
    EXPECT_EQ(GbkByteLength(edit.text()), 60);

    // Typing over a selection frees its bytes first.
    edit.selectAll();
    typeText(&edit, "x");
    EXPECT_EQ(edit.text(), "x");
}

TEST_F(MVValidEditTest, RefusesCharactersThatGbkCannotHold)
{
    const QString emoji = QString::fromUtf8("😀");
    const QString hangul = QString::fromUtf8("한");

    typeText(&edit, "a" + hangul + "b");
    EXPECT_EQ(edit.text(), "ab");
    EXPECT_EQ(prompter.shown, QStringList{gbkMessage(hangul)});

    // The two halves of a character beyond the basic plane, as one key event and as two.
    QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_unknown, emoji, Qt::NoModifier);
    typeText(&edit, emoji);
    EXPECT_EQ(edit.text(), "ab");
    EXPECT_EQ(prompter.shown, (QStringList{gbkMessage(hangul), gbkMessage(emoji), gbkMessage(emoji)}));

    commitFromInputMethod(QString::fromUtf8("张") + hangul);
    EXPECT_EQ(edit.text(), QString::fromUtf8("ab张"));
    EXPECT_EQ(prompter.shown.size(), 4);
}

TEST_F(MVValidEditTest, PastingFromTheContextMenuIsFiltered)
{
    edit.setForbidChars(kQuotes);
    QGuiApplication::clipboard()->setText(QStringLiteral("O'Neil"));
    QContextMenuEvent event(QContextMenuEvent::Mouse, edit.rect().center(),
                            edit.mapToGlobal(edit.rect().center()));
    QApplication::sendEvent(&edit, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* paste = nullptr;
    for (QAction* action : menu->actions())
        if (action->text().startsWith(QLineEdit::tr("&Paste")))
            paste = action;
    ASSERT_NE(paste, nullptr);
    paste->trigger();
    menu->close();
    EXPECT_EQ(edit.text(), "ONeil");
}

TEST_F(MVValidEditTest, TextSetByTheProgramIsNotFiltered)
{
    edit.setCheckType(tcValidate);
    edit.setValidChars(QStringLiteral("0123456789-"));
    edit.setByteLimit(4);
    const QString text = QString::fromUtf8("O'Neil 😀 电话");
    edit.setText(text);
    EXPECT_EQ(edit.text(), text);
    EXPECT_TRUE(prompter.shown.isEmpty());
}
} // namespace
