#include "logic/BatchCheck.h"

#include "base/Gbk.h"
#include "base/PublicProcedure.h"
#include "base/ValueText.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "logic/BatchRuleSet.h"
#include "logic/RuleText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>

#include <utility>
#include <vector>

#include <sqlite3.h>

namespace {
// States are committed after this many records or this much time, whichever comes first, and
// whenever the run pauses, stops or ends. Each commit waits for the disk, so they are few.
constexpr int kCommitEvery = 25000;
constexpr qint64 kCommitMs = 2000;
// Pending events are let through at most this often.
constexpr qint64 kEventsMs = 20;
// The engine's page cache during a run, in KiB: large enough that the pages one commit changes
// stay in memory until the commit instead of being written out (and synced) early.
constexpr int kRunCacheKiB = 32768;

// Gives the connection the run's page cache and restores its own on every way out.
class RunCache {
public:
    explicit RunCache(Connection& db) : m_db(db), m_old(db.scalar(QStringLiteral("PRAGMA cache_size")))
    {
        m_db.execute(QStringLiteral("PRAGMA cache_size=-%1").arg(kRunCacheKiB));
    }
    ~RunCache()
    {
        try {
            m_db.execute(QStringLiteral("PRAGMA cache_size=%1").arg(m_old.toLongLong()));
        } catch (...) {
        }
    }

private:
    Connection& m_db;
    QVariant m_old;
};

void writeLines(QSaveFile& file, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += GbkEncode(line) + "\r\n";
    if (file.write(bytes) != bytes.size())
        throw ReportFileError(file.fileName() + QStringLiteral(": ") + file.errorString());
}

// The run's statements select whole rows of dt_data; the row's identity is read beside them,
// so its state is set on that very row, whatever its code holds.
QString withRowIdentity(const QString& selectSql)
{
    static const QRegularExpression head(QStringLiteral(R"(^\s*select\s+\*\s+from\s+dt_data\b)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = head.match(selectSql);
    if (!m.hasMatch())
        throw DbError(QStringLiteral("逻辑检查的语句必须选取 dt_data 的整行：%1").arg(selectSql));
    return QStringLiteral("select dt_data.rowid, * from dt_data") + selectSql.mid(m.capturedEnd());
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
    // The report is written beside its place and takes it only when every byte reached the
    // disk: a report is complete, or the run says why it is not.
    QSaveFile file(reportPath);
    if (!file.open(QIODevice::WriteOnly))
        throw ReportFileError(reportPath + QStringLiteral(": ") + file.errorString());
    writeLines(file, {QStringLiteral("#2012基层以上调查表逻辑检查结果"),
                      QStringLiteral("#检查时间：") + startTime.toString(QStringLiteral("yyyy年MM月dd日 HH:mm")),
                      QString(), QString()});

    // The rows are read as the run goes, straight from the engine into the checked values; they
    // are counted first only when someone shows the count.
    const qint64 total =
        hooks.started ? db.scalar(QStringLiteral("select count(*) from (%1)").arg(selectSql)).toLongLong() : 0;
    Statement rows(db.handle(), withRowIdentity(selectSql));
    const BatchRecordReader reader(rows);
    int codeColumn = -1, nameColumn = -1, stateColumn = -1;
    for (int c = rows.columnCount() - 1; c > 0; --c) {
        const QString name = rows.columnName(c).toLower();
        if (name == QLatin1String("c901"))
            codeColumn = c;
        else if (name == QLatin1String("c902"))
            nameColumn = c;
        else if (name == QLatin1String("recordstate"))
            stateColumn = c;
    }
    if (codeColumn < 0 || nameColumn < 0 || stateColumn < 0)
        throw DbError(QStringLiteral("没有找到字段 c901、c902 或 RecordState"));
    sqlite3_stmt* row = rows.handle();
    if (hooks.started)
        hooks.started(total, 0);

    RuleReport report(&file, reportPath);
    BatchCheckResult result;
    // A description renders the same every time within a run.
    QHash<QString, QString> rendered;
    auto render = [&rendered](const QString& templ) {
        auto it = rendered.find(templ);
        if (it == rendered.end())
            it = rendered.insert(templ, RenderRuleText(templ));
        return *it;
    };
    Statement mark(db.handle(), QStringLiteral("update dt_data set RecordState=?1 where rowid=?2"));
    int pending = 0;
    QElapsedTimer sinceCommit, sinceEvents;
    sinceCommit.start();
    sinceEvents.start();
    // Decided states are posted in a burst before each commit: the rows are read in one sweep
    // that the writes do not interrupt.
    std::vector<std::pair<qint64, int>> marks; // row identity, state
    auto commit = [&] {
        for (const auto& [id, state] : marks) {
            mark.reset();
            mark.bind(1, state);
            mark.bind(2, id);
            mark.step();
        }
        marks.clear();
        if (db.inTransaction())
            db.commit();
        pending = 0;
        sinceCommit.restart();
    };
    RecordValues values;
    const RunCache cache(db);
    db.begin();
    try {
        bool more = true;
        while (more) {
            const bool paused = hooks.paused && hooks.paused();
            if (!paused) {
                more = rows.step();
                if (!more)
                    break;
                reader.read(rows, values);
                bool passed = !AnyRuleFails(values);
                if (!passed) {
                    const char* name = reinterpret_cast<const char*>(sqlite3_column_text(row, nameColumn));
                    report.setRecord(sqlite3_column_double(row, codeColumn),
                                     QString::fromUtf8(name, sqlite3_column_bytes(row, nameColumn)));
                    passed = CheckRecordRules(values, report, render);
                }
                const int state = passed ? 1 : 2;
                // A state that already holds is left as it is: the row would not change.
                const bool sameState = sqlite3_column_type(row, stateColumn) == SQLITE_INTEGER
                                       && sqlite3_column_int64(row, stateColumn) == state;
                if ((!passed || markPassed) && !sameState) {
                    marks.emplace_back(sqlite3_column_int64(row, 0), state);
                    ++pending;
                }
                if (!passed)
                    ++result.failedRecords;
                ++result.checkedRecords;
                if (hooks.stepped)
                    hooks.stepped();
                if (pending >= kCommitEvery || (pending > 0 && sinceCommit.elapsed() >= kCommitMs)) {
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
        // What was decided so far stays, and so do the entries written for it.
        try {
            commit();
        } catch (...) {
            // What cannot be committed is undone; the connection is left without a transaction.
            try {
                db.rollback();
            } catch (...) {
            }
        }
        CommitWhole(file);
        throw;
    }
    result.failedChecks = report.failureCount();
    if (result.anyError() && !result.stopped)
        writeLines(file, BatchSummaryLines(result));
    QString error;
    if (!CommitWhole(file, &error))
        throw ReportFileError(reportPath + QStringLiteral(": ") + error);
    return result;
}
