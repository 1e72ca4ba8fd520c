#include "cli/PackageCommands.h"

#include "base/Paths.h"
#include "cli/BatchDatabase.h"
#include "cli/BatchOutput.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/DecidedImport.h"
#include "exchange/DecisionRecord.h"
#include "exchange/PackageImport.h"
#include "exchange/PackagePreview.h"
#include "exchange/ReceiptRegister.h"
#include "logic/BatchRuleSet.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace {
const QString kTable = QStringLiteral("dt_data");

// Why a received file cannot be imported, in the import window's words; empty when it can.
QString refusalOf(const ReceivedFile& source)
{
    const QString refusal = ReceivedFileRefusal(source);
    return source.status() == ReceivedFile::Refused ? RunErrorText(refusal) : refusal;
}

// Why a file is not imported before anything is tried: its refusal, or the label the run was
// not asked to confirm. Empty when the import goes ahead.
QString heldBack(const ReceivedFile& source, bool confirmed)
{
    const QString refusal = refusalOf(source);
    if (!refusal.isEmpty() || confirmed)
        return refusal;
    // The window asks to confirm the label; unasked, the answer is no.
    return QStringLiteral("未确认标记声明为【%1】的数据（加 --yes 导入）").arg(ShownLabel(source.label()));
}

// An import's progress on standard error; Ctrl-C stops it.
ExchangeHooks importHooks(BatchOutput& out)
{
    ExchangeHooks hooks;
    hooks.started = [&out](qint64 total) { out.startProgress(QStringLiteral("导入进度"), total); };
    hooks.stepped = [&out](qint64 done) { out.setProgress(done); };
    hooks.stopped = [] { return InterruptRequested(); };
    return hooks;
}

int runInspect(const CommandArgs& args, BatchOutput& out)
{
    const bool withDb = args.has(QStringLiteral("db"));
    const QString opened = OpenReferenceDatabase(args);
    if (!opened.isEmpty())
        return out.fail(opened);
    QJsonArray packages;
    bool problems = false;
    out.line(withDb ? QStringLiteral("文件\t标识\t单位数\t已有编号\t未通过检查\t结论")
                    : QStringLiteral("文件\t标识\t单位数\t未通过检查\t结论"));
    for (const QString& path : args.positional) {
        QJsonObject entry;
        entry.insert(QStringLiteral("package"), path);
        QString verdict;
        QStringList cells = {path};
        // Whatever one file holds, it gets its own line and the next file is looked at.
        bool readable = false;
        try {
            const ReceivedFile source(SysConnection(), path, kTable);
            verdict = refusalOf(source);
            if (verdict.isEmpty()) {
                try {
                    const qint64 failed = FailingReturnCount(SysConnection(), source);
                    const qint64 existing = withDb ? ExistingCodeCount(SysConnection(), source) : 0;
                    entry.insert(QStringLiteral("label"), source.label());
                    entry.insert(QStringLiteral("returns"), source.recordCount());
                    entry.insert(QStringLiteral("failingReturns"), failed);
                    cells << ShownLabel(source.label()) << QString::number(source.recordCount());
                    if (withDb) {
                        entry.insert(QStringLiteral("existingCodes"), existing);
                        cells << QString::number(existing);
                    }
                    cells << QString::number(failed);
                    verdict = existing > 0 ? QStringLiteral("编号与数据库中的重复，导入时会被拒绝")
                              : failed > 0 ? QStringLiteral("可以导入，但有数据存在逻辑错误")
                                           : QStringLiteral("可以导入");
                    problems = problems || existing > 0 || failed > 0;
                    readable = true;
                } catch (const DbError& e) {
                    verdict = RunErrorText(source.named(e.message()));
                } catch (const ReportFileError& e) {
                    verdict = RunErrorText(source.named(QString::fromUtf8(e.what())));
                }
            }
        } catch (const DbError& e) {
            verdict = RunErrorText(e.message());
        }
        if (!readable) {
            cells = QStringList{path, QString(), QString()};
            if (withDb)
                cells << QString();
            cells << QString();
            problems = true;
        }
        entry.insert(QStringLiteral("readable"), readable);
        entry.insert(QStringLiteral("verdict"), verdict);
        packages.append(entry);
        out.line((cells << verdict).join(QLatin1Char('\t')));
    }
    out.result().insert(QStringLiteral("packages"), packages);
    return out.finish(problems ? 1 : 0);
}

// "--on-conflict keep|replace": each package all or nothing, its conflicts settled the one way.
int runSettlingImport(const CommandArgs& args, BatchOutput& out, ConflictChoice choice)
{
    const QString opened = OpenBatchDatabase(args.positional.first(), args);
    if (!opened.isEmpty())
        return out.fail(opened);
    const bool confirmed = args.has(QStringLiteral("yes"));
    DecisionRecord record(DocumentsFolder(), QDateTime::currentDateTime());
    QJsonArray packages;
    QStringList table = {QStringLiteral("文件\t标识\t单位数\t新增\t替换\t保留\t结果")};
    int refused = 0;
    for (const QString& path : args.positional.mid(1)) {
        QString outcome, label;
        qint64 returns = 0;
        DecidedImportCounts counts;
        bool imported = false;
        try {
            const ReceiptEntry receipt = StartReceipt(QFileInfo(path).absoluteFilePath());
            QString registerError;
            const ReceivedFile source(SysConnection(), path, kTable);
            outcome = heldBack(source, confirmed);
            label = source.label();
            returns = source.recordCount();
            if (!outcome.isEmpty() && source.status() == ReceivedFile::Ready) {
                registerError = RegisterRefusal(SysConnection(), receipt, source, DeclinedReason(ShownLabel(label)));
            } else if (!outcome.isEmpty() && source.status() != ReceivedFile::NotFound) {
                registerError = RegisterRefusal(SysConnection(), receipt, source, source.message());
            } else if (outcome.isEmpty()) {
                DecidedImportOptions options;
                options.decisions.otherwise = choice;
                options.record = &record;
                options.shownFile = path;
                options.hooks = importHooks(out);
                const DecidedImportResult result =
                    ImportDecidedWithReceipt(SysConnection(), source, options, receipt, &registerError);
                out.endProgress();
                imported = result.status == DecidedImportResult::Imported;
                counts = result.counts;
                outcome = imported ? QStringLiteral("已导入")
                          : result.status == DecidedImportResult::Failed ? RunErrorText(result.error)
                                                                         : DecidedImportOutcome(result);
            }
            if (!registerError.isEmpty())
                out.error(RunErrorText(registerError));
        } catch (const DbError& e) {
            outcome = RunErrorText(e.message());
        }
        if (!imported)
            ++refused;
        QJsonObject entry;
        entry.insert(QStringLiteral("package"), path);
        entry.insert(QStringLiteral("label"), label);
        entry.insert(QStringLiteral("returns"), returns);
        entry.insert(QStringLiteral("imported"), imported);
        entry.insert(QStringLiteral("added"), counts.added);
        entry.insert(QStringLiteral("replaced"), counts.replaced);
        entry.insert(QStringLiteral("kept"), counts.kept);
        entry.insert(QStringLiteral("equal"), counts.equal);
        entry.insert(QStringLiteral("result"), outcome);
        packages.append(entry);
        table << QStringList{path, ShownLabel(label), QString::number(returns), QString::number(counts.added),
                             QString::number(counts.replaced), QString::number(counts.kept), outcome}
                     .join(QLatin1Char('\t'));
        if (InterruptRequested())
            break;
    }
    out.result().insert(QStringLiteral("database"), CurrentDatabasePath);
    out.result().insert(QStringLiteral("packages"), packages);
    for (const QString& line : table)
        out.line(line);
    if (!record.isEmpty()) {
        out.result().insert(QStringLiteral("decisionRecord"), record.path());
        out.line(QStringLiteral("冲突处理记录已经保存到：") + record.path());
    }
    return out.finish(refused > 0 ? 1 : 0);
}

int runImport(const CommandArgs& args, BatchOutput& out)
{
    const QString onConflict = args.has(QStringLiteral("on-conflict")) ? args.value(QStringLiteral("on-conflict"))
                                                                       : QStringLiteral("refuse");
    if (onConflict == QLatin1String("keep"))
        return runSettlingImport(args, out, ConflictChoice::Keep);
    if (onConflict == QLatin1String("replace"))
        return runSettlingImport(args, out, ConflictChoice::Replace);
    if (onConflict != QLatin1String("refuse"))
        return out.fail(QStringLiteral("--on-conflict 要的是 refuse、keep 或 replace：%1").arg(onConflict));
    const QString opened = OpenBatchDatabase(args.positional.first(), args);
    if (!opened.isEmpty())
        return out.fail(opened);
    const bool confirmed = args.has(QStringLiteral("yes"));
    QList<ConflictRecord> conflicts;
    QJsonArray packages;
    QStringList table = {QStringLiteral("文件\t标识\t单位数\t结果")};
    int refused = 0;
    for (const QString& path : args.positional.mid(1)) {
        QJsonObject entry;
        entry.insert(QStringLiteral("package"), path);
        QString outcome;
        bool imported = false;
        QString label;
        qint64 returns = 0;
        try {
            // Every file received gets its row in the register, imported or not.
            const ReceiptEntry receipt = StartReceipt(QFileInfo(path).absoluteFilePath());
            QString registerError;
            const ReceivedFile source(SysConnection(), path, kTable);
            outcome = refusalOf(source);
            label = source.label();
            returns = source.recordCount();
            if (!outcome.isEmpty() && source.status() != ReceivedFile::NotFound) {
                registerError = RegisterRefusal(SysConnection(), receipt, source, source.message());
            } else if (outcome.isEmpty() && !confirmed) {
                // The window asks to confirm the label; unasked, the answer is no.
                outcome =
                    QStringLiteral("未确认标记声明为【%1】的数据（加 --yes 导入）").arg(ShownLabel(label));
                registerError = RegisterRefusal(SysConnection(), receipt, source, DeclinedReason(ShownLabel(label)));
            } else if (outcome.isEmpty()) {
                ImportOptions options;
                options.hooks = importHooks(out);
                const ImportResult result = ImportWithReceipt(SysConnection(), source, options, receipt, &registerError);
                out.endProgress();
                switch (result.status) {
                case ImportResult::Imported:
                    imported = true;
                    returns = result.rows;
                    outcome = QStringLiteral("已导入");
                    break;
                case ImportResult::Conflicts:
                    conflicts += result.conflicts;
                    entry.insert(QStringLiteral("conflicts"), result.conflicts.size());
                    outcome = QStringLiteral("未导入：%1个单位的编号已经存在").arg(result.conflicts.size());
                    break;
                case ImportResult::Failed:
                    outcome = RunErrorText(result.error);
                    break;
                case ImportResult::Stopped:
                    outcome = result.error;
                    break;
                }
            }
            if (!registerError.isEmpty())
                out.error(RunErrorText(registerError));
        } catch (const DbError& e) {
            outcome = RunErrorText(e.message());
        }
        if (!imported)
            ++refused;
        entry.insert(QStringLiteral("label"), label);
        entry.insert(QStringLiteral("returns"), returns);
        entry.insert(QStringLiteral("imported"), imported);
        entry.insert(QStringLiteral("result"), outcome);
        packages.append(entry);
        table << QStringList{path, ShownLabel(label), QString::number(returns), outcome}.join(
            QLatin1Char('\t'));
        if (InterruptRequested())
            break;
    }
    out.result().insert(QStringLiteral("database"), CurrentDatabasePath);
    out.result().insert(QStringLiteral("packages"), packages);
    for (const QString& line : table)
        out.line(line);
    if (!conflicts.isEmpty()) {
        // One report for the whole run, listing the codes of every refused package.
        const QString report = ConflictReportPath();
        QString error;
        if (!WriteConflictReport(report, conflicts, &error))
            out.error(RunErrorText(error));
        else {
            out.result().insert(QStringLiteral("conflictReport"), report);
            out.line(QStringLiteral("编号冲突的详细内容请参见文件：") + report);
        }
    }
    return out.finish(refused > 0 ? 1 : 0);
}
} // namespace

QString OpenReferenceDatabase(const CommandArgs& args)
{
    // Without --db the delivered system data file gives the tables a package must match.
    const QString reference = args.has(QStringLiteral("db"))
                                  ? args.value(QStringLiteral("db"))
                                  : QDir(ProgramFolder()).filePath(QString::fromLatin1(SystemDataFileName()));
    return OpenBatchDatabase(reference, args, true);
}

CommandSpec InspectCommand()
{
    CommandSpec c;
    c.name = QStringLiteral("inspect");
    c.arguments = QStringLiteral("PKG...");
    c.minArguments = 1;
    c.maxArguments = -1;
    c.summary = QStringLiteral("查看数据加密文件：能否读取、标识、单位数、编号重复、逻辑检查");
    c.description = QStringLiteral(
        "逐个查看数据加密文件（或数据备份文件），什么也不改变：能否读取、是否安全（与“数据导入”\n"
        "同样的检查），数据库标识，单位数，没有通过逻辑检查的单位数；给出 --db 时还有\n"
        "DB 中已经存在的编号数。有文件不能导入、编号重复或存在逻辑错误时，退出状态为 1。");
    c.options = {{QStringLiteral("db"), QStringLiteral("DB"), QStringLiteral("与这个数据库比较编号")}};
    c.run = runInspect;
    return c;
}

CommandSpec ImportCommand()
{
    CommandSpec c;
    c.name = QStringLiteral("import");
    c.arguments = QStringLiteral("DB PKG...");
    c.minArguments = 2;
    c.maxArguments = -1;
    c.summary = QStringLiteral("数据导入：逐个导入数据加密文件，全有或全无");
    c.description = QStringLiteral(
        "把数据加密文件（或数据备份文件）逐个导入数据库 DB，与“数据导入”相同：每个文件全部导入\n"
        "或全不导入；编号已经存在的文件不导入，它们的编号合写在一个“数据导入编号冲突.txt”里。\n"
        "窗口要求确认每个文件的数据库标识，这里由 --yes 确认；没有 --yes 时什么也不导入。\n"
        "最后列出每个文件的标识、单位数和结果。有文件没有导入时，退出状态为 1。\n"
        "--on-conflict keep 导入新编号并保留所有已有的数据，replace 导入新编号并用文件中的数据替换\n"
        "已有的数据（按文件的顺序，后面的文件替换前面的）；两者都写“数据导入冲突处理记录”，\n"
        "结果中列出每个文件新增、替换和保留的单位数。");
    c.options = {{QStringLiteral("yes"), QString(), QStringLiteral("确认导入各文件标识的数据")},
                 {QStringLiteral("on-conflict"), QStringLiteral("MODE"),
                  QStringLiteral("已有编号：refuse 不导入该文件（默认），keep 保留已有的，replace 替换")}};
    c.run = runImport;
    return c;
}
