#include "cli/DiffCommand.h"

#include "cli/BatchDatabase.h"
#include "cli/BatchOutput.h"
#include "cli/PackageCommands.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/PackageDiff.h"
#include "exchange/PackageImport.h"
#include "exchange/PackagePreview.h"

#include <QJsonObject>

namespace {
int runDiff(const CommandArgs& args, BatchOutput& out)
{
    // The delivered system data file gives the tables both must match and the catalogue.
    const QString opened = OpenReferenceDatabase(args);
    if (!opened.isEmpty())
        return out.fail(opened);
    try {
        const ReceivedFile a(SysConnection(), args.positional[0], QStringLiteral("dt_data"));
        const ReceivedFile b(SysConnection(), args.positional[1], QStringLiteral("dt_data"));
        for (const ReceivedFile* file : {&a, &b}) {
            const QString refusal = ReceivedFileRefusal(*file);
            if (!refusal.isEmpty())
                return out.fail(file->chosen() + QStringLiteral("：") + refusal);
        }
        ExchangeHooks hooks;
        hooks.started = [&out](qint64 total) { out.startProgress(QStringLiteral("比较进度"), total); };
        hooks.stepped = [&out](qint64 done) { out.setProgress(done); };
        hooks.stopped = [] { return InterruptRequested(); };
        const ReturnComparison diff = DiffPackages(SysConnection(), a, b, hooks);
        out.endProgress();
        if (diff.stopped)
            return out.fail(QStringLiteral("比较没有完成：已停止"));
        const QJsonObject json = PackageDiffJson(diff);
        for (auto it = json.begin(); it != json.end(); ++it)
            out.result().insert(it.key(), it.value());
        if (!out.json())
            for (const QString& line : PackageDiffLines(diff))
                out.line(line);
        return out.finish(SameReturns(diff) ? 0 : 1);
    } catch (const DbError& e) {
        return out.fail(RunErrorText(e.message()));
    }
}
} // namespace

CommandSpec DiffCommand()
{
    CommandSpec c;
    c.name = QStringLiteral("diff");
    c.arguments = QStringLiteral("A B");
    c.minArguments = 2;
    c.maxArguments = 2;
    c.summary = QStringLiteral("比较两个数据加密文件（或数据库文件）中的数据");
    c.description = QStringLiteral(
        "比较 A 和 B 中的数据，什么也不改变：只在 A 中、只在 B 中的编号，两边相同的编号，以及两边\n"
        "不同的编号和每个不同的字段（字段名、项目、A 中的值、B 中的值）。两个文件都像“数据导入”\n"
        "那样检查。值按存储的比较：空值与 0 不同，12.0 与 12 相同。两边的数据相同时退出状态为 0，\n"
        "不同时为 1。");
    c.run = runDiff;
    return c;
}
