#include "cli/CommandLine.h"

#include "base/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
const OptionSpec* findOption(const CommandSpec& command, const QString& name)
{
    for (const OptionSpec& o : command.options)
        if (o.name == name)
            return &o;
    for (const OptionSpec& o : CommonOptions())
        if (o.name == name)
            return &o;
    return nullptr;
}

QString optionLines(const QVector<OptionSpec>& options)
{
    QString text;
    for (const OptionSpec& o : options) {
        QString head = QStringLiteral("  --") + o.name;
        if (!o.valueName.isEmpty())
            head += QLatin1Char(' ') + o.valueName;
        text += head.leftJustified(24) + QLatin1Char(' ') + o.help + QLatin1Char('\n');
    }
    return text;
}
} // namespace

const QVector<OptionSpec>& CommonOptions()
{
    static const QVector<OptionSpec> options = {
        {QStringLiteral("json"), QString(), QStringLiteral("结果以 JSON 写到标准输出")},
        {QStringLiteral("wait"), QStringLiteral("SECONDS"),
         QStringLiteral("数据库正被另一程序写入时最多等待的秒数（默认 60）")},
        {QStringLiteral("help"), QString(), QStringLiteral("显示本命令的说明")},
    };
    return options;
}

bool ParseCommandArgs(const CommandSpec& command, const QStringList& words, CommandArgs* args, QString* error)
{
    *args = CommandArgs();
    bool optionsEnded = false;
    for (int i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (optionsEnded || !word.startsWith(QLatin1Char('-')) || word == QLatin1String("-")) {
            args->positional << word;
            continue;
        }
        if (word == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (word == QLatin1String("-h")) {
            args->values.insert(QStringLiteral("help"), QString());
            continue;
        }
        QString name = word.mid(2);
        QString value;
        bool inlineValue = false;
        const int equals = name.indexOf(QLatin1Char('='));
        if (equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
            inlineValue = true;
        }
        const OptionSpec* option = word.startsWith(QLatin1String("--")) ? findOption(command, name) : nullptr;
        if (!option) {
            *error = QStringLiteral("未知的选项：%1").arg(word);
            return false;
        }
        if (option->valueName.isEmpty()) {
            if (inlineValue) {
                *error = QStringLiteral("选项 --%1 不带值").arg(name);
                return false;
            }
        } else if (!inlineValue) {
            if (i + 1 >= words.size()) {
                *error = QStringLiteral("选项 --%1 缺少值 %2").arg(name, option->valueName);
                return false;
            }
            value = words[++i];
        }
        args->values.insert(name, value);
    }
    if (args->has(QStringLiteral("help")))
        return true;
    const int count = args->positional.size();
    if (count < command.minArguments || (command.maxArguments >= 0 && count > command.maxArguments)) {
        *error = count < command.minArguments
                     ? QStringLiteral("参数不够")
                     : QStringLiteral("参数太多：%1")
                           .arg(args->positional.mid(command.maxArguments).join(QLatin1Char(' ')));
        return false;
    }
    return true;
}

QString UsageLine(const CommandSpec& command)
{
    QString line = QStringLiteral("用法：tallyra-batch ") + command.name;
    if (!command.arguments.isEmpty())
        line += QLatin1Char(' ') + command.arguments;
    return line + QStringLiteral(" [选项]");
}

QString CommandHelp(const CommandSpec& command)
{
    QString text =
        UsageLine(command) + QStringLiteral("\n\n") + command.description + QStringLiteral("\n\n选项：\n");
    text += optionLines(command.options);
    text += optionLines(CommonOptions());
    text += QLatin1Char('\n') + ExitStatusText() + QLatin1Char('\n');
    return text;
}

QString ProgramDescription()
{
    return QStringLiteral("在命令行上对工作数据库做批量工作，与窗口程序用同样的过程。");
}

QString ExitStatusText()
{
    return QStringLiteral("退出状态：0 完成；1 完成，但发现问题；2 用法错误或运行错误。");
}

QString ProgramHelp(const QVector<CommandSpec>& commands)
{
    QString text = QStringLiteral("用法：tallyra-batch 命令 参数... [选项]\n\n") + ProgramDescription() +
                   QStringLiteral("\n\n命令：\n");
    for (const CommandSpec& c : commands)
        text += (QStringLiteral("  ") + c.name).leftJustified(12) + QLatin1Char(' ') + c.summary +
                QLatin1Char('\n');
    const QString database = WorkingDatabaseFile();
    text += QStringLiteral("\n“tallyra-batch 命令 --help”显示该命令的说明。\n") + ExitStatusText() +
            QStringLiteral("\n窗口程序的工作数据库：") + QDir::toNativeSeparators(database) +
            (QFileInfo::exists(database) ? QString() : QStringLiteral("（窗口程序第一次启动时建立）")) +
            QLatin1Char('\n');
    return text;
}

QString ReadCodeRange(const CommandArgs& args, const QString& zeroMessage, double* from, double* to)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{0,12}$"));
    for (const QString& name : {QStringLiteral("from"), QStringLiteral("to")}) {
        const QString text = args.value(name);
        if (!digits.match(text).hasMatch())
            return QStringLiteral("单位编号只能是 12 位以内的数字：--%1 %2").arg(name, text);
        *(name == QLatin1String("from") ? from : to) = text.isEmpty() ? 0 : text.toDouble();
    }
    if (*from == 0 || *to == 0)
        return zeroMessage;
    if (*to < *from)
        *to = *from;
    return QString();
}
