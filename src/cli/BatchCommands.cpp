#include "cli/BatchCommands.h"

#include "cli/BatchOutput.h"
#include "cli/CheckCommand.h"
#include "cli/CompareCommand.h"
#include "cli/DiffCommand.h"
#include "cli/ExportCommands.h"
#include "cli/PackageCommands.h"
#include "cli/ReceiptsCommands.h"
#include "cli/StatsCommand.h"
#include "cli/SummaryCommand.h"

#include "TallyraVersion.h"

#include <cstdio>

namespace {
void print(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
}

const CommandSpec* findCommand(const QVector<CommandSpec>& commands, const QString& name)
{
    for (const CommandSpec& c : commands)
        if (c.name == name)
            return &c;
    return nullptr;
}

int usageError(const QString& message, const QString& usage)
{
    print(stderr, QStringLiteral("tallyra-batch: %1\n%2\n").arg(message, usage));
    return 2;
}
} // namespace

QVector<CommandSpec> BatchCommands()
{
    return {CheckCommand(),   CsvCommand(),    ExportCommand(),
            InspectCommand(), ImportCommand(), SummaryCommand(),
            StatsCommand(),
            CompareCommand(), DiffCommand(), ExpectedCommand(), ReceiptsCommand()};
}

int RunBatchProgram(const QStringList& words)
{
    const QVector<CommandSpec> commands = BatchCommands();
    const QString first = words.value(0);
    if (words.isEmpty())
        return usageError(QStringLiteral("没有给出命令"),
                          QStringLiteral("“tallyra-batch --help”列出所有命令。"));
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        if (words.size() > 1) {
            const CommandSpec* command = findCommand(commands, words[1]);
            if (!command)
                return usageError(QStringLiteral("没有这个命令：%1").arg(words[1]),
                                  QStringLiteral("“tallyra-batch --help”列出所有命令。"));
            print(stdout, CommandHelp(*command));
            return 0;
        }
        print(stdout, ProgramHelp(commands));
        return 0;
    }
    if (first == QLatin1String("--version")) {
        print(stdout, QStringLiteral("tallyra-batch " TALLYRA_FILE_VERSION "\n"));
        return 0;
    }
    const CommandSpec* command = findCommand(commands, first);
    if (!command)
        return usageError(QStringLiteral("没有这个命令：%1").arg(first),
                          QStringLiteral("“tallyra-batch --help”列出所有命令。"));

    CommandArgs args;
    QString error;
    if (!ParseCommandArgs(*command, words.mid(1), &args, &error))
        return usageError(error,
                          UsageLine(*command) +
                              QStringLiteral("\n“tallyra-batch %1 --help”显示说明。").arg(command->name));
    if (args.has(QStringLiteral("help"))) {
        print(stdout, CommandHelp(*command));
        return 0;
    }
    BatchOutput out(command->name, args.has(QStringLiteral("json")));
    return command->run(args, out);
}
