#include "cli/PackageCommands.h"

#include "base/Paths.h"
#include "base/PublicProcedure.h"
#include "cli/BatchDatabase.h"
#include "cli/BatchOutput.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/PackageImport.h"
#include "logic/BatchCheck.h"
#include "logic/BatchRuleSet.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>

namespace {
const QString kTable = QStringLiteral("dt_data");

// Why a received file cannot be imported, in the import window's words; empty when it can.
QString refusalOf(const ReceivedFile& source)
{
    switch (source.status()) {
    case ReceivedFile::Ready:
        return QString();
    case ReceivedFile::NotFound:
        return QStringLiteral("您选择的文件并不存在，请选择其它文件。");
    case ReceivedFile::MissingTable:
    case ReceivedFile::MissingWorkingTable:
        return source.message();
    case ReceivedFile::Refused:
        break;
    }
    return RunErrorText(source.message());
}

// How many of the package's returns fail the batch checks. The check runs on a database of
// its own, private to the user: the reference's table of returns (our definition, nothing of the
// file's schema) filled with the file's rows. Neither the package nor any database changes, and
// nothing the file holds besides its rows takes part.
qint64 failingReturns(const ReceivedFile& source)
{
    QString error;
    struct Scratch {
        QString path;
        ~Scratch()
        {
            if (!path.isEmpty()) {
                QFile::remove(path);
                QFile::remove(path + QStringLiteral("-journal"));
            }
        }
    } check{MakePrivateTempFile(&error)}, report{check.path.isEmpty() ? QString() : MakePrivateTempFile(&error)};
    if (check.path.isEmpty() || report.path.isEmpty())
        throw DbError(error);
    const QVariant create = SysConnection().scalar(
        QStringLiteral("select sql from main.sqlite_master where type='table' and name=?1 collate nocase"), {kTable});
    if (!create.isValid())
        throw DbError(QStringLiteral("系统中不存在名字为\"%1\"的数据表").arg(kTable));
    Connection db;
    db.open(check.path, Connection::Mode::ReadWrite);
    db.execute(create.toString());
    QStringList columns;
    for (const QString& name : db.columnNames(kTable))
        columns << QuoteIdentifier(name);
    db.attachOutside(source.readPath(), QStringLiteral("pkg"));
    db.execute(QStringLiteral("insert into main.dt_data (%1) select %1 from pkg.dt_data not indexed").arg(columns.join(',')));
    db.detach(QStringLiteral("pkg"));
    return RunBatchCheck(db, AllRecordsCheckSql(), report.path, QDateTime::currentDateTime(), false).failedRecords;
}

// How many of the package's codes the open database already holds.
qint64 existingCodes(const ReceivedFile& source)
{
    Connection& db = SysConnection();
    db.attachOutside(source.readPath(), QStringLiteral("pkg"));
    qint64 count = 0;
    try {
        count = db.scalar(QStringLiteral("select count(*) from pkg.dt_data not indexed "
                                         "where c901 in (select c901 from main.dt_data)"))
                    .toLongLong();
    } catch (...) {
        db.detach(QStringLiteral("pkg"));
        throw;
    }
    db.detach(QStringLiteral("pkg"));
    return count;
}

int runInspect(const CommandArgs& args, BatchOutput& out)
{
    const bool withDb = args.has(QStringLiteral("db"));
    // Without --db the delivered system data file gives the tables a package must match.
    const QString reference = withDb
                                  ? args.value(QStringLiteral("db"))
                                  : QDir(ProgramFolder()).filePath(QString::fromLatin1(SystemDataFileName()));
    const QString opened = OpenBatchDatabase(reference, args, true);
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
                    const qint64 failed = failingReturns(source);
                    const qint64 existing = withDb ? existingCodes(source) : 0;
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

int runImport(const CommandArgs& args, BatchOutput& out)
{
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
            const ReceivedFile source(SysConnection(), path, kTable);
            outcome = refusalOf(source);
            label = source.label();
            returns = source.recordCount();
            if (outcome.isEmpty() && !confirmed) {
                // The window asks to confirm the label; unasked, the answer is no.
                outcome =
                    QStringLiteral("未确认标记声明为【%1】的数据（加 --yes 导入）").arg(ShownLabel(label));
            } else if (outcome.isEmpty()) {
                ImportOptions options;
                options.hooks.started = [&out](qint64 total) {
                    out.startProgress(QStringLiteral("导入进度"), total);
                };
                options.hooks.stepped = [&out](qint64 done) { out.setProgress(done); };
                options.hooks.stopped = [] { return InterruptRequested(); };
                const ImportResult result = ImportReceivedTable(SysConnection(), source, options);
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
        "最后列出每个文件的标识、单位数和结果。有文件没有导入时，退出状态为 1。");
    c.options = {{QStringLiteral("yes"), QString(), QStringLiteral("确认导入各文件标识的数据")}};
    c.run = runImport;
    return c;
}
