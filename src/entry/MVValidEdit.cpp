#include "entry/MVValidEdit.h"

#include "base/Gbk.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

namespace {
// Whether a key event would type its text rather than edit (backspace, Enter, shortcuts).
bool typesText(const QKeyEvent* event)
{
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods == Qt::ControlModifier || mods == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    const QChar c = text.at(0);
    return c.isPrint() || c.isSurrogate() || c.category() == QChar::Other_Format ||
           c.category() == QChar::Other_PrivateUse;
}

// The characters of a text, a surrogate pair kept together as one.
QStringList characters(const QString& text)
{
    QStringList list;
    for (int i = 0; i < text.size();) {
        const int len =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        list << text.mid(i, len);
        i += len;
    }
    return list;
}

// Control characters (CR, LF, TAB, ...) and the Unicode line and paragraph separators.
bool isLineControl(const QString& character)
{
    const QChar c = character.at(0);
    return c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
           c.category() == QChar::Separator_Paragraph;
}

// The paste item of a line edit's standard menu: named "edit-paste" in later Qt versions,
// otherwise known by its (translated) caption.
QAction* pasteAction(const QMenu* menu)
{
    if (auto* named = menu->findChild<QAction*>(QStringLiteral("edit-paste")))
        return named;
    const QString caption = QLineEdit::tr("&Paste");
    for (QAction* action : menu->actions())
        if (action->text().section(QLatin1Char('\t'), 0, 0) == caption)
            return action;
    return nullptr;
}
} // namespace

TMVValidEdit::TMVValidEdit(QWidget* parent) : QLineEdit(parent) {}

bool TMVValidEdit::passes(const QString& character) const
{
    if (m_checkType == tcValidate)
        return !m_validChars.isEmpty() && m_validChars.contains(character);
    return !m_forbidChars.contains(character);
}

// The characters the filter lets through. The first one GBK cannot hold is named in a message;
// any such character is left out, since the text could not be stored.
QString TMVValidEdit::filtered(const QString& text) const
{
    QString result;
    bool told = false;
    for (const QString& c : characters(text)) {
        // A pasted line break or tab has no place in a one-line field: it would end up in names
        // and split the lines of the files they are written to.
        if (isLineControl(c))
            continue;
        if (!passes(c))
            continue;
        if (!GbkCanEncode(c)) {
            if (!told)
                CurrentPrompter().message(
                    QStringLiteral("输入的字符“%1”不能用GBK编码保存，请改用其它字符。").arg(c));
            told = true;
            continue;
        }
        result += c;
    }
    return result;
}

QString TMVValidEdit::cutToLimit(const QString& text) const
{
    if (m_byteLimit <= 0)
        return text;
    QString kept = this->text();
    if (hasSelectedText())
        kept.remove(selectionStart(), selectedText().size());
    return GbkCut(text, qMax(0, m_byteLimit - GbkByteLength(kept)));
}

void TMVValidEdit::insertTyped(const QString& text)
{
    if (isReadOnly())
        return;
    const QString accepted = cutToLimit(filtered(text));
    if (!accepted.isEmpty())
        insert(accepted);
}

void TMVValidEdit::pasteTyped()
{
#ifndef QT_NO_CLIPBOARD
    insertTyped(QGuiApplication::clipboard()->text());
#endif
}

void TMVValidEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteTyped();
        event->accept();
        return;
    }
    if (!typesText(event)) {
        m_highSurrogate.clear();
        QLineEdit::keyPressEvent(event);
        return;
    }
    QString text = event->text();
    // A character outside the basic plane may come as two key events, one per half.
    if (text.size() == 1 && text[0].isHighSurrogate()) {
        m_highSurrogate = text;
        event->accept();
        return;
    }
    if (text[0].isLowSurrogate())
        text.prepend(m_highSurrogate);
    m_highSurrogate.clear();
    insertTyped(text);
    event->accept();
}

void TMVValidEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    if (commit.isEmpty() || isReadOnly()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // The composition is handled as usual; the committed text goes in as if typed.
    QInputMethodEvent rest(event->preeditString(), event->attributes());
    rest.setCommitString(QString(), event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&rest);
    insertTyped(commit);
    event->accept();
}

void TMVValidEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    if (QAction* paste = pasteAction(menu)) {
        disconnect(paste, &QAction::triggered, nullptr, nullptr);
        connect(paste, &QAction::triggered, this, Handled(this, &TMVValidEdit::pasteTyped));
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TMVValidEdit::mouseReleaseEvent(QMouseEvent* event)
{
#ifndef QT_NO_CLIPBOARD
    // The middle button pastes the selection on X11.
    if (event->button() == Qt::MiddleButton && !isReadOnly() &&
        QGuiApplication::clipboard()->supportsSelection()) {
        deselect();
        insertTyped(QGuiApplication::clipboard()->text(QClipboard::Selection));
        event->accept();
        return;
    }
#endif
    QLineEdit::mouseReleaseEvent(event);
}

void TMVValidEdit::dropEvent(QDropEvent* event)
{
    // Moving text inside the edit brings nothing new; text from elsewhere goes in as if typed.
    if (event->source() == this || isReadOnly() || !event->mimeData()->hasText()) {
        QLineEdit::dropEvent(event);
        return;
    }
    deselect();
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    event->acceptProposedAction();
    insertTyped(event->mimeData()->text());
}
