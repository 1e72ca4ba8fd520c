// A notes file as the editor's notes pane reads it: RTF in GBK to the HTML it shows.
#include "FuzzTarget.h"

#include "entry/RtfReader.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = FuzzInputFile(QStringLiteral("TableNotesZUL-01.rtf"), data, size);
    const QString shown = ReadNotesFile(path);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Text that is no RTF shows nothing; RTF shows what its bytes read as.
    const QString expected = bytes.startsWith("{\\rtf") ? RtfToHtml(bytes) : QString();
    if (shown != expected)
        FuzzFault(QStringLiteral("the notes file and its bytes read differently"));
    return 0;
}
