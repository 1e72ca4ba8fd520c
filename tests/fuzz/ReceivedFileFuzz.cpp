// A package or database file received from elsewhere, the whole road the import takes: the
// private copy, the restore of a package's start, the outside-file check, the label and the
// codes, then the copy of its returns into a scratch working database. Whatever the file holds,
// the import adds all of its returns or none.
#include "FuzzTarget.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "exchange/PackageImport.h"

namespace {
Connection& scratchWorkingDatabase()
{
    static bool opened = false;
    if (!opened) {
        FuzzSetUp();
        if (OpenWorkingDatabase().status != OpenDatabaseResult::Opened)
            FuzzFault("the scratch working database does not open");
        opened = true;
    }
    return SysConnection();
}

qint64 returnCount(Connection& db)
{
    return db.scalar(QStringLiteral("select count(*) from dt_data")).toLongLong();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Connection& working = scratchWorkingDatabase();
    const QString path = FuzzInputFile(QStringLiteral("received.dat"), data, size);
    const qint64 before = returnCount(working);
    {
        const ReceivedFile source(working, path, QStringLiteral("dt_data"));
        (void)ShownLabel(source.label());
        if (source.status() == ReceivedFile::Ready) {
            const ImportResult result = ImportReceivedTable(working, source);
            const qint64 added = returnCount(working) - before;
            if (result.status == ImportResult::Imported) {
                if (added != result.rows || added != source.recordCount())
                    FuzzFault(QStringLiteral("imported %1 of %2 returns, %3 counted")
                                  .arg(added).arg(source.recordCount()).arg(result.rows));
            } else if (added != 0) {
                FuzzFault(QStringLiteral("a refused import kept %1 returns").arg(added));
            }
        } else if (returnCount(working) != before) {
            FuzzFault(QStringLiteral("a refused file changed the working database"));
        }
        if (source.status() != ReceivedFile::Ready && source.hasWorkingCopy())
            FuzzFault(QStringLiteral("the private copy of a refused file was kept"));
    }
    // The next input starts from the same working database.
    working.execute(QStringLiteral("delete from dt_data"));
    return 0;
}
