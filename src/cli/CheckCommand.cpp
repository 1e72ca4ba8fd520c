#include "cli/CheckCommand.h"

#include "base/Paths.h"
#include "cli/BatchDatabase.h"
#include "cli/BatchOutput.h"
#include "db/DbError.h"
#include "db/ExportTarget.h"
#include "db/WorkingDatabase.h"
#include "logic/BatchCheck.h"
#include "logic/BatchRuleSet.h"

#include <QDateTime>
#include <QFileInfo>

namespace {
int runCheck(const CommandArgs& args, BatchOutput& out)
{
    QString sql = AllRecordsCheckSql();
    if (args.has(QStringLiteral("from")) || args.has(QStringLiteral("to"))) {
        double from = 0, to = 0;
        const QString problem = ReadCodeRange(args, QStringLiteral("请输入逻辑检查的范围"), &from, &to);
        if (!problem.isEmpty())
            return out.fail(problem);
        sql = RangeCheckSql(from, to);
        out.result().insert(QStringLiteral("from"), from);
        out.result().insert(QStringLiteral("to"), to);
    }
    const QString opened = OpenBatchDatabase(args.positional.first(), args);
    if (!opened.isEmpty())
        return out.fail(opened);
    const QString report = args.has(QStringLiteral("report"))
                               ? QFileInfo(args.value(QStringLiteral("report"))).absoluteFilePath()
                               : BatchReportPath(DocumentsFolder(), DatabaseLabel);
    const QString refused = RefuseExportTarget(report);
    if (!refused.isEmpty())
        return out.fail(refused);

    BatchCheckHooks hooks;
    hooks.started = [&out](qint64 total, qint64) { out.startProgress(QStringLiteral("检查进度"), total); };
    hooks.stepped = [&out] { out.stepProgress(); };
    hooks.stopped = [] { return InterruptRequested(); };
    BatchCheckResult result;
    try {
        result = RunBatchCheck(SysConnection(), sql, report, QDateTime::currentDateTime(), true, hooks);
    } catch (const DbError& e) {
        return out.fail(RunErrorText(e.message()));
    } catch (const ReportFileError& e) {
        return out.fail(RunErrorText(QString::fromUtf8(e.what())));
    }
    out.endProgress();

    QJsonObject& json = out.result();
    json.insert(QStringLiteral("database"), CurrentDatabasePath);
    json.insert(QStringLiteral("label"), DatabaseLabel);
    json.insert(QStringLiteral("report"), report);
    json.insert(QStringLiteral("checkedRecords"), result.checkedRecords);
    json.insert(QStringLiteral("failedRecords"), result.failedRecords);
    json.insert(QStringLiteral("failedChecks"), result.failedChecks);
    json.insert(QStringLiteral("stopped"), result.stopped);
    if (result.stopped) {
        // What was decided before the stop stays, as after "返  回" in the window.
        out.error(QStringLiteral("检查在第 %1 个单位后中止；已检查的记录状态和报告内容保留在：%2")
                      .arg(result.checkedRecords)
                      .arg(report));
        return out.finish(2);
    }
    out.line(QStringLiteral("检查了%1个单位的数据").arg(result.checkedRecords));
    if (!result.anyError()) {
        out.line(BatchCleanMessage());
        return out.finish(0);
    }
    for (const QString& line : BatchSummaryLines(result).mid(1))
        out.line(line);
    out.line(BatchReportSavedMessage(report));
    return out.finish(1);
}
} // namespace

CommandSpec CheckCommand()
{
    CommandSpec c;
    c.name = QStringLiteral("check");
    c.arguments = QStringLiteral("DB");
    c.minArguments = c.maxArguments = 1;
    c.summary = QStringLiteral("逻辑检查：写出检查结果报告，标记每个单位的记录状态");
    c.description = QStringLiteral(
        "对数据库 DB 中填报数据的单位（填报状态 1、2）做逻辑检查，与“检查数据的逻辑”窗口相同：\n"
        "通过的记录状态设为 1，有错误的设为 2，检查结果报告（GBK 文本）写到用户文档文件夹中的\n"
        "“2012基层以上-标签-逻辑检查结果.txt”，或 --report 指定的文件。\n"
        "退出状态 0：所检查的数据没有逻辑错误；1：有单位的数据存在逻辑错误。");
    c.options = {
        {QStringLiteral("from"), QStringLiteral("CODE"),
         QStringLiteral("只检查单位编号从 CODE 起的记录（与 --to 同用）")},
        {QStringLiteral("to"), QStringLiteral("CODE"),
         QStringLiteral("只检查单位编号到 CODE 为止的记录（与 --from 同用）")},
        {QStringLiteral("report"), QStringLiteral("FILE"), QStringLiteral("检查结果报告写到 FILE")},
    };
    c.run = runCheck;
    return c;
}
