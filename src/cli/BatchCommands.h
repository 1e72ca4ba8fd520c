#pragma once

#include "cli/CommandLine.h"

#include <QStringList>

// The commands of tallyra-batch, in the order the help lists them.
QVector<CommandSpec> BatchCommands();

// Runs the command line (without the program name) and returns the exit status: 0 done,
// 1 done but problems found, 2 usage or fatal error.
int RunBatchProgram(const QStringList& words);
