// Times the comparison with last year over two years of generated returns (100,000 each by
// default) against the plain reader reading both databases whole.
// Usage: compare_bench SYSTEM_DATA_FILE [ROWS]
// Last year's returns are the sample returns with four in five reporting data; this year's are
// the same moved by AdvanceSampleReturnsOneYear. Best of three rounds each, in turn.
#include "BenchClock.h"
#include "SampleReturns.h"
#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "logic/LastYearComparison.h"
#include "plain_reader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: compare_bench SYSTEM_DATA_FILE [ROWS]\n");
        return 2;
    }
    const int rows = argc > 2 ? atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    const QString last = dir.filePath("2011.mdb"), now = dir.filePath("2012.mdb");
    QFile::copy(QString::fromLocal8Bit(argv[1]), last);
    QFile::setPermissions(last, QFile::ReadOwner | QFile::WriteOwner);
    {
        Connection db;
        db.open(last);
        FillSampleReturns(db, rows);
        db.execute("update dt_data set c907 = 1 + c901 % 2 where c907 > 2 and c901 % 5 <> 0");
    }
    QFile::copy(last, now);
    Connection& db = SysConnection();
    db.open(now);
    AdvanceSampleReturnsOneYear(db);
    db.close();
    db.open(now);

    const long madeKilobytes = PeakKilobytes();
    const QByteArray all = "select * from dt_data";
    Timing plain, compare;
    CompareResult r;
    long long plainRows = 0;
    for (int round = 0; round < 3; ++round) {
        PlainReading a{}, b{};
        plain.keepBest(Measure([&] {
            PlainRead(QFile::encodeName(now).constData(), all.constData(), &a);
            PlainRead(QFile::encodeName(last).constData(), all.constData(), &b);
        }));
        plainRows = a.rows + b.rows;
        compare.keepBest(Measure([&] { r = CompareWithLastYear(db, last, CompareParameters{}); }));
        if (!r.refused.isEmpty()) {
            std::fprintf(stderr, "refused: %s\n", r.refused.toUtf8().constData());
            return 1;
        }
    }
    // Where the time goes, in one more run: the checks of last year's file until the sweeps start,
    // the two sweeps, the method on the pairs.
    double startedAt = 0, sweptAt = 0;
    qint64 steps = 0, total = 0;
    BatchCheckHooks hooks;
    hooks.started = [&](qint64 t, qint64) {
        startedAt = ClockSeconds(CLOCK_MONOTONIC);
        total = t;
    };
    hooks.stepped = [&] {
        if (++steps == total - qint64(r.indicators.size()))
            sweptAt = ClockSeconds(CLOCK_MONOTONIC);
    };
    const double begun = ClockSeconds(CLOCK_MONOTONIC);
    CompareWithLastYear(db, last, CompareParameters{}, hooks);
    const double ended = ClockSeconds(CLOCK_MONOTONIC);
    std::printf("rows read: %lld in both files, %.1f MB and %.1f MB\n", plainRows,
                QFileInfo(now).size() / 1048576.0, QFileInfo(last).size() / 1048576.0);
    std::printf("units in both years: %lld; indicators %lld, skipped %lld; flagged %lld; absent now %lld, "
                "new now %lld\n",
                r.matched, qint64(r.indicators.size()), qint64(r.skipped.size()), qint64(r.flagged.size()),
                qint64(r.absentNow.size()), qint64(r.newNow.size()));
    PrintTiming("plain reader on both files, best of 3", plain);
    PrintTiming("comparison with last year (file checks, both sweeps, method), best of 3", compare);
    PrintRatio(compare, plain, 3.0);
    std::printf("one run with progress: file checks %.2f s, both sweeps %.2f s, the method %.2f s\n",
                startedAt - begun, sweptAt - startedAt, ended - sweptAt);
    std::printf("peak resident: %.1f MB (%.1f MB while the files were made)\n", PeakKilobytes() / 1024.0,
                madeKilobytes / 1024.0);
    return 0;
}
