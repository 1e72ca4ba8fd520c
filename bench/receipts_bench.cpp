// Times the reporting picture at national scale: 100,000 expected units against 100,000 returns
// (95,000 of them expected, 5,000 not; 5,000 expected units missing), beside the plain reading of
// the columns it needs from both tables, in turn, three rounds, the best of each kept. Measured:
// the core's picture alone, and "收报情况" opening until it has painted (offscreen).
// Goal: the window open within 1 s.
// Usage: receipts_bench SYSTEM_DATA_FILE [ROWS]
#include "BenchClock.h"
#include "SampleReturns.h"

#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "exchange/ReportingPicture.h"
#include "exchange/dlgReceipts.h"
#include "plain_reader.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: receipts_bench SYSTEM_DATA_FILE [ROWS]\n");
        return 2;
    }
    const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    const QString database = dir.filePath("office.mdb");
    QFile::copy(QString::fromLocal8Bit(argv[1]), database);
    QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner);
    {
        Connection db;
        db.open(database);
        FillSampleReturns(db, rows); // codes 110101000000 + i * 17, four divisions
        // The list: every return but each twentieth, and as many codes that sent none, some
        // with a division of their own.
        db.begin();
        db.execute(QStringLiteral(
                       "insert into ct_expected (c901, c902, c903, Source, AddedAt) "
                       "select c901, c902, case when c901 % 7 = 0 then NULL else c903 end, '现有数据', '2024-03-01 09:00:00' "
                       "from dt_data where (c901 - 110101000000) / 17 % 20 <> 0"));
        db.execute(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                                  "insert into ct_expected (c901, c902, c903, Source, AddedAt) "
                                  "select 120101000000 + i, '未报工会' || i, 120101 + i % 5, '文本文件：list.txt', "
                                  "'2024-03-02 09:00:00' from n")
                       .arg(rows / 20));
        db.commit();
        std::printf("%d returns, %lld expected units\n", rows,
                    db.scalar("select count(*) from ct_expected").toLongLong());
    }
    if (OpenWorkingDatabase(database).status != OpenDatabaseResult::Opened) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(database));
        return 1;
    }
    const QByteArray path = database.toLocal8Bit();
    Timing plain, picture, window;
    bool failed = false;
    qint64 missing = 0;
    for (int round = 0; round < 3 && !failed; ++round) {
        plain.keepBest(Measure([&] {
            PlainReading a{}, b{};
            failed = PlainRead(path.constData(), "select c901, c902, c903 from ct_expected", &a) != 0
                     || PlainRead(path.constData(), "select c901, c903, RecordState from dt_data", &b) != 0;
        }));
        picture.keepBest(Measure([&] { missing = ComputeReportingPicture(SysConnection()).missing; }));
        window.keepBest(Measure([&] {
            TdlgReceiptsForm form;
            form.show();
            app.processEvents();
            form.repaint();
            if (form.picture().missing != missing)
                failed = true;
        }));
    }
    if (failed)
        return 1;
    std::printf("missing units: %lld\n", missing);
    PrintTiming("plain reading of both tables", plain);
    PrintTiming("reporting picture (core)    ", picture);
    PrintTiming("\"收报情况\" open and painted  ", window);
    std::printf("core ratio to the plain reader: %.2f (processor %.2f)\n", picture.seconds / plain.seconds,
                picture.cpuSeconds / plain.cpuSeconds);
    std::printf("window ratio to the plain reader: %.2f (processor %.2f)\n", window.seconds / plain.seconds,
                window.cpuSeconds / plain.cpuSeconds);
    std::printf("window open within 1 s: %s\n", window.seconds <= 1.0 ? "met" : "NOT met");
    std::printf("peak resident: %.1f MB\n", PeakKilobytes() / 1024.0);
    return window.seconds <= 1.0 ? 0 : 1;
}
