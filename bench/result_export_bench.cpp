// Times the result exports over generated returns: reading the result list and the full rows,
// the workbook export of the list's columns and the database export of every column, beside the
// time SQLite alone needs to copy the same rows into an attached file with one INSERT ... SELECT.
// Usage: result_export_bench SYSTEM_DATA_FILE [ROWS]
#include "SampleReturns.h"

#include "db/Connection.h"
#include "db/DatabaseFile.h"
#include "db/WorkingDatabase.h"
#include "model/FieldCatalogue.h"
#include "query/QueryConditions.h"
#include "query/ResultExport.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QString>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {
long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Processor time of this process, seconds: on a shared machine the wall time also counts waiting.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Wall and processor seconds since the last lap.
struct Lap {
    QElapsedTimer wall;
    double cpu = 0;
    void start()
    {
        wall.start();
        cpu = cpuSeconds();
    }
    QString text() const
    {
        return QStringLiteral("%1 s (processor %2 s)").arg(wall.elapsed() / 1000.0, 0, 'f', 2).arg(cpuSeconds() - cpu, 0, 'f', 2);
    }
};

double megabytes(const QString& file)
{
    return QFileInfo(file).size() / 1048576.0;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: result_export_bench SYSTEM_DATA_FILE [ROWS]\n");
        return 2;
    }
    const int rows = argc > 2 ? atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.mdb");
    CopyFresh(QString::fromLocal8Bit(argv[1]), path);
    Connection& db = SysConnection();
    db.open(path);
    FillSampleReturns(db, rows);

    Lap timer;
    timer.start();
    RowSet list = db.query(ResultListSql(QString()));
    const QString listSeconds = timer.text();
    timer.start();
    RowSet detail = db.query(ResultDetailSql(QString()));
    const QString detailSeconds = timer.text();
    const long afterReadKb = peakKilobytes();

    // The list's columns as the result list passes them: the visible catalogue rows.
    TFieldDataArray columns;
    for (TFieldData f : LoadFieldCatalogue(db))
        if (f.Visible) {
            f.QueryShow = true;
            columns << f;
        }

    int events = 0;
    ExportHooks hooks;
    hooks.processEvents = [&events] { ++events; };

    const QString book = dir.filePath("result.xlsx");
    timer.start();
    ExportOutcome outcome = WriteResultWorkbook(list, QStringLiteral("Tallyra查询结果"), columns, book,
                                                QDate::currentDate(), hooks);
    const QString bookSeconds = timer.text();
    const long afterBookKb = peakKilobytes();
    if (!outcome.ok()) {
        std::fprintf(stderr, "workbook export failed: %s\n", qPrintable(outcome.error));
        return 1;
    }
    const int bookEvents = events;

    // Every column of the list too, to see the writer at full width.
    TFieldDataArray every;
    for (const QString& name : list.columnNames()) {
        TFieldData f;
        f.ShowName = f.Hint = name;
        f.QueryShow = true;
        every << f;
    }
    const QString wideBook = dir.filePath("wide.xlsx");
    timer.start();
    outcome = WriteResultWorkbook(list, QStringLiteral("Tallyra查询结果"), every, wideBook, QDate::currentDate());
    const QString wideSeconds = timer.text();
    const long afterWideKb = peakKilobytes();
    if (!outcome.ok()) {
        std::fprintf(stderr, "wide workbook export failed: %s\n", qPrintable(outcome.error));
        return 1;
    }

    const QString file = dir.filePath("result.mdb");
    events = 0;
    timer.start();
    outcome = WriteResultDatabase(detail, QStringLiteral("Tallyra查询结果"), file, hooks);
    const QString fileSeconds = timer.text();
    if (!outcome.ok()) {
        std::fprintf(stderr, "database export failed: %s\n", qPrintable(outcome.error));
        return 1;
    }
    const int fileEvents = events;

    const QString copy = dir.filePath("copy.mdb");
    timer.start();
    CreateEmptyDatabase(copy);
    db.attach(copy, QStringLiteral("target"));
    db.execute(QStringLiteral("create table target.t as select * from dt_data where 0"));
    db.execute(QStringLiteral("insert into target.t select * from dt_data order by c901"));
    db.detach(QStringLiteral("target"));
    const QString copySeconds = timer.text();

    std::printf("results: %d rows, %d columns in the list, %d in dt_data\n", list.recordCount(), list.columnCount(),
                detail.columnCount());
    std::printf("reading the result list (view_data): %s; the full rows (dt_data): %s; peak after reading: %.0f MB\n",
                qPrintable(listSeconds), qPrintable(detailSeconds), afterReadKb / 1024.0);
    std::printf("workbook export, %d shown columns: %s, %.1f MB file, %d event breaks, peak %.0f MB\n",
                int(columns.size()), qPrintable(bookSeconds), megabytes(book), bookEvents, afterBookKb / 1024.0);
    std::printf("workbook export, all %d columns: %s, %.1f MB file, peak %.0f MB\n", int(every.size()),
                qPrintable(wideSeconds), megabytes(wideBook), afterWideKb / 1024.0);
    std::printf("database export, all columns: %s, %.1f MB file, %d event breaks\n", qPrintable(fileSeconds),
                megabytes(file), fileEvents);
    std::printf("SQLite alone, one INSERT ... SELECT into an attached file: %s, %.1f MB file\n", qPrintable(copySeconds),
                megabytes(copy));
    return 0;
}
