// Times the batch logic check over 100,000 generated returns, of which about one in eight
// breaks a rule, beside the time SQLite alone needs to read the same rows.
// Usage: batch_check_bench SYSTEM_DATA_FILE [ROWS]
#include "db/Connection.h"
#include "db/Statement.h"
#include "db/WorkingDatabase.h"
#include "logic/BatchCheck.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

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

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
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
    QFile::copy(QString::fromLocal8Bit(argv[1]), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    Connection& db = SysConnection();
    db.open(path);
    fillReturns(db, rows);

    QElapsedTimer timer;
    timer.start();
    {
        Statement read(db.handle(), AllRecordsCheckSql());
        qint64 n = 0;
        while (read.step())
            for (int c = 0; c < read.columnCount(); ++c)
                n += read.value(c).isNull() ? 0 : 1;
        (void)n;
    }
    const double sqliteSeconds = timer.elapsed() / 1000.0;

    const QString report = dir.filePath("report.txt");
    timer.restart();
    const BatchCheckResult r = RunBatchCheck(db, AllRecordsCheckSql(), report, QDateTime::currentDateTime(), true);
    const double checkSeconds = timer.elapsed() / 1000.0;
    std::printf("returns checked: %lld (failed %lld, failed checks %lld)\n", r.checkedRecords, r.failedRecords,
                r.failedChecks);
    std::printf("SQLite alone reading the rows: %.2f s\n", sqliteSeconds);
    std::printf("whole batch check with report and states: %.2f s\n", checkSeconds);
    std::printf("report size: %.1f MB; peak resident: %.1f MB\n", QFileInfo(report).size() / 1048576.0,
                peakKilobytes() / 1024.0);
    std::printf("states: %d passed, %d failed\n",
                db.scalar("select count(*) from dt_data where RecordState=1").toInt(),
                db.scalar("select count(*) from dt_data where RecordState=2").toInt());
    return 0;
}
