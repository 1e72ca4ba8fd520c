// Loads the record list of 100,000 generated returns into a row set and compares the time with
// the plain reader stepping the same statement; reports memory and the title-click sorts.
// Usage: rowset_load_bench SYSTEM_DATA_FILE [ROWS]
// The system data file is copied; the copy is filled and read. Best of three rounds, each
// round reading with the plain reader and then loading the row set.
// With --fill-only as first argument the named file itself is filled with sample returns.
#include "BenchClock.h"
#include "SampleReturns.h"
#include "db/Connection.h"
#include "plain_reader.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

namespace {
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
    CopyFresh(QString::fromLocal8Bit(argv[1]), path);
    const QString sql = QStringLiteral("SELECT *  from view_data order by c901 asc");

    Connection db;
    db.open(path);
    PrintTiming(qPrintable(QStringLiteral("generated %1 returns").arg(rows)), Measure([&] { FillSampleReturns(db, rows); }));

    Timing plain, load;
    RowSet list;
    long growth = 0;
    for (int round = 0; round < 3; ++round) {
        PlainReading reading{};
        plain.keepBest(Measure([&] { PlainRead(QFile::encodeName(path).constData(), sql.toUtf8().constData(), &reading); }));
        list.close();
        const long before = currentKilobytes();
        load.keepBest(Measure([&] { list = db.query(sql); }));
        if (round == 0)
            growth = currentKilobytes() - before;
    }
    const Timing textSort = Measure([&] { list.sort("c902 DESC"); });
    const Timing numberSort = Measure([&] { list.sort("z001 ASC"); });

    std::printf("row set: %d rows x %d columns\n", list.recordCount(), list.columnCount());
    PrintTiming("plain reader, best of 3", plain);
    PrintTiming("row set load, best of 3", load);
    PrintRatio(load, plain, 1.5);
    std::printf("values held: %.1f MB; resident growth during load: %.1f MB; peak resident: %.1f MB (goal <= 250)\n",
                list.memoryUsed() / 1048576.0, growth / 1024.0, PeakKilobytes() / 1024.0);
    std::printf("sort by a text column: %.2f s; by a number column: %.2f s\n", textSort.seconds, numberSort.seconds);
    return 0;
}
