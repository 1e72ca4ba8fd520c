#include "entry/RtfReader.h"

#include "base/Gbk.h"

#include <QFile>
#include <QVector>

namespace {
// Collects paragraphs of formatted text as HTML.
class HtmlWriter {
public:
    void text(const QString& text, bool bold, bool italic)
    {
        if (text.isEmpty())
            return;
        setFormat(bold, italic);
        m_paragraph += text.toHtmlEscaped();
    }

    void lineBreak() { m_paragraph += QStringLiteral("<br>"); }

    void endParagraph()
    {
        setFormat(false, false);
        // An empty paragraph is a blank line in the notes; keep it visible.
        if (m_paragraph.isEmpty())
            m_paragraph = QStringLiteral("&nbsp;");
        m_html += QStringLiteral("<p>") + m_paragraph + QStringLiteral("</p>");
        m_paragraph.clear();
    }

    QString finish()
    {
        if (!m_paragraph.isEmpty())
            endParagraph();
        return QStringLiteral("<html><body>") + m_html + QStringLiteral("</body></html>");
    }

private:
    // <b> is always the outer tag, so a change of bold first closes an open <i>.
    void setFormat(bool bold, bool italic)
    {
        if (m_italic && (!italic || bold != m_bold)) {
            m_paragraph += QStringLiteral("</i>");
            m_italic = false;
        }
        if (m_bold && !bold) {
            m_paragraph += QStringLiteral("</b>");
            m_bold = false;
        }
        if (bold && !m_bold) {
            m_paragraph += QStringLiteral("<b>");
            m_bold = true;
        }
        if (italic && !m_italic) {
            m_paragraph += QStringLiteral("<i>");
            m_italic = true;
        }
    }

    QString m_html;
    QString m_paragraph;
    bool m_bold = false;
    bool m_italic = false;
};

// What a group inherits from its enclosing group and restores when it ends.
struct GroupState {
    bool bold = false;
    bool italic = false;
    bool hidden = false;   // inside a destination whose text is not shown
    int fallbackChars = 1; // characters after \uN that stand in for it (\ucN)
};

// Destinations whose contents are not part of the shown text.
bool isHiddenDestination(const QByteArray& word)
{
    static const QList<QByteArray> kHidden =
        QByteArray("fonttbl colortbl stylesheet info pict object fldinst header headerl headerr headerf "
                   "footer footerl footerr footerf footnote listtable listoverridetable rsidtbl generator "
                   "xmlnstbl themedata colorschememapping latentstyles datastore revtbl filetbl pgdsctbl "
                   "userprops docvar nonshppict mmathPr")
            .split(' ');
    return kHidden.contains(word);
}

struct SymbolWord {
    const char* word;
    char16_t symbol;
};

const SymbolWord kSymbolWords[] = {
    {"emdash", u'\u2014'},    {"endash", u'\u2013'},    {"lquote", u'\u2018'}, {"rquote", u'\u2019'},
    {"ldblquote", u'\u201C'}, {"rdblquote", u'\u201D'}, {"bullet", u'\u2022'}, {"tab", u'\t'}};

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class RtfParser {
public:
    explicit RtfParser(const QByteArray& rtf) : m_in(rtf) { m_groups.push_back(GroupState()); }

    QString toHtml()
    {
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos++];
            if (c == '{') {
                flushBytes();
                m_skipFallback = 0;
                m_groups.push_back(m_groups.back());
            } else if (c == '}') {
                flushBytes();
                m_skipFallback = 0;
                if (m_groups.size() > 1)
                    m_groups.pop_back();
            } else if (c == '\\') {
                control();
            } else if (c == '\r' || c == '\n') {
                // Line ends in the file carry no meaning.
            } else {
                textByte(uchar(c));
            }
        }
        flushBytes();
        return m_html.finish();
    }

private:
    GroupState& state() { return m_groups.back(); }

    // What follows a backslash: a control word, a symbol or an escaped character.
    void control()
    {
        if (m_pos >= m_in.size())
            return;
        const char c = m_in[m_pos];
        if (isAsciiLetter(c)) {
            controlWord();
            return;
        }
        ++m_pos;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            textByte(uchar(c));
            return;
        case '\'':
            hexByte();
            return;
        case '*':
            state().hidden = true;
            return;
        case '~':
            character(QChar(0x00A0));
            return;
        case '_':
            character(QChar(u'\u2011'));
            return;
        case '\r':
        case '\n':
            flushBytes();
            paragraph();
            return;
        default:
            return; // optional hyphen and other symbols show nothing
        }
    }

    void hexByte()
    {
        if (m_pos + 1 >= m_in.size())
            return;
        const int high = hexValue(m_in[m_pos]);
        const int low = hexValue(m_in[m_pos + 1]);
        if (high < 0 || low < 0)
            return;
        m_pos += 2;
        textByte(uchar(high * 16 + low));
    }

    void controlWord()
    {
        QByteArray word;
        while (m_pos < m_in.size() && isAsciiLetter(m_in[m_pos]))
            word += m_in[m_pos++];
        bool hasParam = false;
        qint64 param = 0;
        bool negative = false;
        if (m_pos < m_in.size() && m_in[m_pos] == '-' && m_pos + 1 < m_in.size()
            && isAsciiDigit(m_in[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        while (m_pos < m_in.size() && isAsciiDigit(m_in[m_pos])) {
            hasParam = true;
            if (param < 100000000)
                param = param * 10 + (m_in[m_pos] - '0');
            ++m_pos;
        }
        if (m_pos < m_in.size() && m_in[m_pos] == ' ')
            ++m_pos; // the space that ends a control word belongs to it
        if (negative)
            param = -param;

        if (word == "bin") {
            flushBytes();
            m_pos += int(qBound<qint64>(0, param, m_in.size() - m_pos)); // binary data is never text
            return;
        }
        if (word == "u") {
            unicodeChar(int(param));
            return;
        }
        if (m_skipFallback > 0) {
            --m_skipFallback; // a control word in the fallback counts as one character
            return;
        }
        flushBytes();
        applyWord(word, hasParam, int(param));
    }

    void applyWord(const QByteArray& word, bool hasParam, int param)
    {
        GroupState& s = state();
        if (word == "par" || word == "sect" || word == "page") {
            paragraph();
        } else if (word == "line") {
            if (!s.hidden)
                m_html.lineBreak();
        } else if (word == "b") {
            s.bold = !hasParam || param != 0;
        } else if (word == "i") {
            s.italic = !hasParam || param != 0;
        } else if (word == "plain") {
            s.bold = false;
            s.italic = false;
        } else if (word == "uc") {
            s.fallbackChars = qMax(0, param);
        } else if (isHiddenDestination(word)) {
            s.hidden = true;
        } else {
            for (const SymbolWord& symbol : kSymbolWords) {
                if (word == symbol.word) {
                    character(QChar(symbol.symbol));
                    return;
                }
            }
        }
    }

    void unicodeChar(int code)
    {
        flushBytes();
        if (code < 0)
            code += 65536;
        m_skipFallback = 0;
        character(QChar(char16_t(code)));
        m_skipFallback = state().fallbackChars;
    }

    // One byte of text. Bytes of a GBK character are gathered first; its second byte may be
    // plain ASCII (0x40 to 0x7E) or an escaped "\\", "{" or "}".
    void textByte(uchar b)
    {
        if (m_skipFallback > 0) {
            --m_skipFallback;
            return;
        }
        if (b < 0x80 && !m_needTrailByte) {
            character(QChar(b));
            return;
        }
        m_bytes += char(b);
        m_needTrailByte = !m_needTrailByte && b >= 0x81 && b <= 0xFE;
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty())
            return;
        const QString text = GbkDecode(m_bytes);
        m_bytes.clear();
        m_needTrailByte = false;
        if (!state().hidden)
            m_html.text(text, state().bold, state().italic);
    }

    void character(QChar c)
    {
        if (m_skipFallback > 0) {
            --m_skipFallback;
            return;
        }
        flushBytes(); // text gathered before it comes first
        if (!state().hidden)
            m_html.text(QString(c), state().bold, state().italic);
    }

    void paragraph()
    {
        if (!state().hidden)
            m_html.endParagraph();
    }

    const QByteArray& m_in;
    qsizetype m_pos = 0;
    QVector<GroupState> m_groups;
    HtmlWriter m_html;
    QByteArray m_bytes;           // GBK bytes not yet decoded
    bool m_needTrailByte = false; // the last byte gathered starts a two-byte character
    int m_skipFallback = 0;       // fallback characters still to drop after \uN
};
} // namespace

QString RtfToHtml(const QByteArray& rtf)
{
    return RtfParser(rtf).toHtml();
}

QString ReadNotesFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray rtf = file.readAll();
    if (!rtf.startsWith("{\\rtf"))
        return QString();
    return RtfToHtml(rtf);
}
