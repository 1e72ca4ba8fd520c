#include "base/Gbk.h"
#include "entry/RtfReader.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {
// The HTML between <body> and </body>.
QString body(const QString& html)
{
    const QString open = QStringLiteral("<html><body>");
    const QString close = QStringLiteral("</body></html>");
    EXPECT_TRUE(html.startsWith(open)) << html.toStdString();
    EXPECT_TRUE(html.endsWith(close)) << html.toStdString();
    return html.mid(open.size(), html.size() - open.size() - close.size());
}

// Text written into RTF as a GBK writer does: bytes above 0x7F as \'hh, "\", "{", "}" escaped,
// every other byte as it is (so a second byte of a character may stand as plain ASCII).
QByteArray rtfText(const QByteArray& gbk)
{
    QByteArray out;
    for (const char ch : gbk) {
        const auto c = uchar(ch);
        if (c == '\\' || c == '{' || c == '}')
            out += '\\' + QByteArray(1, ch);
        else if (c >= 0x80)
            out += "\\'" + QByteArray::number(c, 16).rightJustified(2, '0');
        else
            out += ch;
    }
    return out;
}

struct HtmlCase {
    const char* rtf;
    const char* html; // the body
};

const HtmlCase kCases[] = {
    {"{\\rtf1 Hello\\par World}", "<p>Hello</p><p>World</p>"},
    {"{\\rtf1 a\\par\\par b\\par}", "<p>a</p><p>&nbsp;</p><p>b</p>"},
    {"{\\rtf1 \\b bold\\b0  plain}", "<p><b>bold</b> plain</p>"},
    {"{\\rtf1 \\i x\\i0 y\\b\\i z\\plain w}", "<p><i>x</i>y<b><i>z</i></b>w</p>"},
    {"{\\rtf1 a{\\b b{\\i c}d}e}", "<p>a<b>b<i>c</i>d</b>e</p>"},
    {"{\\rtf1 {\\b x}y}", "<p><b>x</b>y</p>"}, // the group's end restores the format
    {"{\\rtf1 {\\i {\\b x}y}z}", "<p><b><i>x</i></b><i>y</i>z</p>"},
    {"{\\rtf1 \\u20013?\\u25991?}", "<p>\u4E2D\u6587</p>"}, // fallback "?" dropped
    {"{\\rtf1\\uc2 \\u20013\\'d6\\'d0x}", "<p>\u4E2Dx</p>"},
    {"{\\rtf1\\uc0 \\u65x}", "<p>Ax</p>"},
    {"{\\rtf1 \\u-3913?}", "<p>\uF0B7</p>"}, // negative: 65536 - 3913 = U+F0B7
    {"{\\rtf1 a\\\\b\\{c\\}d}", "<p>a\\b{c}d</p>"},
    {"{\\rtf1 <x> & \"y\"}", "<p>&lt;x&gt; &amp; &quot;y&quot;</p>"},
    {"{\\rtf1{\\fonttbl{\\f0\\fnil Arial;}}{\\colortbl;\\red0\\green0\\blue0;}{\\stylesheet{Normal;}}"
     "{\\info{\\title T}{\\author A}}{\\*\\generator Foo;}{\\*\\unknown hidden}\\f0\\fs20 Body\\par}",
     "<p>Body</p>"},
    {"{\\rtf1 one\\line two}", "<p>one<br>two</p>"},
    {"{\\rtf1 a\r\nb\\\r\nc}", "<p>ab</p><p>c</p>"},
    {"{\\rtf1 x\\bin3 {}\\y}", "<p>xy</p>"},
    {"{\\rtf1 a\\emdash b\\~c}", "<p>a\u2014b\u00A0c</p>"},
    {"{\\rtf1 \\fs-20 -5}", "<p>-5</p>"},
    {"{\\rtf1 \\'d6\\'d0\\~\\'ce\\'c4\\emdash x}", "<p>\u4E2D\u00A0\u6587\u2014x</p>"},
    {"{\\rtf1 }", ""},
};

TEST(RtfReaderTest, RendersParagraphsFormatsAndEscapes)
{
    for (const HtmlCase& c : kCases)
        EXPECT_EQ(body(RtfToHtml(QByteArray(c.rtf))), QString::fromUtf8(c.html)) << c.rtf;
}

TEST(RtfReaderTest, DecodesHexBytesAsGbk)
{
    // Second bytes "@", "\", "{" and "}" are written as plain or escaped ASCII after a \'hh.
    const QByteArray gbk =
        GbkEncode(QStringLiteral("中文：")) + QByteArray("\x81\x40\x81\x5C\x81\x7B\x81\x7D");
    const QString text = GbkDecode(gbk);
    ASSERT_EQ(text.size(), 7);
    ASSERT_FALSE(text.contains(QChar::ReplacementCharacter));
    EXPECT_EQ(body(RtfToHtml("{\\rtf1\\ansicpg936 " + rtfText(gbk) + "\\par}")),
              QStringLiteral("<p>") + text + QStringLiteral("</p>"));
}

TEST(RtfReaderTest, RendersTheDeliveredNotes)
{
    TestEnvironment env;
    const QDir sources(QStringLiteral(TALLYRA_FIXTURES_DIR "/../../data/notes"));
    for (int page = 0; page <= 13; ++page) {
        const QString stem = QStringLiteral("TableNotesZUL-%1").arg(page, 2, 10, QLatin1Char('0'));
        QFile source(sources.filePath(stem + QStringLiteral(".txt")));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly)) << stem.toStdString();
        QStringList lines;
        for (const QString& line : QString::fromUtf8(source.readAll()).split(QLatin1Char('\n'))) {
            if (!line.trimmed().isEmpty())
                lines << line.trimmed();
        }
        ASSERT_FALSE(lines.isEmpty()) << stem.toStdString();

        const QString html = ReadNotesFile(QDir(env.programFolder()).filePath("notes/" + stem + ".rtf"));
        EXPECT_TRUE(html.contains(QStringLiteral("<p><b>") + lines.first().toHtmlEscaped()
                                  + QStringLiteral("</b></p>")))
            << stem.toStdString();
        for (const QString& line : lines)
            EXPECT_TRUE(html.contains(line.toHtmlEscaped()))
                << stem.toStdString() << ": " << line.toStdString();
        // Nothing of the font table or of the control words shows.
        EXPECT_FALSE(html.contains(QStringLiteral("宋体"))) << stem.toStdString();
        EXPECT_FALSE(html.contains(QLatin1Char('\\'))) << stem.toStdString();
    }
}

TEST(RtfReaderTest, MissingOrUnreadableFilesGiveEmptyText)
{
    TestEnvironment env;
    EXPECT_EQ(ReadNotesFile(env.path("missing.rtf")), QString());
    EXPECT_EQ(ReadNotesFile(env.documentsFolder()), QString()); // a folder, not a file

    QFile plain(env.path("plain.rtf"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("just text, not rich text");
    plain.close();
    EXPECT_EQ(ReadNotesFile(plain.fileName()), QString());

    QFile rich(env.path("rich.rtf"));
    ASSERT_TRUE(rich.open(QIODevice::WriteOnly));
    rich.write("{\\rtf1 ok\\par}");
    rich.close();
    EXPECT_EQ(ReadNotesFile(rich.fileName()), RtfToHtml("{\\rtf1 ok\\par}"));
    EXPECT_FALSE(ReadNotesFile(rich.fileName()).isEmpty());
}
} // namespace
