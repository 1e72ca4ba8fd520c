#include "logic/BatchCheck.h"

#include "base/Gbk.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "logic/BatchRuleSet.h"
#include "logic/RuleText.h"
#include "base/ValueText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

namespace {
// States are committed after this many records or this much time, whichever comes first.
constexpr int kCommitEvery = 2000;
constexpr qint64 kCommitMs = 500;
// Pending events are let through at most this often.
constexpr qint64 kEventsMs = 20;

void writeLines(const QString& path, const QStringList& lines, QIODevice::OpenMode mode)
{
    QFile file(path);
    if (!file.open(mode))
        throw ReportFileError(path + QStringLiteral(": ") + file.errorString());
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += GbkEncode(line) + "\r\n";
    if (file.write(bytes) != bytes.size())
        throw ReportFileError(path + QStringLiteral(": ") + file.errorString());
}
} // namespace

QString BatchReportPath(const QString& folder, const QString& label)
{
    QString safe = label;
    for (QChar& c : safe)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 32)
            c = QLatin1Char('_');
    return QDir(folder).filePath(QStringLiteral("2012基层以上-%1-逻辑检查结果.txt").arg(safe));
}

QStringList BatchSummaryLines(const BatchCheckResult& result)
{
    return {QString(49, QLatin1Char('=')), QStringLiteral("共有%1个单位的数据存在逻辑错误！").arg(result.failedRecords),
            QStringLiteral("共有%1个逻辑错误项！").arg(result.failedChecks)};
}

QString BatchCleanMessage()
{
    return QStringLiteral("恭喜你，所检查的数据没有逻辑错误");
}

QString BatchReportSavedMessage(const QString& reportPath)
{
    return QStringLiteral("逻辑检查结果已经保存到：") + reportPath;
}

QString AllRecordsCheckSql()
{
    return QStringLiteral("select * from dt_data where c907<=2");
}

QString SelectedRecordsCheckSql(const QStringList& codes)
{
    if (codes.size() == 1)
        return QStringLiteral("select * from dt_data where c901=%1 and c907<=2").arg(codes.first());
    return QStringLiteral("select * from dt_data where c901 in (%1) and c907<=2").arg(codes.join(QLatin1Char(',')));
}

QString RangeCheckSql(double from, double to)
{
    return QStringLiteral("select * from dt_data where c907<=2 and c901>=%1 and c901<=%2")
        .arg(FormatFixed2(from), FormatFixed2(to));
}

BatchCheckResult RunBatchCheck(Connection& db, const QString& selectSql, const QString& reportPath,
                               const QDateTime& startTime, bool markPassed, const BatchCheckHooks& hooks)
{
    writeLines(reportPath,
               {QStringLiteral("#2012基层以上调查表逻辑检查结果"),
                QStringLiteral("#检查时间：") + startTime.toString(QStringLiteral("yyyy年MM月dd日 HH:mm")), QString(),
                QString()},
               QIODevice::WriteOnly | QIODevice::Truncate);

    // The engine is asked for the rows once; passing checks then cost only comparisons.
    RowSet rows = db.query(selectSql);
    const BatchRecordReader reader(rows);
    const int codeColumn = rows.columnIndex(QStringLiteral("c901"));
    const int nameColumn = rows.columnIndex(QStringLiteral("c902"));
    const qint64 total = rows.recordCount();
    if (hooks.started)
        hooks.started(total, 0);

    RuleReport report(reportPath);
    BatchCheckResult result;
    auto render = [](const QString& templ) { return RenderRuleText(templ); };
    Statement mark(db.handle(), QStringLiteral("update dt_data set RecordState=?1 where c901=?2"));
    int pending = 0;
    QElapsedTimer sinceCommit, sinceEvents;
    sinceCommit.start();
    sinceEvents.start();
    db.begin();
    auto commit = [&] {
        if (db.inTransaction())
            db.commit();
        pending = 0;
        sinceCommit.restart();
    };
    try {
        rows.first();
        while (result.checkedRecords < total) {
            const bool paused = hooks.paused && hooks.paused();
            if (!paused) {
                report.setRecord(rows.doubleAt(rows.position(), codeColumn), rows.textAt(rows.position(), nameColumn));
                const bool passed = CheckRecordRules(reader.read(rows), report, render);
                if (!passed || markPassed) {
                    mark.reset();
                    mark.bind(1, passed ? 1 : 2);
                    mark.bind(2, rows.valueAt(rows.position(), codeColumn));
                    mark.step();
                    ++pending;
                }
                if (!passed)
                    ++result.failedRecords;
                rows.next();
                ++result.checkedRecords;
                if (hooks.stepped)
                    hooks.stepped();
                if (pending >= kCommitEvery || sinceCommit.elapsed() >= kCommitMs) {
                    commit();
                    db.begin();
                }
            }
            // While paused the loop only waits for events; otherwise it lets them through now and then.
            if (hooks.processEvents && (paused || sinceEvents.elapsed() >= kEventsMs)) {
                if (pending > 0 && paused) {
                    commit();
                    db.begin();
                }
                hooks.processEvents();
                sinceEvents.restart();
            }
            if (hooks.stopped && hooks.stopped()) {
                result.stopped = true;
                break;
            }
        }
        commit();
    } catch (...) {
        // What was decided so far stays.
        try {
            commit();
        } catch (...) {
        }
        throw;
    }
    result.failedChecks = report.failureCount();
    if (result.anyError() && !result.stopped)
        writeLines(reportPath, BatchSummaryLines(result), QIODevice::WriteOnly | QIODevice::Append);
    return result;
}
