#pragma once

#include <QString>

struct CommandArgs;

// The full name of a file a command writes: the extension (".xlsx", ".csv", ".dat") is
// appended when the name's last characters are not already it, as the save dialogs do.
QString OutputFilePath(const QString& name, const QString& extension);

// A command never replaces a file unasked: empty text when the file does not exist or --yes
// was given, otherwise the message that refuses.
QString RefuseExistingOutput(const QString& path, const CommandArgs& args);
