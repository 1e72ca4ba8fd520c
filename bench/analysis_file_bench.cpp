// Times the analysis files at scale: the returns written as an SPSS file and as a Stata file
// beside the upload CSV of the same rows, in turn, three rounds, the best of each kept.
// Goal: each analysis file within twice the upload CSV's time.
// Usage: analysis_file_bench SYSTEM_DATA_FILE [ROWS]
#include "BenchClock.h"
#include "SampleReturns.h"

#include "db/Connection.h"
#include "exchange/AnalysisFile.h"
#include "exchange/UploadCsv.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: analysis_file_bench SYSTEM_DATA_FILE [ROWS]\n");
        return 2;
    }
    const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    const QString database = dir.filePath("county.mdb");
    QFile::copy(QString::fromLocal8Bit(argv[1]), database);
    QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner);
    Connection db;
    db.open(database);
    FillSampleReturns(db, rows);
    std::printf("%d returns of %lld columns\n", rows, qlonglong(db.columnNames("dt_data").size()));

    const QString csv = dir.filePath("up.csv"), sav = dir.filePath("returns.sav"),
                  dta = dir.filePath("returns.dta");
    Timing csvTime, savTime, dtaTime;
    bool failed = false;
    const auto analysis = [&](AnalysisFormat format, const QString& path) {
        AnalysisFileRequest request;
        request.format = format;
        request.databaseLabel = QStringLiteral("某县总工会");
        request.exportTime = QDateTime::currentDateTime();
        const AnalysisFileResult result = WriteAnalysisFile(db, path, request);
        if (!result.ok() || result.rows != rows) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(result.error));
            failed = true;
        }
    };
    for (int round = 0; round < 3 && !failed; ++round) {
        csvTime.keepBest(Measure([&] {
            const UploadCsvResult result = WriteUploadCsv(db, csv);
            if (!result.error.isEmpty()) {
                std::fprintf(stderr, "csv: %s\n", qPrintable(result.error));
                failed = true;
            }
        }));
        savTime.keepBest(Measure([&] { analysis(AnalysisFormat::Spss, sav); }));
        dtaTime.keepBest(Measure([&] { analysis(AnalysisFormat::Stata, dta); }));
    }
    if (failed)
        return 1;
    PrintTiming("upload CSV      ", csvTime);
    PrintTiming("SPSS file (.sav)", savTime);
    PrintTiming("Stata file (.dta)", dtaTime);
    std::printf("sizes: CSV %lld, SPSS %lld, Stata %lld bytes\n", qlonglong(QFileInfo(csv).size()),
                qlonglong(QFileInfo(sav).size()), qlonglong(QFileInfo(dta).size()));
    bool met = true;
    for (const auto& [name, t] : {std::pair{"SPSS ", savTime}, std::pair{"Stata", dtaTime}}) {
        const double ratio = t.seconds / csvTime.seconds;
        met = met && ratio <= 2.0;
        std::printf("%s ratio to the upload CSV: %.2f (processor %.2f); goal <= 2.0: %s\n", name, ratio,
                    t.cpuSeconds / csvTime.cpuSeconds, ratio <= 2.0 ? "met" : "NOT met");
    }
    return met ? 0 : 1;
}
