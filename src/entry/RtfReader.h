#pragma once

#include <QByteArray>
#include <QString>

// The notes files beside the program are rich text (RTF) in GBK. This reader keeps what the
// notes use: paragraphs, line breaks, bold and italic, and the text itself; fonts, sizes,
// colours and every other destination are dropped.

// Simple HTML (paragraphs, <b>, <i>, escaped text) for a read-only text browser.
QString RtfToHtml(const QByteArray& rtf);

// The HTML of a notes file; empty text when the file is missing, unreadable or not RTF.
QString ReadNotesFile(const QString& path);
