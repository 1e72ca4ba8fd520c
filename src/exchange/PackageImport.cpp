#include "exchange/PackageImport.h"

#include "base/Gbk.h"
#include "base/Paths.h"
#include "base/PublicProcedure.h"
#include "base/ValueText.h"
#include "db/Connection.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/OutsideFile.h"
#include "exchange/PackageFile.h"

#include <QDir>
#include <QFile>


namespace {
// The longest label a package can carry: what the label box takes.
constexpr int kLabelLimit = 255;
const QString kSourceAlias = QStringLiteral("pkg");

QString quotedList(const QStringList& columns)
{
    QStringList quoted;
    for (const QString& c : columns)
        quoted << QuoteIdentifier(c);
    return quoted.join(',');
}

// Detaches the file on every way out.
class Attached {
public:
    Attached(Connection& db, const QString& file) : m_db(db) { m_db.attachOutside(file, kSourceAlias); }
    ~Attached()
    {
        try {
            m_db.detach(kSourceAlias);
        } catch (...) {
        }
    }

private:
    Connection& m_db;
};
} // namespace

QString ConflictReportPath()
{
    return QDir(DocumentsFolder()).filePath(QStringLiteral("数据导入编号冲突.txt"));
}

bool WriteConflictReport(const QString& path, const QList<ConflictRecord>& records, QString* error)
{
    QByteArray bytes = GbkEncode(QStringLiteral("在准备导入的文件中，如下的记录与现有的记录发生编号冲突")) + "\r\n";
    bytes += QByteArray(80, '-') + "\r\n";
    for (const ConflictRecord& r : records)
        bytes += GbkEncode(QStringLiteral("(") + FormatValueText(r.code) + QStringLiteral(",") + r.name
                           + QStringLiteral(")"))
                 + "\r\n";
    return WriteFileWhole(path, bytes, error);
}

QString ShownLabel(const QString& label)
{
    QString shown = label;
    for (QChar& c : shown)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QLatin1Char('?');
    return shown;
}

ReceivedFile::ReceivedFile(Connection& working, const QString& chosen, const QString& table)
    : m_chosen(chosen), m_table(table)
{
    try {
        prepare(working);
    } catch (const DbError& e) {
        m_status = Refused;
        m_message = m_copy.named(e.message());
    }
    if (m_status != Ready) {
        // Another office's names and telephones stay no longer than they are needed.
        m_copy.remove();
        m_readPath.clear();
    }
}

ReceivedFile::~ReceivedFile() = default;

void ReceivedFile::prepare(Connection& working)
{
    if (!QFile::exists(m_chosen)) {
        m_status = NotFound;
        return;
    }
    if (!working.hasTable(m_table)) {
        m_status = MissingWorkingTable;
        m_message = QStringLiteral("系统中不存在名字为\"%1\"的数据表").arg(m_table);
        return;
    }
    QString error;
    if (!m_copy.make(m_chosen, &error)) {
        m_status = Refused;
        m_message = error;
        return;
    }
    // Anything but a plain database file is a package, restored in the copy.
    if (FirstByteOf(m_copy.path()) != kPlainFirstByte && !RestorePackage(m_copy.path(), &error)) {
        m_status = Refused;
        m_message = m_copy.named(error);
        return;
    }
    m_readPath = m_copy.path();
    // The quick check reads the whole copy; the other checks and the reading of the label and
    // the codes run beside it, and its refusal, when it refuses, is the one shown.
    QuickCheckRun quickCheck(m_readPath, OutsideCheckMilliseconds(QFileInfo(m_readPath).size()));
    checkCopy(working, quickCheck);
    const QString damage = quickCheck.result();
    if (!damage.isEmpty()) {
        m_status = Refused;
        m_message = m_copy.named(damage);
    }
}

// The checks of the restored copy beside its quick check, then its reading.
void ReceivedFile::checkCopy(Connection& working, QuickCheckRun& quickCheck)
{
    const QString label = QStringLiteral("ct_label");
    const OutsideFileCheck check =
        CheckOutsideFile(m_readPath, {OutsideTableOf(working, m_table), OutsideTable{label, {QStringLiteral("db_name")}}},
                         -1, OutsideFilePlace::PrivateCopy, &quickCheck);
    if (!check.error.isEmpty()) {
        m_status = Refused;
        m_message = m_copy.named(check.error);
        return;
    }
    if (check.missingTables.contains(m_table)) {
        m_status = MissingTable;
        m_message = QStringLiteral("您选择的文件中不存在名字为\"%1\"的数据表").arg(m_table);
        return;
    }
    if (check.missingTables.contains(label)) {
        m_status = Refused;
        m_message = QStringLiteral("所选文件中没有数据表\"ct_label\"");
        return;
    }
    readCopy(working);
}

// The label, the number of records and the codes, read from the checked copy under its time bound.
void ReceivedFile::readCopy(Connection& working)
{
    Connection source;
    try {
        OpenOutsideFile(source, m_readPath);
        RowSet first = source.query(
            QStringLiteral("select length(cast(db_name as text)) as size, substr(cast(db_name as text), 1, ?1) as label "
                           "from ct_label limit 1"),
            {kLabelLimit + 1});
        if (!first.isEmpty()) {
            first.first();
            if (first.toInt(QStringLiteral("size")) > kLabelLimit) {
                m_status = Refused;
                m_message = QStringLiteral("所选文件中的数据库标识超过%1个字符").arg(kLabelLimit);
                return;
            }
            m_label = first.text(QStringLiteral("label"));
        }
        // The table's own rows, whatever its indexes hold, counted in the one reading that
        // looks at the codes. Codes are the key of a return: each must be a number, and only
        // once in the file.
        const QString table = QuoteIdentifier(m_table) + QStringLiteral(" not indexed");
        const bool coded = working.columnNames(m_table).contains(QStringLiteral("c901"), Qt::CaseInsensitive);
        RowSet counts = source.query(
            coded ? QStringLiteral("select count(*) as records, "
                                   "count(*) filter (where typeof(c901) not in ('integer','real')) as uncoded, "
                                   "count(distinct c901) as codes from %1")
                        .arg(table)
                  : QStringLiteral("select count(*) as records, 0 as uncoded, count(*) as codes from %1").arg(table));
        counts.first();
        m_records = counts.value(QStringLiteral("records")).toLongLong();
        if (counts.value(QStringLiteral("uncoded")).toLongLong() > 0) {
            m_status = Refused;
            m_message = QStringLiteral("所选文件中有统计编码为空或不是数字的记录");
            return;
        }
        if (counts.value(QStringLiteral("codes")).toLongLong() != m_records) {
            m_status = Refused;
            m_message = QStringLiteral("所选文件中有重复的统计编码");
            return;
        }
    } catch (const DbError& e) {
        m_status = Refused;
        m_message = source.timeLimitPassed() ? OutsideTimeLimitText() : m_copy.named(e.message());
        return;
    }
    m_status = Ready;
}

namespace {
QList<ConflictRecord> findConflicts(Connection& working, const QString& table, const QString& list,
                                    const QString& condition)
{
    QList<ConflictRecord> conflicts;
    const QString staging = QuoteIdentifier(table + QLatin1Char('_') + table);
    try {
        {
            Transaction tx(working);
            working.execute(QStringLiteral("delete from main.%1").arg(staging));
            // Only the records whose code is already present are staged.
            working.execute(
                QStringLiteral("insert into main.%1 (%2) select %2 from %3.%4 not indexed "
                               "where c901 in (select c901 from main.%4)%5")
                    .arg(staging, list, kSourceAlias, QuoteIdentifier(table), condition));
            tx.commit();
        }
        RowSet rows = working.query(QStringLiteral("select c901,c902 from main.%1 order by c901").arg(staging));
        for (rows.first(); !rows.eof(); rows.next())
            conflicts.append({rows.value(QStringLiteral("c901")), rows.text(QStringLiteral("c902"))});
    } catch (const DbError&) {
        conflicts.clear();
    }
    return conflicts;
}
} // namespace

ImportResult ImportReceivedTable(Connection& working, const ReceivedFile& source, const ImportOptions& options)
{
    ImportResult result;
    if (source.status() != ReceivedFile::Ready) {
        result.error = source.message();
        return result;
    }
    const ExchangeHooks& hooks = options.hooks;
    const QString table = QuoteIdentifier(source.table());
    // The file's own rows, whatever its indexes hold.
    const QString from = QStringLiteral("%1.%2 not indexed").arg(kSourceAlias, table);
    QString condition;
    if (!options.condition.trimmed().isEmpty())
        condition = QStringLiteral(" and (") + options.condition + QStringLiteral(")");
    try {
        Attached attached(working, source.readPath());
        const QString list = quotedList(working.columnNames(source.table()));
        try {
            Transaction tx(working);
            const QString count = QStringLiteral("select count(*) from %1");
            // The whole file: the records the check counted in the unchanging copy.
            const qint64 expected =
                condition.isEmpty() ? source.recordCount()
                                    : working.scalar(count.arg(from) + QStringLiteral(" where 1=1") + condition).toLongLong();
            const qint64 before = working.scalar(count.arg(QStringLiteral("main.") + table)).toLongLong();
            if (hooks.started)
                hooks.started(expected);
            // In chunks by row id, so the hooks see the copy go; all in the one transaction. The
            // first chunk has no lower bound: any row id, the smallest included, is copied.
            const QString insert =
                QStringLiteral("insert into main.%1 (%2) select %2 from %3 where 1=1").arg(table, list, from);
            const int chunk = qMax(1, options.chunkRows);
            QVariant last; // the last row id copied
            auto bounds = [&last](const QVariant& upTo, QVariantList* params) {
                QString clause;
                if (last.isValid()) {
                    params->append(last);
                    clause += QStringLiteral(" and rowid > ?%1").arg(params->size());
                }
                if (upTo.isValid()) {
                    params->append(upTo);
                    clause += QStringLiteral(" and rowid <= ?%1").arg(params->size());
                }
                return clause;
            };
            for (bool more = true; more;) {
                QVariantList params;
                const QString after = bounds(QVariant(), &params);
                params.append(chunk - 1);
                const QVariant end = working.scalar(QStringLiteral("select rowid from %1 where 1=1").arg(from) + after
                                                        + condition
                                                        + QStringLiteral(" order by rowid limit 1 offset ?%1").arg(params.size()),
                                                    params);
                params.clear();
                const QString range = bounds(end, &params);
                result.rows += working.execute(insert + range + condition, params);
                if (end.isValid())
                    last = end;
                else
                    more = false;
                if (hooks.stepped)
                    hooks.stepped(result.rows);
                if (hooks.stopped && hooks.stopped()) {
                    result.status = ImportResult::Stopped;
                    result.rows = 0;
                    result.error = QStringLiteral("导入已经停止，没有导入这个文件的任何数据");
                    return result;
                }
            }
            // What was added must be what the file holds, or nothing is kept.
            const qint64 added = working.scalar(count.arg(QStringLiteral("main.") + table)).toLongLong() - before;
            if (added != expected || result.rows != expected) {
                result.error = QStringLiteral("导入的记录数（%1）与文件中的记录数（%2）不一致，没有导入这个文件的任何数据")
                                   .arg(added)
                                   .arg(expected);
                result.rows = 0;
                return result;
            }
            if (options.beforeCommit)
                options.beforeCommit(working, result.rows);
            tx.commit();
            result.status = ImportResult::Imported;
            return result;
        } catch (const DbError& e) {
            // The transaction is rolled back: look for the codes that stopped it.
            result.error = source.named(e.message());
            result.rows = 0;
        }
        result.conflicts = findConflicts(working, source.table(), list, condition);
        result.status = result.conflicts.isEmpty() ? ImportResult::Failed : ImportResult::Conflicts;
    } catch (const DbError& e) {
        result.error = source.named(e.message());
        result.status = ImportResult::Failed;
    }
    return result;
}
