#include "exchange/DecidedImport.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "exchange/DecisionRecord.h"
#include "exchange/PackageImport.h"
#include "exchange/PackagePreview.h"
#include "exchange/ReturnComparison.h"

#include <QDateTime>
#include <QFileInfo>
#include <QScopeGuard>

#include <sqlite3.h>

namespace {
const QString kAlias = QStringLiteral("decided");

QString columnList(const QVector<ComparedField>& fields, const QString& prefix = QString())
{
    QStringList list;
    for (const ComparedField& f : fields)
        list << prefix + QuoteIdentifier(f.name);
    return list.join(',');
}

// The import itself; every way out before the commit leaves the transaction to roll back.
void importDecided(Connection& working, const ReceivedFile& source, const DecidedImportOptions& options,
                   DecidedImportResult& result)
{
    const ExchangeHooks& hooks = options.hooks;
    const auto stopped = [&hooks] { return hooks.stopped && hooks.stopped(); };
    const int chunk = qMax(1, options.chunkRows);
    DecidedImportCounts& counts = result.counts;
    const QVector<ComparedField> fields = ComparedFields(working);
    const QString list = columnList(fields);
    const AttachGuard attached(working, source.readPath(), kAlias, AttachGuard::As::Outside);
    Transaction tx(working);
    const QDateTime time = QDateTime::currentDateTime();

    // Progress: first the codes both hold are compared, then every row of the package is
    // settled (a pair decided, a new code added).
    qint64 pairs = 0;
    ExchangeHooks comparing = hooks;
    comparing.started = [&](qint64 n) {
        pairs = n;
        if (hooks.started)
            hooks.started(n + source.recordCount());
    };
    const ReturnComparison comparison = CompareReturns(fields, {&working, QStringLiteral("main")}, {&working, kAlias}, comparing);
    if (comparison.stopped) {
        result.status = DecidedImportResult::Stopped;
        return;
    }
    for (const ReturnPair& p : comparison.both)
        if (!p.equal() && options.decisions.choiceFor(p.code) == ConflictChoice::Undecided)
            result.undecided.push_back(p.code);
    if (!result.undecided.isEmpty()) {
        result.status = DecidedImportResult::Undecided;
        return;
    }

    qint64 settled = 0;
    const auto step = [&](qint64 done) {
        settled += done;
        if (hooks.stepped)
            hooks.stepped(pairs + settled);
        return stopped();
    };
    // The whole row, every column by name, on the row the working database has.
    Statement replace(working.handle(),
                      QStringLiteral("update main.dt_data set (%1) = (select %1 from %2.dt_data where rowid=?2) "
                                     "where rowid=?1")
                          .arg(list, kAlias));
    qint64 sinceStep = 0;
    for (const ReturnPair& p : comparison.both) {
        if (p.equal())
            ++counts.equal;
        else if (options.decisions.choiceFor(p.code) == ConflictChoice::Keep)
            ++counts.kept;
        else {
            replace.reset();
            replace.bind(1, p.rowA);
            replace.bind(2, p.rowB);
            replace.step();
            if (sqlite3_changes(working.handle()) != 1)
                throw DbError(QStringLiteral("编号为%1的数据没有被替换").arg(StoredValueText(p.code)));
            ++counts.replaced;
        }
        if (++sinceStep == chunk) {
            if (step(sinceStep)) {
                result.status = DecidedImportResult::Stopped;
                return;
            }
            sinceStep = 0;
        }
    }
    if (step(sinceStep)) {
        result.status = DecidedImportResult::Stopped;
        return;
    }

    // The new codes, a span of the package's rows at a time; the rows of codes already
    // present within a span stay out (without conflicts there are none to look for).
    const QString insert =
        QStringLiteral("insert into main.dt_data (%1) select %2 from %3.dt_data p where p.rowid between ?1 and ?2")
            .arg(list, columnList(fields, QStringLiteral("p.")), kAlias)
        + (comparison.both.isEmpty()
               ? QString()
               : QStringLiteral(" and not exists (select 1 from main.dt_data m where m.c901 = p.c901)"));
    const QVector<qint64>& rows = comparison.onlyBRows;
    for (qsizetype first = 0; first < rows.size(); first += chunk) {
        const qsizetype last = qMin(rows.size(), first + chunk) - 1;
        counts.added += working.execute(insert, {rows[first], rows[last]});
        if (step(last - first + 1)) {
            result.status = DecidedImportResult::Stopped;
            return;
        }
    }
    if (counts.added != rows.size())
        throw DbError(QStringLiteral("新增了%1个单位的数据，文件中却有%2个新编号").arg(counts.added).arg(rows.size()));

    bool recorded = false, committed = false;
    const auto takeBack = qScopeGuard([&] {
        if (recorded && !committed)
            options.record->takeBackLast();
    });
    if (!comparison.both.isEmpty() && options.record) {
        const QString shown =
            QFileInfo(options.shownFile.isEmpty() ? source.chosen() : options.shownFile).absoluteFilePath();
        QString error;
        if (!options.record->add(DecisionRecordSection(time, shown, source.label(), counts, comparison, options.decisions),
                                 &error)) {
            result.error = error;
            return;
        }
        recorded = true;
    }
    if (options.beforeCommit)
        options.beforeCommit(working, counts);
    tx.commit();
    committed = true;
    result.status = DecidedImportResult::Imported;
}
} // namespace

DecidedImportResult ImportWithDecisions(Connection& working, const ReceivedFile& source,
                                        const DecidedImportOptions& options)
{
    DecidedImportResult result;
    if (source.status() != ReceivedFile::Ready) {
        result.error = source.message();
        return result;
    }
    if (IsWorkingDatabaseFile(working, source.chosen())) {
        result.error = WorkingDatabaseFileRefusal();
        return result;
    }
    try {
        importDecided(working, source, options, result);
    } catch (const DbError& e) {
        result.status = DecidedImportResult::Failed;
        result.error = e.message();
    }
    if (result.status != DecidedImportResult::Imported)
        result.counts = {}; // nothing of it stayed
    return result;
}

QString DecidedImportOutcome(const DecidedImportResult& result)
{
    const DecidedImportCounts& c = result.counts;
    switch (result.status) {
    case DecidedImportResult::Imported:
        if (c.conflicts() == 0)
            return QStringLiteral("已导入：新增%1").arg(c.added);
        return QStringLiteral("已导入：新增%1，替换%2，保留%3，相同%4").arg(c.added).arg(c.replaced).arg(c.kept).arg(c.equal);
    case DecidedImportResult::Undecided:
        return QStringLiteral("未导入：%1个编号的数据不同，尚未决定").arg(result.undecided.size());
    case DecidedImportResult::Stopped:
        return QStringLiteral("已停止，未导入");
    case DecidedImportResult::Failed:
        break;
    }
    return QStringLiteral("未导入：") + result.error;
}
