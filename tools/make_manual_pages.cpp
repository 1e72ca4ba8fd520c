// Writes the manual pages of the two programs:
//   tallyra-batch.1  from the same texts as tallyra-batch --help (its commands, their options)
//   tallyra.1        from its source page, written by hand (the window program has no options)
// Both get @VERSION@ and @DATE@ filled in, and break points between Chinese characters, where
// the formatter finds none by itself, so the Chinese text fills its lines.
// Usage: make_manual_pages OUTPUT_FOLDER VERSION DATE TALLYRA_PAGE_SOURCE
#include "base/PublicProcedure.h"
#include "cli/BatchCommands.h"
#include "cli/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace {
[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "make_manual_pages: %s\n", message.toLocal8Bit().constData());
    std::exit(1);
}

bool isWide(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x2e80 && u <= 0x9fff) || (u >= 0xff00 && u <= 0xffef) || u == 0x201c || u == 0x201d ||
           u == 0x2018 || u == 0x2019;
}

// Marks of Chinese text that no line may begin or end with.
bool opensText(QChar c)
{
    return QStringLiteral("（「『“‘《〈【([").contains(c);
}
bool closesText(QChar c)
{
    return QStringLiteral("，。、：；！？）」』”’》〉】)]").contains(c);
}

// A line of page text with the formatter's break point "\:" between Chinese characters.
QString withBreakPoints(const QString& line)
{
    QString out;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        out += c;
        if (i + 1 >= line.size())
            break;
        const QChar next = line[i + 1];
        if ((isWide(c) || isWide(next)) && !c.isSpace() && !next.isSpace() && c != QLatin1Char('\\') &&
            !opensText(c) && !closesText(next))
            out += QStringLiteral("\\:");
    }
    return out;
}

// A page with its fields filled in and break points in its text; the NAME line is left as it
// is for the programs that index the pages.
QString finishPage(QString page, const QString& version, const QString& date)
{
    page.replace(QStringLiteral("@VERSION@"), version).replace(QStringLiteral("@DATE@"), date);
    QStringList lines = page.split(QLatin1Char('\n'));
    bool nameLine = false;
    for (int i = 0; i < lines.size(); ++i) {
        QString& line = lines[i];
        if (nameLine || line.startsWith(QLatin1String(".TH"))) {
            nameLine = false;
            continue;
        }
        nameLine = line == QLatin1String(".SH NAME");
        // The formatter puts a space where a text line ends; Chinese runs on without one.
        const QString next = i + 1 < lines.size() ? lines[i + 1] : QString();
        const bool runsOn = !line.isEmpty() && !next.isEmpty() && !line.startsWith(QLatin1Char('.')) &&
                            !next.startsWith(QLatin1Char('.')) && isWide(line.back()) && isWide(next.front());
        line = withBreakPoints(line);
        if (runsOn)
            line += QStringLiteral("\\c");
    }
    return lines.join(QLatin1Char('\n'));
}

// Help text as page text: escapes, and a text line never taken for a request.
QString roff(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\e")).replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('\'')))
        out.prepend(QStringLiteral("\\&"));
    return out;
}

// The help's lines, broken for a terminal, as one paragraph: Chinese joins Chinese directly.
QString paragraph(const QString& text)
{
    QString out;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString part = line.trimmed();
        if (part.isEmpty())
            continue;
        if (!out.isEmpty() && !(isWide(out.back()) && isWide(part.front())))
            out += QLatin1Char(' ');
        out += part;
    }
    return roff(out);
}

QString optionItems(const QVector<OptionSpec>& options)
{
    QString page;
    for (const OptionSpec& o : options) {
        page += QStringLiteral(".TP\n\\fB\\-\\-%1\\fP").arg(roff(o.name));
        if (!o.valueName.isEmpty())
            page += QStringLiteral(" \\fI%1\\fP").arg(roff(o.valueName));
        page += QLatin1Char('\n') + paragraph(o.help) + QLatin1Char('\n');
    }
    return page;
}

QString batchPage()
{
    QString page =
        QStringLiteral(
            ".TH TALLYRA\\-BATCH 1 \"@DATE@\" \"Tallyra @VERSION@\" \"Tallyra\"\n"
            ".ad l\n.nh\n"
            ".SH NAME\n"
            "tallyra\\-batch \\- %2\n"
            ".SH SYNOPSIS\n"
            ".B tallyra\\-batch\n.I 命令 参数...\n.RI [ 选项 ]\n.br\n"
            ".B tallyra\\-batch \\-\\-help\n.RI [ 命令 ]\n.br\n"
            ".B tallyra\\-batch \\-\\-version\n"
            ".SH DESCRIPTION\n%1\n.PP\n"
            "各命令与窗口程序的同名操作做同样的工作，用同样的提示文字；结果写到标准输出，错误写到标准错误；"
            "只在标准错误是终端时显示进度条。命令从不询问：窗口要问的，由选项给出。\n"
            ".SH COMMANDS\n")
            .arg(roff(ProgramDescription()), roff(ProgramDescription().section(QStringLiteral("，"), 0, 0)));
    for (const CommandSpec& c : BatchCommands()) {
        page += QStringLiteral(".TP\n\\fB%1\\fP %2 [选项]\n").arg(roff(c.name), roff(c.arguments));
        page +=
            paragraph(c.summary) + QStringLiteral("。\n.IP\n") + paragraph(c.description) + QLatin1Char('\n');
        if (!c.options.isEmpty())
            page += QStringLiteral(".RS\n") + optionItems(c.options) + QStringLiteral(".RE\n");
    }
    page += QStringLiteral(".SH OPTIONS\n每个命令都接受的选项：\n") + optionItems(CommonOptions());
    page += QStringLiteral(".SH \"EXIT STATUS\"\n") + paragraph(ExitStatusText()) + QLatin1Char('\n');
    page += QStringLiteral(
        ".SH FILES\n"
        ".TP\n.I ~/.local/share/Tallyra/2012NB_zul.mdb\n"
        "安装后窗口程序的工作数据库。在构建目录中运行时它在程序旁边，设置了 TALLYRA_HOME 时在那个文件夹中；\n"
        ".B tallyra\\-batch \\-\\-help\n"
        "显示它的实际位置。\n"
        ".TP\n.I ~/Documents/\n"
        "用户的文档文件夹：检查结果报告（没有给出 \\-\\-report 时）和“数据导入编号冲突.txt”。\n"
        ".SH ENVIRONMENT\n"
        ".TP\n.B TALLYRA_HOME\n"
        "程序文件夹：随程序提供的文件和工作文件都在这里。\n"
        ".TP\n.B TALLYRA_SETTINGS_DIR\n"
        "设置文件所在的文件夹（默认 ~/.config/Tallyra）。\n"
        ".SH \"SEE ALSO\"\n"
        ".BR tallyra (1)\n");
    return page;
}

void writeWhole(const QString& path, const QString& text)
{
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    QString error;
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !CommitWhole(file, &error))
        fail(QStringLiteral("cannot write %1 %2").arg(path, error));
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 5)
        fail(QStringLiteral("usage: make_manual_pages OUTPUT_FOLDER VERSION DATE TALLYRA_PAGE_SOURCE"));
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString version = QString::fromLocal8Bit(argv[2]);
    const QString date = QString::fromLocal8Bit(argv[3]);
    QFile source(QString::fromLocal8Bit(argv[4]));
    if (!source.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(source.fileName()));
    QDir().mkpath(out.absolutePath());
    writeWhole(out.filePath(QStringLiteral("tallyra-batch.1")), finishPage(batchPage(), version, date));
    writeWhole(out.filePath(QStringLiteral("tallyra.1")),
               finishPage(QString::fromUtf8(source.readAll()), version, date));
    return 0;
}
