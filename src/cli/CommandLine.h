#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class BatchOutput;

// One option of a command: a flag when it takes no value.
struct OptionSpec {
    QString name;      // without the leading "--"
    QString valueName; // empty for a flag
    QString help;
};

// What the command line gave one command.
struct CommandArgs {
    QStringList positional;
    QHash<QString, QString> values; // option name -> value; a flag maps to ""
    bool has(const QString& option) const { return values.contains(option); }
    QString value(const QString& option) const { return values.value(option); }
};

// One command of the program: its usage, its help and what runs it. The run returns the exit
// status: 0 done, 1 done but problems found, 2 usage or fatal error.
struct CommandSpec {
    QString name;
    QString arguments; // the usage line after the name, e.g. "DB OUT.csv"
    int minArguments = 0;
    int maxArguments = 0; // -1: no limit
    QString summary;      // one line in the list of commands
    QString description;  // the paragraph of the command's help
    QVector<OptionSpec> options;
    std::function<int(const CommandArgs&, BatchOutput&)> run;
};

// The options every command takes.
const QVector<OptionSpec>& CommonOptions();

// Reads a command's arguments: "--name value", "--name=value", flags, and positional
// arguments in any order; "--" ends the options. On a usage error the result is false and
// *error says why.
bool ParseCommandArgs(const CommandSpec& command, const QStringList& words, CommandArgs* args,
                      QString* error);

// "用法：tallyra-batch NAME ARGUMENTS [选项]"
QString UsageLine(const CommandSpec& command);
// The full help of one command, and the program's help with the list of commands and where the
// window's working database is.
QString CommandHelp(const CommandSpec& command);
QString ProgramHelp(const QVector<CommandSpec>& commands);
// The lines the helps share (the manual page says the same): what the program does, what its
// exit status means.
QString ProgramDescription();
QString ExitStatusText();

// The code range of --from and --to as the range boxes take it: up to 12 digits each. Empty
// text when it reads; otherwise why not: a bound that is no such number, or zeroMessage when
// either bound is missing or 0. A range whose end lies below its start becomes the start's
// code alone.
QString ReadCodeRange(const CommandArgs& args, const QString& zeroMessage, double* from, double* to);
