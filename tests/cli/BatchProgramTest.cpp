#include "cli/BatchRun.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {
// Every command the program offers; each has its own help.
const QStringList kCommands = {"check", "csv", "export", "inspect", "import", "summary", "stats"};

struct UsageCase {
    const char* name;
    QStringList arguments;
    int status;
    QString out; // the beginning of standard output
    QString err; // a part of standard error; empty: nothing on standard error
};
} // namespace

TEST(BatchProgram, UsageErrorsAndHelp)
{
    TestEnvironment env;
    const QString db = env.systemDataFile();
    const std::vector<UsageCase> cases = {
        {"no command", {}, 2, "", "没有给出命令"},
        {"unknown command", {"frobnicate"}, 2, "", "没有这个命令：frobnicate"},
        {"unknown option", {"check", db, "--frobnicate"}, 2, "", "未知的选项：--frobnicate"},
        {"option without its value", {"check", db, "--report"}, 2, "", "选项 --report 缺少值 FILE"},
        {"flag given a value", {"check", db, "--json=yes"}, 2, "", "选项 --json 不带值"},
        {"missing argument", {"check"}, 2, "", "参数不够"},
        {"extra argument", {"check", db, "more"}, 2, "", "参数太多：more"},
        {"usage line on error", {"check"}, 2, "", "用法：tallyra-batch check DB [选项]"},
        {"bad wait", {"check", db, "--wait", "soon"}, 2, "", "--wait 要的是 0 到 86400 之间的秒数：soon"},
        {"program help", {"--help"}, 0, "用法：tallyra-batch 命令 参数... [选项]", ""},
        {"help command", {"help", "check"}, 0, "用法：tallyra-batch check DB [选项]", ""},
        {"help of an unknown command", {"help", "frobnicate"}, 2, "", "没有这个命令：frobnicate"},
        {"version", {"--version"}, 0, "tallyra-batch 1.0.0.", ""},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.name);
        const BatchRun run = RunBatch(c.arguments);
        EXPECT_EQ(run.status, c.status);
        if (!c.out.isEmpty())
            EXPECT_TRUE(run.out.startsWith(c.out)) << run.out.toStdString();
        if (c.err.isEmpty())
            EXPECT_EQ(run.err, "");
        else
            EXPECT_TRUE(run.err.contains(c.err)) << run.err.toStdString();
        if (c.status == 2)
            EXPECT_EQ(run.out, "") << "a usage error writes nothing on standard output";
    }
}

TEST(BatchProgram, EveryCommandHasItsHelp)
{
    TestEnvironment env;
    const BatchRun list = RunBatch({"--help"});
    for (const QString& command : kCommands) {
        SCOPED_TRACE(command.toStdString());
        EXPECT_TRUE(list.out.contains("  " + command + " ")) << "listed in the program's help";
        for (const QStringList& words : {QStringList{command, "--help"}, QStringList{command, "-h"}}) {
            const BatchRun run = RunBatch(words);
            EXPECT_EQ(run.status, 0);
            EXPECT_TRUE(run.out.startsWith("用法：tallyra-batch " + command + " ")) << run.out.toStdString();
            EXPECT_TRUE(run.out.contains("--json")) << "the common options are listed";
            EXPECT_TRUE(run.out.contains("退出状态")) << "the exit statuses are explained";
        }
    }
}

TEST(BatchProgram, TheHelpSaysWhereTheWindowsWorkingDatabaseIs)
{
    TestEnvironment env;
    const BatchRun help = RunBatch({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("窗口程序的工作数据库：" + env.systemDataFile() + "\n")) << help.out.toStdString();
    QFile::remove(env.systemDataFile());
    EXPECT_TRUE(RunBatch({"--help"}).out.contains(env.systemDataFile() + "（窗口程序第一次启动时建立）"));
}
