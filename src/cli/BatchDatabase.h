#pragma once

#include <QString>

struct CommandArgs;

// Opens the working database named on the command line as the shared connection (setting
// CurrentDatabasePath and DatabaseLabel, as the window's opening does). Statements then wait
// up to --wait seconds (default 60) for a lock another program holds, instead of failing at
// once. Returns empty text when it opened, otherwise the message that says why not. Read-only,
// the file is only looked at: nothing in it can change. Otherwise an older file is upgraded as
// the window's opening does, and a newer release's file is refused (it can only be read).
QString OpenBatchDatabase(const QString& path, const CommandArgs& args, bool readOnly = false);

// "运行中发生错误：" + the engine's or the file system's message.
QString RunErrorText(const QString& message);

// Ctrl-C and SIGTERM ask a running command to stop at its next record instead of killing it
// half-way; a second Ctrl-C ends the program at once.
void WatchInterrupts();
bool InterruptRequested();
