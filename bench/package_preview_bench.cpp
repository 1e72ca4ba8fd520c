// Times the preview of a package ("查看并导入数据包": the checks of the import, the codes already
// present, the batch checks on a private copy) beside the import of the same package into an
// empty working database, and beside the import with decisions. Best of three rounds each.
// Usage: package_preview_bench SYSTEM_DATA_FILE PACKAGE_TEMPLATE [ROWS]
#include "BenchClock.h"
#include "SampleReturns.h"

#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "exchange/DecidedImport.h"
#include "exchange/PackageExport.h"
#include "exchange/PackageImport.h"
#include "exchange/PackagePreview.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: package_preview_bench SYSTEM_DATA_FILE PACKAGE_TEMPLATE [ROWS]\n");
        return 2;
    }
    const QString delivered = QString::fromLocal8Bit(argv[1]);
    const int rows = argc > 3 ? std::atoi(argv[3]) : 100000;
    QTemporaryDir dir;
    // A county's checked returns, one in ten failing a check as a package from below may.
    const QString county = dir.filePath("county.mdb");
    CopyFresh(delivered, county);
    const QString package = dir.filePath("county.dat");
    {
        Connection db;
        db.open(county);
        FillPlausibleReturns(db, rows);
        db.execute("update dt_data set RecordState=1");
        const PackageExportResult exported = WritePackage(db, QString::fromLocal8Bit(argv[2]), package, "某县总工会");
        if (!exported.error.isEmpty()) {
            std::fprintf(stderr, "export: %s\n", qPrintable(exported.error));
            return 1;
        }
    }
    const QString city = dir.filePath("city.mdb");
    Timing preview, import, decided;
    PackagePreview looked;
    qint64 imported = 0, added = 0;
    for (int round = 0; round < 3; ++round) {
        CopyFresh(delivered, city);
        // The working database is the shared connection, as in the window: the batch checks
        // render their descriptions through it.
        Connection& working = SysConnection();
        working.open(city);
        preview.keepBest(Measure([&] { looked = PreviewPackages(working, {package}).value(0); }));
        import.keepBest(Measure([&] {
            const ReceivedFile source(working, package, "dt_data");
            imported = ImportReceivedTable(working, source).rows;
        }));
        working.close();
        CopyFresh(delivered, city);
        working.open(city);
        decided.keepBest(Measure([&] {
            const ReceivedFile source(working, package, "dt_data");
            added = ImportWithDecisions(working, source, {}).counts.added;
        }));
    }
    if (!looked.importable() || imported != rows || added != rows) {
        std::fprintf(stderr, "preview: %s; imported %lld, added %lld\n", qPrintable(looked.refusal), imported, added);
        return 1;
    }
    std::printf("%d returns; the preview finds %lld failing the batch checks\n", rows, looked.failingReturns);
    PrintTiming("import of the package (the seed's import), best of 3", import);
    PrintTiming("preview of the package, best of 3", preview);
    const double ratio = preview.seconds / import.seconds;
    std::printf("ratio of the preview to the import: %.2f (processor %.2f); goal <= 2.0: %s\n", ratio,
                preview.cpuSeconds / import.cpuSeconds, ratio <= 2.0 ? "met" : "NOT met");
    PrintTiming("import with decisions (compares first), best of 3", decided);
    std::printf("ratio of the import with decisions to the import: %.2f (processor %.2f)\n",
                decided.seconds / import.seconds, decided.cpuSeconds / import.cpuSeconds);
    std::printf("peak resident: %.1f MB\n", PeakKilobytes() / 1024.0);
    return 0;
}
