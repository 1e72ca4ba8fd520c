// A package or database file received from elsewhere, the whole road the import window takes:
// the receipt of the file, the private copy, the restore of a package's start, the outside-file
// check, the label and the codes, then the copy of its returns into a scratch working database
// with the register row, or the register row of the refusal. Whatever the file holds, the import
// adds all of its returns or none, and the register gets exactly one row saying which.
#include "FuzzTarget.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/PackageImport.h"
#include "exchange/ReceiptRegister.h"

namespace {
const QString kTable = QStringLiteral("dt_data");

// Back to the state every input starts from: no returns, an empty register numbered from 1.
void emptyScratch(Connection& db)
{
    try {
        Transaction tx(db);
        db.execute(QStringLiteral("delete from dt_data"));
        db.execute(QStringLiteral("delete from dt_receipt"));
        db.execute(QStringLiteral("delete from sqlite_sequence where name = 'dt_receipt'"));
        tx.commit();
    } catch (const DbError& e) {
        FuzzFault("the scratch working database cannot be emptied: " + e.message());
    }
}

Connection& scratchWorkingDatabase()
{
    static bool opened = false;
    if (!opened) {
        FuzzSetUp();
        if (OpenWorkingDatabase().status != OpenDatabaseResult::Opened)
            FuzzFault("the scratch working database does not open");
        emptyScratch(SysConnection());
        opened = true;
    }
    return SysConnection();
}

qint64 countOf(Connection& db, const QString& table)
{
    return db.scalar(QStringLiteral("select count(*) from %1").arg(table)).toLongLong();
}

// Imports a file found ready as the window does once the clerk confirms its label; true when
// its returns were added.
bool importReady(Connection& working, const ReceivedFile& source, const ReceiptEntry& receipt)
{
    const qint64 before = countOf(working, kTable);
    QString registerError;
    const ImportResult result = ImportWithReceipt(working, source, ImportOptions(), receipt, &registerError);
    if (!registerError.isEmpty())
        FuzzFault("the register row of a refused import was not written: " + registerError);
    const qint64 added = countOf(working, kTable) - before;
    if (result.status == ImportResult::Imported) {
        if (added != result.rows || added != source.recordCount())
            FuzzFault(QStringLiteral("imported %1 of %2 returns, %3 counted").arg(added).arg(source.recordCount()).arg(result.rows));
        return true;
    }
    if (added != 0)
        FuzzFault(QStringLiteral("a refused import kept %1 returns").arg(added));
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Connection& working = scratchWorkingDatabase();
    const QString path = FuzzInputFile(QStringLiteral("received.dat"), data, size);
    const ReceiptEntry receipt = StartReceipt(path);
    bool imported = false;
    {
        const ReceivedFile source(working, path, kTable);
        (void)ShownLabel(source.label());
        switch (source.status()) {
        case ReceivedFile::Ready:
            imported = importReady(working, source, receipt);
            break;
        case ReceivedFile::MissingTable:
        case ReceivedFile::Refused: {
            const QString error = RegisterRefusal(working, receipt, source, source.message());
            if (!error.isEmpty())
                FuzzFault("the register row of a refused file was not written: " + error);
            if (countOf(working, kTable) != 0)
                FuzzFault(QStringLiteral("a refused file changed the working database"));
            if (source.hasWorkingCopy())
                FuzzFault(QStringLiteral("the private copy of a refused file was kept"));
            break;
        }
        case ReceivedFile::NotFound:
        case ReceivedFile::MissingWorkingTable:
            FuzzFault("the file written or the scratch working database was not found: " + source.message());
        }
    }
    const QVector<ReceiptEntry> receipts = ReadReceipts(working);
    if (receipts.size() != 1)
        FuzzFault(QStringLiteral("%1 register rows for one file").arg(receipts.size()));
    if ((receipts.first().result == ImportedResultText()) != imported)
        FuzzFault("the register says \"" + receipts.first().result + "\" of the file");
    emptyScratch(working);
    return 0;
}
