#pragma once

#include <QByteArray>
#include <QString>

// Text files of the program and the byte limits of text fields are in GBK (code page 936).
QByteArray GbkEncode(const QString& text);
QString GbkDecode(const QByteArray& bytes);
// Whether every character of the text can be written in GBK.
bool GbkCanEncode(const QString& text);
// Length of the text in GBK bytes (a character GBK cannot hold counts as one byte).
int GbkByteLength(const QString& text);
// The longest beginning of the text that fits into the byte limit, never half a character.
QString GbkCut(const QString& text, int byteLimit);
