// Times the exchange at scale: the upload CSV beside "sqlite3 -csv" of the same columns, the
// package export, the package import (restore, checks, copy) against a plain INSERT ... SELECT
// of the same rows from the attached file (best of 3 each, and their ratio), and the conflict
// detection for a package that conflicts entirely.
// Usage: exchange_bench SYSTEM_DATA_FILE PACKAGE_TEMPLATE [ROWS]
#include "BenchClock.h"
#include "SampleReturns.h"

#include "db/Connection.h"
#include "exchange/PackageExport.h"
#include "exchange/PackageFile.h"
#include "exchange/PackageImport.h"
#include "exchange/UploadCsv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {
double seconds(QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e9;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: exchange_bench SYSTEM_DATA_FILE PACKAGE_TEMPLATE [ROWS]\n");
        return 2;
    }
    const QString delivered = QString::fromLocal8Bit(argv[1]);
    const QString templatePath = QString::fromLocal8Bit(argv[2]);
    const int rows = argc > 3 ? std::atoi(argv[3]) : 100000;
    QTemporaryDir dir;
    const QString county = dir.filePath("county.mdb");
    CopyFresh(delivered, county);
    Connection db;
    db.open(county);
    FillSampleReturns(db, rows);
    db.execute("update dt_data set RecordState=1");
    std::printf("%d returns of %lld columns\n", rows, qlonglong(db.columnNames("dt_data").size()));

    // Upload CSV
    QElapsedTimer timer;
    timer.start();
    const UploadCsvResult csv = WriteUploadCsv(db, dir.filePath("up.csv"));
    const double csvTime = seconds(timer);
    if (!csv.error.isEmpty()) {
        std::fprintf(stderr, "csv: %s\n", qPrintable(csv.error));
        return 1;
    }
    std::printf("upload CSV:          %7.2f s  (%lld bytes)\n", csvTime, qlonglong(QFileInfo(dir.filePath("up.csv")).size()));
    const QString cli = QStandardPaths::findExecutable("sqlite3");
    if (!cli.isEmpty()) {
        QStringList columns;
        RowSet list = db.query(UploadFieldListSql());
        for (list.first(); !list.eof(); list.next())
            columns << list.text("fieldName");
        QProcess sqlite;
        sqlite.setStandardOutputFile(dir.filePath("cli.csv"));
        timer.restart();
        sqlite.start(cli, {"-csv", county, "select " + columns.join(',') + " from dt_data"});
        sqlite.waitForFinished(-1);
        std::printf("sqlite3 -csv:        %7.2f s  (same columns, UTF-8, no value forms)\n", seconds(timer));
    }

    // Package export
    const QString package = dir.filePath("county.dat");
    timer.restart();
    const PackageExportResult exported = WritePackage(db, templatePath, package, "某县总工会");
    std::printf("package export:      %7.2f s  (%lld returns)\n", seconds(timer), exported.rows);
    db.close();
    if (!exported.error.isEmpty()) {
        std::fprintf(stderr, "export: %s\n", qPrintable(exported.error));
        return 1;
    }

    // The import into an empty working database (restore, checks, copy) beside the same rows
    // copied by one plain INSERT ... SELECT from the attached, already restored file, mapped as
    // the import maps it: three
    // rounds, each on fresh copies, the best of each and their ratio.
    const QString plain = dir.filePath("plain.dat");
    CopyFresh(package, plain);
    RestorePackage(plain);
    const QString city = dir.filePath("city.mdb");
    const QString other = dir.filePath("other.mdb");
    Timing importBest, prepareBest, plainBest;
    qint64 imported = 0;
    for (int round = 0; round < 3; ++round) {
        CopyFresh(delivered, city);
        {
            Connection working;
            working.open(city);
            QString failure;
            Timing prepare;
            importBest.keepBest(Measure([&] {
                const double wall = ClockSeconds(CLOCK_MONOTONIC), cpu = ClockSeconds(CLOCK_PROCESS_CPUTIME_ID);
                const ReceivedFile source(working, package, "dt_data");
                prepare = {ClockSeconds(CLOCK_MONOTONIC) - wall, ClockSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu};
                if (source.status() != ReceivedFile::Ready) {
                    failure = source.message();
                    return;
                }
                imported = ImportReceivedTable(working, source).rows;
            }));
            if (!failure.isEmpty()) {
                std::fprintf(stderr, "import: %s\n", qPrintable(failure));
                return 1;
            }
            prepareBest.keepBest(prepare);
        }
        CopyFresh(delivered, other);
        Connection bare;
        bare.open(other);
        plainBest.keepBest(Measure([&] {
            bare.execute("ATTACH DATABASE ?1 AS pkg", {plain});
            // Read as the import reads its attachment: through a map of the pages.
            bare.executeScript("PRAGMA pkg.mmap_size=268435456;");
            bare.begin();
            bare.execute("insert into dt_data select * from pkg.dt_data");
            bare.commit();
        }));
    }
    std::printf("package import:      %7.2f s  (%lld returns; restore and checks %.2f s), best of 3\n", importBest.seconds,
                imported, prepareBest.seconds);
    std::printf("plain INSERT SELECT: %7.2f s, best of 3\n", plainBest.seconds);
    std::printf("import against the plain INSERT ... SELECT: %.2f (processor %.2f); goal <= 1.25: %s\n",
                importBest.seconds / plainBest.seconds, importBest.cpuSeconds / plainBest.cpuSeconds,
                importBest.seconds / plainBest.seconds <= 1.25 ? "met" : "NOT met");
    Connection working;
    working.open(city);

    // The same package again: every record conflicts
    timer.restart();
    qsizetype conflicts = 0;
    {
        const ReceivedFile source(working, package, "dt_data");
        const ImportResult result = ImportReceivedTable(working, source);
        conflicts = result.conflicts.size();
        WriteConflictReport(dir.filePath("report.txt"), result.conflicts);
    }
    std::printf("conflict detection:  %7.2f s  (%lld conflicting records, report written)\n", seconds(timer),
                qlonglong(conflicts));
    return 0;
}
