#pragma once

#include <QString>
#include <QStringList>

struct CommandArgs;

// The full name of a file a command writes: the extension (".xlsx") is appended when the name's
// last characters are not already it, in any letter case.
QString OutputFilePath(const QString& name, const QString& extension);

// A command never writes over the working database or a file it reads (sources), and never
// replaces a file unasked: empty text when the file may be written (it does not exist, or
// --yes was given), otherwise the message that refuses. The working database must be open.
QString RefuseOutputFile(const QString& path, const CommandArgs& args, const QStringList& sources = {});
