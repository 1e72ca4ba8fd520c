#pragma once

#include "exchange/DecidedImport.h"
#include "exchange/PackageImport.h"

#include <QDateTime>
#include <QString>
#include <QVector>

class Connection;

// The register of received packages (dt_receipt): one row for every package the office tried to
// import, whether its returns were added or not, so the register never disagrees with the data:
// the row of an import goes into the import's own transaction, the row of a refusal into one of
// its own.
struct ReceiptEntry {
    qint64 id = 0;
    QString receivedAt; // "yyyy-MM-dd HH:mm:ss", local time
    QString fileName;   // the file as the user chose it
    QString label;      // the package's identity label; empty when the file could not be read
    qint64 fileSize = 0;
    QString fileDigest; // SHA-256 of the file as received, lower-case hex; empty when unreadable
    qint64 returns = 0; // the returns the file holds
    qint64 added = 0;
    qint64 replaced = 0;
    qint64 kept = 0;
    QString result; // "已导入", or "未导入：" and why
    QString programVersion;
};

// The time text of the register.
QString ReceiptTimeText(const QDateTime& time);

// A receipt for a file about to be imported: the time, the file's name, size and digest as it
// lies on disk now, and this program's version. The outcome is filled in by the caller.
ReceiptEntry StartReceipt(const QString& chosenFile, const QDateTime& receivedAt = QDateTime::currentDateTime());

// The result texts: "已导入" with what was done; "未导入：" + the reason on one line.
QString ImportedResultText();
QString RefusedResultText(const QString& reason);
QString DeclinedReason(const QString& label); // "未确认标记声明为【label】的数据"
QString ConflictsReason(qint64 conflicts);    // "N个单位的编号已经存在"
QString UndecidedReason(qint64 undecided);    // "N个编号的数据不同，尚未决定"
QString StoppedReason();                      // "导入被中止"

// Adds the row on the connection as it stands (inside an import's transaction). Raises DbError.
void AddReceipt(Connection& working, const ReceiptEntry& entry);
// Adds the row of a file that was not imported, in a transaction of its own. Empty text, or
// why the row could not be written.
QString AddRefusedReceipt(Connection& working, const ReceiptEntry& entry);

// The register, newest first; none when the file has no register (a file opened only for reading).
QVector<ReceiptEntry> ReadReceipts(Connection& working);

// The refusal of a received file that cannot be imported, with its label and returns when it
// was read that far: AddRefusedReceipt of the receipt with the reason.
QString RegisterRefusal(Connection& working, ReceiptEntry receipt, const ReceivedFile& source, const QString& reason);

// ImportReceivedTable with its register row: when the returns are added, the row goes in inside
// the import's transaction (a failure to write it undoes the import); otherwise a row of its own
// names why. A failure to write that row lands in *registerError.
ImportResult ImportWithReceipt(Connection& working, const ReceivedFile& source, ImportOptions options,
                               ReceiptEntry receipt, QString* registerError = nullptr);

// ImportWithDecisions with its register row, the same way: the row of an import records what
// was added, replaced and kept; an undecided, stopped or failed import gets a row of its own.
DecidedImportResult ImportDecidedWithReceipt(Connection& working, const ReceivedFile& source,
                                             DecidedImportOptions options, ReceiptEntry receipt,
                                             QString* registerError = nullptr);
