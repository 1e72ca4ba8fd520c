// Times the batch logic check over 100,000 generated returns, of which about one in eight
// breaks a rule, against the plain reader stepping the same statement.
// Usage: batch_check_bench SYSTEM_DATA_FILE [ROWS]
// Best of three rounds; every round starts from the same states (all 0, so every checked
// return is written) and reads with the plain reader before it checks. Then the check is run
// again on the states it set, as a clerk's second run finds them.
#include "SampleReturns.h"
#include "BenchClock.h"
#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "logic/BatchCheck.h"
#include "plain_reader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {
// Returns of county unions that pass every check; every tenth breaks z003<=z001 and every
// thirtieth also x002<=x001.
void fillReturns(Connection& db, int rows)
{
    db.begin();
    db.execute(QStringLiteral(
                   "with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                   "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001, z002, z003, "
                   "z004, z005, x001, x002, x003, p004, p005) "
                   "select 110101000000 + i, '工会' || i, 110101, 3, '张伟', '010-1', 1 + (i % 40 = 0) * 2, 0, "
                   "20, 5, case when i % 10 = 0 then 25 else 4 end, 12, 8, 6, case when i % 30 = 0 then 9 else 2 end, "
                   "3, 10, 4 from n")
                   .arg(rows));
    db.commit();
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: batch_check_bench SYSTEM_DATA_FILE [ROWS]\n");
        return 2;
    }
    const int rows = argc > 2 ? atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.mdb");
    CopyFresh(QString::fromLocal8Bit(argv[1]), path);
    Connection& db = SysConnection();
    db.open(path);
    fillReturns(db, rows);

    const QString report = dir.filePath("report.txt");
    Timing plain, check;
    BatchCheckResult r;
    for (int round = 0; round < 3; ++round) {
        db.execute("update dt_data set RecordState=0");
        PlainReading reading{};
        plain.keepBest(Measure([&] {
            PlainRead(QFile::encodeName(path).constData(), AllRecordsCheckSql().toUtf8().constData(), &reading);
        }));
        check.keepBest(Measure(
            [&] { r = RunBatchCheck(db, AllRecordsCheckSql(), report, QDateTime::currentDateTime(), true); }));
    }
    // Checked again: every state already holds, so no row is written.
    Timing again;
    for (int round = 0; round < 3; ++round)
        again.keepBest(Measure(
            [&] { RunBatchCheck(db, AllRecordsCheckSql(), report, QDateTime::currentDateTime(), true); }));
    std::printf("returns checked: %lld (failed %lld, failed checks %lld)\n", r.checkedRecords, r.failedRecords,
                r.failedChecks);
    PrintTiming("plain reader on the rows, best of 3", plain);
    PrintTiming("whole batch check with report and states, best of 3", check);
    PrintRatio(check, plain, 2.0);
    PrintTiming("the same check again, every state already set, best of 3", again);
    std::printf("ratio of the check again to the plain reader: %.2f (processor %.2f)\n", again.seconds / plain.seconds,
                again.cpuSeconds / plain.cpuSeconds);
    std::printf("report size: %.1f MB; peak resident: %.1f MB\n", QFileInfo(report).size() / 1048576.0,
                PeakKilobytes() / 1024.0);
    std::printf("states: %d passed, %d failed\n",
                db.scalar("select count(*) from dt_data where RecordState=1").toInt(),
                db.scalar("select count(*) from dt_data where RecordState=2").toInt());
    return 0;
}
