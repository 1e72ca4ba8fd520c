// tallyra-batch's command line with arbitrary argument vectors: the input is the words,
// separated by zero bytes. The command is found and its arguments read as the program does,
// the helps are made, the code range read; no command is run, so no file is touched.
#include "FuzzTarget.h"

#include "cli/BatchCommands.h"
#include "cli/CommandLine.h"

#include <QByteArray>
#include <QStringList>

namespace {
QStringList argumentWords(const uint8_t* data, size_t size)
{
    QStringList words;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& word : bytes.split('\0'))
        words << QString::fromLocal8Bit(word);
    return words;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QVector<CommandSpec> commands = BatchCommands();
    FuzzSetUp();
    const QStringList words = argumentWords(data, size);
    const CommandSpec* command = nullptr;
    for (const CommandSpec& c : commands)
        if (c.name == words.value(0))
            command = &c;
    if (!command)
        return 0;
    CommandArgs args;
    QString error;
    if (!ParseCommandArgs(*command, words.mid(1), &args, &error)) {
        if (error.isEmpty())
            FuzzFault(QStringLiteral("a usage error without a reason"));
        (void)UsageLine(*command);
        return 0;
    }
    if (args.positional.size() < command->minArguments && !args.has(QStringLiteral("help")))
        FuzzFault(QStringLiteral("too few arguments accepted"));
    if (!args.has(QStringLiteral("help")) && command->maxArguments >= 0 && args.positional.size() > command->maxArguments)
        FuzzFault(QStringLiteral("too many arguments accepted"));
    for (auto it = args.values.cbegin(); it != args.values.cend(); ++it) {
        bool known = false;
        for (const OptionSpec& o : command->options)
            known = known || o.name == it.key();
        for (const OptionSpec& o : CommonOptions())
            known = known || o.name == it.key();
        if (!known)
            FuzzFault(QStringLiteral("an unknown option accepted: ") + it.key());
    }
    if (args.has(QStringLiteral("help")))
        (void)CommandHelp(*command);
    double from = 0;
    double to = 0;
    if (ReadCodeRange(args, QStringLiteral("没有给出编码范围"), &from, &to).isEmpty() && to < from)
        FuzzFault(QStringLiteral("a code range that ends below its start"));
    return 0;
}
