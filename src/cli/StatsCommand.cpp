#include "cli/StatsCommand.h"

#include "cli/BatchDatabase.h"
#include "cli/BatchOutput.h"
#include "cli/OutputFile.h"
#include "db/WorkingDatabase.h"
#include "exchange/AnalysisFile.h"
#include "summary/DataList.h"

#include <QDateTime>
#include <QFileInfo>

namespace {
int runStats(const CommandArgs& args, BatchOutput& out)
{
    AnalysisFileRequest request;
    const QString target = QFileInfo(args.positional[1]).absoluteFilePath();
    if (!AnalysisFormatOfName(target, &request.format))
        return out.fail(
            QStringLiteral("输出文件名要以 .sav（SPSS）或 .dta（Stata）结尾：%1").arg(args.positional[1]));
    DataListChoice choice;
    if (args.has(QStringLiteral("from")) || args.has(QStringLiteral("to"))) {
        choice.scope = DataListScope::Range;
        const QString problem =
            ReadCodeRange(args, QStringLiteral("请输入单位编号的范围"), &choice.from, &choice.to);
        if (!problem.isEmpty())
            return out.fail(problem);
        out.result().insert(QStringLiteral("from"), choice.from);
        out.result().insert(QStringLiteral("to"), choice.to);
    }
    // Only read: the file cannot change through this command.
    const QString opened = OpenBatchDatabase(args.positional[0], args, true);
    if (!opened.isEmpty())
        return out.fail(opened);
    const QString refused = RefuseOutputFile(target, args);
    if (!refused.isEmpty())
        return out.fail(refused);

    request.condition = DataListCondition(choice);
    request.databaseLabel = DatabaseLabel;
    request.exportTime = QDateTime::currentDateTime();
    ExchangeHooks hooks;
    hooks.started = [&out](qint64 total) { out.startProgress(QStringLiteral("导出分析数据"), total); };
    hooks.stepped = [&out](qint64 done) { out.setProgress(done); };
    hooks.stopped = [] { return InterruptRequested(); };
    const AnalysisFileResult result = WriteAnalysisFile(SysConnection(), target, request, hooks);
    out.endProgress();
    if (!result.ok())
        return out.fail(RunErrorText(result.error));

    QJsonObject& json = out.result();
    json.insert(QStringLiteral("database"), CurrentDatabasePath);
    json.insert(QStringLiteral("label"), DatabaseLabel);
    json.insert(QStringLiteral("file"), target);
    json.insert(QStringLiteral("format"),
                request.format == AnalysisFormat::Spss ? QStringLiteral("sav") : QStringLiteral("dta"));
    json.insert(QStringLiteral("returns"), result.rows);
    out.line(QStringLiteral("导出分析数据成功：%1个单位的数据写到 %2").arg(result.rows).arg(target));
    return out.finish(0);
}
} // namespace

CommandSpec StatsCommand()
{
    CommandSpec c;
    c.name = QStringLiteral("stats");
    c.arguments = QStringLiteral("DB OUT.sav|OUT.dta");
    c.minArguments = c.maxArguments = 2;
    c.summary = QStringLiteral("导出分析数据：写出带变量标签和值标签的 SPSS（.sav）或 Stata（.dta）数据文件");
    c.description = QStringLiteral(
        "把数据库 DB 的单位数据按编号顺序写成统计分析用的数据文件，与“导出分析数据”相同：\n"
        "字段目录中的每个字段一个变量，变量标签为字段说明，代码字段带值标签，空值为缺失值。\n"
        "文件类型由扩展名决定：.sav 为 SPSS 数据文件，.dta 为 Stata 14 数据文件（版本 118）。\n"
        "数据库文件只被读取；已有的输出文件只在给出 --yes 时被替换。");
    c.options = {
        {QStringLiteral("from"), QStringLiteral("CODE"),
         QStringLiteral("只导出单位编号从 CODE 起的数据（与 --to 同用）")},
        {QStringLiteral("to"), QStringLiteral("CODE"),
         QStringLiteral("只导出单位编号到 CODE 为止的数据（与 --from 同用）")},
        {QStringLiteral("yes"), QString(), QStringLiteral("替换已有的输出文件")},
    };
    c.run = runStats;
    return c;
}
