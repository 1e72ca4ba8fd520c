// Times "tallyra-batch diff" of two databases of generated returns (B: A with one return in a
// hundred changed, a hundred removed and a hundred added) beside the plain reader reading both
// whole. The diff is the command's whole work: both files checked as received files, compared,
// the table of differences made. Best of three rounds each.
// Usage: package_diff_bench SYSTEM_DATA_FILE [ROWS]
#include "BenchClock.h"
#include "SampleReturns.h"
#include "plain_reader.h"

#include "db/Connection.h"
#include "exchange/PackageDiff.h"
#include "exchange/PackageImport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: package_diff_bench SYSTEM_DATA_FILE [ROWS]\n");
        return 2;
    }
    const QString delivered = QString::fromLocal8Bit(argv[1]);
    const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    const QString a = dir.filePath("a.mdb"), b = dir.filePath("b.mdb");
    CopyFresh(delivered, a);
    {
        Connection db;
        db.open(a);
        FillSampleReturns(db, rows);
    }
    CopyFresh(a, b);
    {
        Connection db;
        db.open(b);
        db.begin();
        db.execute("update dt_data set z001 = z001 + 1, c902 = c902 || '（更正）' where rowid % 100 = 0");
        db.execute("delete from dt_data where rowid % 1000 = 1");
        db.execute("insert into dt_data (c901, c902, c907, RecordState) "
                   "select c901 + 1, c902, c907, 1 from dt_data where rowid % 1000 = 2");
        db.commit();
    }
    const QString reference = dir.filePath("reference.mdb");
    CopyFresh(delivered, reference);

    Timing plain, diff;
    ReturnComparison result;
    qsizetype lines = 0;
    for (int round = 0; round < 3; ++round) {
        plain.keepBest(Measure([&] {
            PlainReading ra{}, rb{};
            PlainRead(QFile::encodeName(a).constData(), "select * from dt_data", &ra);
            PlainRead(QFile::encodeName(b).constData(), "select * from dt_data", &rb);
        }));
        diff.keepBest(Measure([&] {
            Connection db;
            db.open(reference, Connection::Mode::ReadOnly);
            const ReceivedFile fileA(db, a, "dt_data"), fileB(db, b, "dt_data");
            result = DiffPackages(db, fileA, fileB);
            lines = PackageDiffLines(result).size();
        }));
    }
    std::printf("%d returns: only in A %lld, only in B %lld, equal %lld, differing %lld (%lld lines)\n", rows,
                qlonglong(result.onlyA.size()), qlonglong(result.onlyB.size()),
                qlonglong(result.both.size() - result.differingCount()), result.differingCount(), qlonglong(lines));
    PrintTiming("plain reader on both files, best of 3", plain);
    PrintTiming("diff of both files, best of 3", diff);
    PrintRatio(diff, plain, 2.0);
    std::printf("peak resident: %.1f MB\n", PeakKilobytes() / 1024.0);
    return 0;
}
