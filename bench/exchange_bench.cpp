// Times the exchange at scale: the upload CSV beside "sqlite3 -csv" of the same columns, the
// package export, the package import (restore, checks, copy) beside a plain INSERT ... SELECT
// from the attached file, and the conflict detection for a package that conflicts entirely.
// Usage: exchange_bench SYSTEM_DATA_FILE PACKAGE_TEMPLATE [ROWS]
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

    // Import into an empty working database: restore, checks, copy
    const QString city = dir.filePath("city.mdb");
    CopyFresh(delivered, city);
    Connection working;
    working.open(city);
    timer.restart();
    qint64 imported = 0;
    double prepareTime = 0;
    {
        const ReceivedFile source(working, package, "dt_data");
        prepareTime = seconds(timer);
        if (source.status() != ReceivedFile::Ready) {
            std::fprintf(stderr, "import: %s\n", qPrintable(source.message()));
            return 1;
        }
        const ImportResult result = ImportReceivedTable(working, source);
        imported = result.rows;
    }
    const double importTime = seconds(timer);
    std::printf("package import:      %7.2f s  (%lld returns; restore and checks %.2f s)\n", importTime, imported,
                prepareTime);

    // The same copy as one plain statement from the attached, already restored file
    const QString plain = dir.filePath("plain.dat");
    CopyFresh(package, plain);
    RestorePackage(plain);
    const QString other = dir.filePath("other.mdb");
    CopyFresh(delivered, other);
    {
        Connection bare;
        bare.open(other);
        timer.restart();
        bare.execute("ATTACH DATABASE ?1 AS pkg", {plain});
        bare.begin();
        bare.execute("insert into dt_data select * from pkg.dt_data");
        bare.commit();
        std::printf("plain INSERT SELECT: %7.2f s\n", seconds(timer));
    }

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
