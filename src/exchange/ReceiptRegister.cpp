#include "exchange/ReceiptRegister.h"

#include "db/Connection.h"
#include "db/DbError.h"

#include "TallyraVersion.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {
// The digest of the file as it lies on disk; empty when it cannot be read whole.
QString fileDigest(const QString& path, qint64* size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 read = 0;
    QByteArray block;
    while (!(block = file.read(1 << 20)).isEmpty()) {
        hash.addData(block);
        read += block.size();
    }
    if (file.error() != QFileDevice::NoError)
        return QString();
    *size = read;
    return QString::fromLatin1(hash.result().toHex());
}

const QString kColumns = QStringLiteral(
    "ReceivedAt, FileName, Label, FileSize, FileDigest, Returns, Added, Replaced, Kept, Result, ProgramVersion");
} // namespace

QString ReceiptTimeText(const QDateTime& time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

ReceiptEntry StartReceipt(const QString& chosenFile, const QDateTime& receivedAt)
{
    ReceiptEntry entry;
    entry.receivedAt = ReceiptTimeText(receivedAt);
    entry.fileName = chosenFile;
    entry.fileSize = QFileInfo(chosenFile).size();
    entry.fileDigest = fileDigest(chosenFile, &entry.fileSize);
    entry.programVersion = QStringLiteral(TALLYRA_FILE_VERSION);
    return entry;
}

QString ImportedResultText()
{
    return QStringLiteral("已导入");
}

QString RefusedResultText(const QString& reason)
{
    // One line, so the register reads as a table wherever it is shown.
    return QStringLiteral("未导入：") + reason.simplified();
}

QString DeclinedReason(const QString& label)
{
    return QStringLiteral("未确认标记声明为【%1】的数据").arg(label);
}

QString ConflictsReason(qint64 conflicts)
{
    return QStringLiteral("%1个单位的编号已经存在").arg(conflicts);
}

QString UndecidedReason(qint64 undecided)
{
    return QStringLiteral("%1个编号的数据不同，尚未决定").arg(undecided);
}

QString StoppedReason()
{
    return QStringLiteral("导入被中止");
}

void AddReceipt(Connection& working, const ReceiptEntry& e)
{
    working.execute(QStringLiteral("insert into dt_receipt (%1) values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)")
                        .arg(kColumns),
                    {e.receivedAt, e.fileName, e.label, e.fileSize, e.fileDigest, e.returns, e.added, e.replaced,
                     e.kept, e.result, e.programVersion});
}

QString AddRefusedReceipt(Connection& working, const ReceiptEntry& entry)
{
    try {
        Transaction transaction(working);
        AddReceipt(working, entry);
        transaction.commit();
    } catch (const DbError& e) {
        return e.message();
    }
    return QString();
}

QVector<ReceiptEntry> ReadReceipts(Connection& working)
{
    QVector<ReceiptEntry> entries;
    if (!working.hasTable(QStringLiteral("dt_receipt")))
        return entries;
    RowSet rows = working.query(QStringLiteral("select ID, %1 from dt_receipt order by ID desc").arg(kColumns));
    entries.reserve(rows.recordCount());
    for (rows.first(); !rows.eof(); rows.next()) {
        ReceiptEntry e;
        e.id = rows.toInt(QStringLiteral("ID"));
        e.receivedAt = rows.text(QStringLiteral("ReceivedAt"));
        e.fileName = rows.text(QStringLiteral("FileName"));
        e.label = rows.text(QStringLiteral("Label"));
        e.fileSize = rows.toInt(QStringLiteral("FileSize"));
        e.fileDigest = rows.text(QStringLiteral("FileDigest"));
        e.returns = rows.toInt(QStringLiteral("Returns"));
        e.added = rows.toInt(QStringLiteral("Added"));
        e.replaced = rows.toInt(QStringLiteral("Replaced"));
        e.kept = rows.toInt(QStringLiteral("Kept"));
        e.result = rows.text(QStringLiteral("Result"));
        e.programVersion = rows.text(QStringLiteral("ProgramVersion"));
        entries.append(e);
    }
    return entries;
}

namespace {
ReceiptEntry ofSource(ReceiptEntry receipt, const ReceivedFile& source)
{
    receipt.label = source.label();
    receipt.returns = source.recordCount();
    return receipt;
}

// The row of an import that went in, on its transaction.
void addImported(Connection& working, ReceiptEntry receipt, qint64 added, qint64 replaced, qint64 kept)
{
    receipt.added = added;
    receipt.replaced = replaced;
    receipt.kept = kept;
    receipt.result = ImportedResultText();
    AddReceipt(working, receipt);
}

// The row of an import that did not go in, in a transaction of its own.
void addNotImported(Connection& working, ReceiptEntry receipt, const QString& reason, QString* registerError)
{
    receipt.result = RefusedResultText(reason);
    const QString error = AddRefusedReceipt(working, receipt);
    if (registerError)
        *registerError = error;
}
} // namespace

QString RegisterRefusal(Connection& working, ReceiptEntry receipt, const ReceivedFile& source, const QString& reason)
{
    QString error;
    addNotImported(working, ofSource(receipt, source), reason, &error);
    return error;
}

ImportResult ImportWithReceipt(Connection& working, const ReceivedFile& source, ImportOptions options,
                               ReceiptEntry receipt, QString* registerError)
{
    receipt = ofSource(receipt, source);
    options.beforeCommit = [receipt, then = options.beforeCommit](Connection& db, qint64 rows) {
        if (then)
            then(db, rows);
        addImported(db, receipt, rows, 0, 0);
    };
    const ImportResult result = ImportReceivedTable(working, source, options);
    switch (result.status) {
    case ImportResult::Imported:
        break;
    case ImportResult::Conflicts:
        addNotImported(working, receipt, ConflictsReason(result.conflicts.size()), registerError);
        break;
    case ImportResult::Stopped:
        addNotImported(working, receipt, StoppedReason(), registerError);
        break;
    case ImportResult::Failed:
        addNotImported(working, receipt, result.error, registerError);
        break;
    }
    return result;
}

DecidedImportResult ImportDecidedWithReceipt(Connection& working, const ReceivedFile& source,
                                             DecidedImportOptions options, ReceiptEntry receipt,
                                             QString* registerError)
{
    receipt = ofSource(receipt, source);
    options.beforeCommit = [receipt, then = options.beforeCommit](Connection& db, const DecidedImportCounts& counts) {
        if (then)
            then(db, counts);
        addImported(db, receipt, counts.added, counts.replaced, counts.kept);
    };
    const DecidedImportResult result = ImportWithDecisions(working, source, options);
    switch (result.status) {
    case DecidedImportResult::Imported:
        break;
    case DecidedImportResult::Undecided:
        addNotImported(working, receipt, UndecidedReason(result.undecided.size()), registerError);
        break;
    case DecidedImportResult::Stopped:
        addNotImported(working, receipt, StoppedReason(), registerError);
        break;
    case DecidedImportResult::Failed:
        addNotImported(working, receipt, result.error, registerError);
        break;
    }
    return result;
}
