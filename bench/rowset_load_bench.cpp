// Loads the record list of 100,000 generated returns into a row set and reports the time and
// memory it takes. Usage: rowset_load_bench SYSTEM_DATA_FILE [ROWS]
// The system data file is copied; the copy is filled and read.
// With --fill-only as first argument the named file itself is filled with sample returns.
#include "SampleReturns.h"
#include "db/Connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {
long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long currentKilobytes()
{
    QFile status("/proc/self/statm");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = status.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * 4 : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: rowset_load_bench SYSTEM_DATA_FILE [ROWS]\n");
        return 2;
    }
    if (QString::fromLocal8Bit(argv[1]) == "--fill-only") {
        if (argc < 4)
            return 2;
        Connection db;
        db.open(QString::fromLocal8Bit(argv[2]));
        FillSampleReturns(db, atoi(argv[3]));
        return 0;
    }
    const int rows = argc > 2 ? atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.mdb");
    QFile::copy(QString::fromLocal8Bit(argv[1]), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);

    Connection db;
    db.open(path);
    QElapsedTimer timer;
    timer.start();
    FillSampleReturns(db, rows);
    std::printf("generated %d returns in %.2f s\n", rows, timer.elapsed() / 1000.0);

    const long before = currentKilobytes();
    timer.restart();
    RowSet list = db.query("SELECT *  from view_data order by c901 asc");
    const double loadSeconds = timer.elapsed() / 1000.0;
    const long after = currentKilobytes();
    timer.restart();
    list.sort("c902 DESC");
    const double sortSeconds = timer.elapsed() / 1000.0;
    timer.restart();
    list.sort("z001 ASC");
    const double numberSortSeconds = timer.elapsed() / 1000.0;

    std::printf("row set: %d rows x %d columns\n", list.recordCount(), list.columnCount());
    std::printf("load time: %.2f s\n", loadSeconds);
    std::printf("values held: %.1f MB; resident growth during load: %.1f MB; peak resident: %.1f MB\n",
                list.memoryUsed() / 1048576.0, (after - before) / 1024.0, peakKilobytes() / 1024.0);
    std::printf("sort by a text column: %.2f s; by a number column: %.2f s\n", sortSeconds, numberSortSeconds);
    return 0;
}
