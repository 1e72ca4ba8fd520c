#include "cli/ExportCommands.h"

#include "cli/BatchDatabase.h"
#include "cli/BatchOutput.h"
#include "cli/OutputFile.h"
#include "base/FileNameRule.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/ExchangeRules.h"
#include "exchange/PackageExport.h"
#include "exchange/UploadCsv.h"

#include <QFileInfo>

namespace {
// The target as the export windows name it, refused when it is the working database or one of
// the sources, or when it exists and --yes was not given.
QString exportTarget(const CommandArgs& args, const QString& extension, QString* refused,
                     const QStringList& sources = {})
{
    const QString target =
        QFileInfo(ApplyFileNameRule(args.positional[1], ExtendShortNames(extension))).absoluteFilePath();
    *refused = RefuseOutputFile(target, args, sources);
    return target;
}

// Both exports wait for every return to be saved without logic errors. True when refused (the
// refusal or the error is already out).
bool refuseUnfinished(BatchOutput& out, const QString& refusal, int* status)
{
    try {
        const qint64 unfinished = UnfinishedReturnCount(SysConnection());
        out.result().insert(QStringLiteral("unfinishedReturns"), unfinished);
        if (unfinished == 0)
            return false;
        out.error(refusal);
        out.result().insert(QStringLiteral("error"), refusal);
        *status = out.finish(1);
    } catch (const DbError& e) {
        *status = out.fail(RunErrorText(e.message()));
    }
    return true;
}

int runCsv(const CommandArgs& args, BatchOutput& out)
{
    const QString opened = OpenBatchDatabase(args.positional[0], args);
    if (!opened.isEmpty())
        return out.fail(opened);
    QString refused;
    const QString target = exportTarget(args, QStringLiteral(".csv"), &refused);
    if (!refused.isEmpty())
        return out.fail(refused);
    int status = 0;
    if (refuseUnfinished(out, QStringLiteral("存在临时保存或逻辑错误的数据，不能导出上报数据!"), &status))
        return status;
    ExchangeHooks hooks;
    hooks.started = [&out](qint64 total) { out.startProgress(QStringLiteral("导出上报数据"), total); };
    hooks.stepped = [&out](qint64 done) { out.setProgress(done); };
    hooks.stopped = [] { return InterruptRequested(); };
    const UploadCsvResult result = WriteUploadCsv(SysConnection(), target, hooks);
    if (!result.error.isEmpty())
        return out.fail(RunErrorText(result.error));
    out.result().insert(QStringLiteral("file"), target);
    out.result().insert(QStringLiteral("returns"), result.rows);
    out.line(QStringLiteral("导出上报数据成功：%1个单位的数据写到 %2").arg(result.rows).arg(target));
    return out.finish(0);
}

int runExport(const CommandArgs& args, BatchOutput& out)
{
    // The label the export window asks for, given on the command line instead.
    if (!args.has(QStringLiteral("label")))
        return out.fail(QStringLiteral("请用 --label 给出提供数据的单位的名称"));
    const QString label = args.value(QStringLiteral("label"));
    if (label.trimmed().isEmpty() || label == DefaultDatabaseLabel())
        return out.fail(QStringLiteral("必须修改默认的名称！"));
    if (label.size() > 255)
        return out.fail(QStringLiteral("请输入提供数据的单位的名称，长度不要超过200个汉字"));
    const QString opened = OpenBatchDatabase(args.positional[0], args);
    if (!opened.isEmpty())
        return out.fail(opened);
    QString refused;
    const QString target = exportTarget(args, QStringLiteral(".dat"), &refused, {PackageTemplatePath()});
    if (!refused.isEmpty())
        return out.fail(refused);
    int status = 0;
    if (refuseUnfinished(out, QStringLiteral("存在临时保存或逻辑错误的数据，不能上报!"), &status))
        return status;
    const PackageExportResult result = WritePackage(SysConnection(), PackageTemplatePath(), target, label);
    if (!result.error.isEmpty())
        return out.fail(RunErrorText(result.error));
    out.result().insert(QStringLiteral("file"), target);
    out.result().insert(QStringLiteral("label"), label);
    out.result().insert(QStringLiteral("returns"), result.rows);
    out.line(QStringLiteral("%1个单位的数据已经被正确导出到：'%2'！").arg(result.rows).arg(target));
    return out.finish(0);
}
} // namespace

CommandSpec CsvCommand()
{
    CommandSpec c;
    c.name = QStringLiteral("csv");
    c.arguments = QStringLiteral("DB OUT.csv");
    c.minArguments = c.maxArguments = 2;
    c.summary = QStringLiteral("上报到网络版：写出上报数据的 CSV 文件");
    c.description = QStringLiteral(
        "把数据库 DB 的全部单位的数据写成上报网络版用的 CSV 文件（GBK 文本），与“上报到网络版”相同。\n"
        "有临时保存或存在逻辑错误的数据时不导出，退出状态为 1。\n"
        "文件名按导出窗口的规则补上 .csv；已有的文件只在给出 --yes 时被替换。");
    c.options = {{QStringLiteral("yes"), QString(), QStringLiteral("替换已有的输出文件")}};
    c.run = runCsv;
    return c;
}

CommandSpec ExportCommand()
{
    CommandSpec c;
    c.name = QStringLiteral("export");
    c.arguments = QStringLiteral("DB OUT.dat");
    c.minArguments = c.maxArguments = 2;
    c.summary = QStringLiteral("上报到离线版：写出数据加密文件（.dat）");
    c.description = QStringLiteral("把数据库 DB 的数据写成交给上级的数据加密文件，与“上报到离线版”相同；\n"
                                   "窗口询问的数据库标识由 --label 给出，不能是“默认数据库”。\n"
                                   "有临时保存或存在逻辑错误的数据时不导出，退出状态为 1。\n"
                                   "文件名按导出窗口的规则补上 .dat；已有的文件只在给出 --yes 时被替换。");
    c.options = {
        {QStringLiteral("label"), QStringLiteral("NAME"),
         QStringLiteral("提供数据的单位的名称（数据库标识）")},
        {QStringLiteral("yes"), QString(), QStringLiteral("替换已有的输出文件")},
    };
    c.run = runExport;
    return c;
}
