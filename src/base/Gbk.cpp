#include "base/Gbk.h"

#include <cerrno>
#include <iconv.h>

namespace {
// Converts with iconv; returns false when a character cannot be converted.
bool convert(const char* to, const char* from, const QByteArray& input, QByteArray* output)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return false;
    QByteArray out;
    out.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = size_t(input.size());
    char* outPtr = out.data();
    size_t outLeft = size_t(out.size());
    bool ok = true;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == size_t(-1)) {
            if (errno == E2BIG) {
                const qsizetype used = outPtr - out.data();
                out.resize(out.size() * 2);
                outPtr = out.data() + used;
                outLeft = size_t(out.size() - used);
                continue;
            }
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    out.resize(outPtr - out.data());
    *output = out;
    return ok;
}

QByteArray encodeChar(const QString& ch, bool* ok)
{
    QByteArray out;
    *ok = convert("GBK", "UTF-8", ch.toUtf8(), &out);
    return out;
}
} // namespace

QByteArray GbkEncode(const QString& text)
{
    QByteArray out;
    if (convert("GBK", "UTF-8", text.toUtf8(), &out))
        return out;
    // Character by character, a "?" for each one GBK cannot hold.
    out.clear();
    for (int i = 0; i < text.size();) {
        const int len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        bool ok = false;
        const QByteArray bytes = encodeChar(text.mid(i, len), &ok);
        out += ok ? bytes : QByteArray("?");
        i += len;
    }
    return out;
}

QString GbkDecode(const QByteArray& bytes)
{
    QByteArray out;
    if (convert("UTF-8", "GBK", bytes, &out))
        return QString::fromUtf8(out);
    return QString::fromUtf8(out) + QChar(QChar::ReplacementCharacter);
}

bool GbkCanEncode(const QString& text)
{
    QByteArray out;
    return convert("GBK", "UTF-8", text.toUtf8(), &out);
}

int GbkByteLength(const QString& text)
{
    return int(GbkEncode(text).size());
}

QString GbkCut(const QString& text, int byteLimit)
{
    int bytes = 0;
    int i = 0;
    while (i < text.size()) {
        const int len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const int width = int(GbkEncode(text.mid(i, len)).size());
        if (bytes + width > byteLimit)
            break;
        bytes += width;
        i += len;
    }
    return text.left(i);
}
