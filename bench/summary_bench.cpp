// Times the summary of all 24 sheets over generated returns, by union level, by reporting state,
// by a grouping of 50 items and by 50 items that overlap (every return in two), against the
// plain reader reading dt_data: three rounds, each reading with the plain reader and then
// summing every breakdown; the best of each and their ratio. Then, once, the former way (one
// statement per sheet and item) with a check that it gives the same cells, and the whole run
// into the summary workbook from the template.
// Usage: summary_bench SYSTEM_DATA_FILE TEMPLATE [ROWS]
#include "BenchClock.h"
#include "SampleReturns.h"

#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "entry/workbook/StreamingWorkbook.h"
#include "summary/Grouping.h"
#include "summary/SumReading.h"
#include "summary/SumStatements.h"
#include "summary/SumWorkbook.h"
#include "plain_reader.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

namespace {
QVector<int> allSheets()
{
    QVector<int> sheets;
    for (int s = 1; s <= 27; ++s)
        sheets << s;
    return sheets;
}

// A stand-in of the template's shape when the template file is not there: 27 sheets with a
// title and headings above row 9.
void makeStandIn(const QString& path)
{
    StreamingWorkbook book(path);
    for (int s = 1; s <= 27; ++s) {
        book.addSheet(QString("S%1").arg(s));
        book.writeRow({StreamCell::fromText("title")});
        for (int r = 2; r <= 8; ++r)
            book.writeRow({});
    }
    book.close();
}

// 50 items over the generated codes (110101000000 + i * 17): equal ranges, or each range with
// the next one, so that every return but the first range's lies in two items.
qint64 makeGrouping(Connection& db, int rows, bool overlapping)
{
    const qint64 group = CreateGrouping(db, overlapping ? "overlapping" : "bench");
    const qint64 first = 110101000000LL, span = qint64(rows) * 17 / 50 + 1;
    for (int i = 0; i < 50; ++i) {
        GroupItem item;
        item.groupId = group;
        item.title = QString("item %1").arg(i + 1);
        item.low = first + i * span;
        item.high = first + (i + (overlapping ? 2 : 1)) * span;
        SaveGroupItem(db, item);
    }
    return group;
}

struct Breakdown {
    const char* name;
    SumKind kind;
    qint64 group;
    double goal; // <= 0: no goal
};

// Cells that differ between the one reading and the statements (value or type).
long differingCells(const QMap<int, SumSheetRows>& read, const QMap<int, SumSheetRows>& statements, long* cells)
{
    long differ = 0;
    for (auto s = statements.begin(); s != statements.end(); ++s) {
        const SumSheetRows& a = s.value();
        const SumSheetRows b = read.value(s.key());
        if (a.rows.size() != b.rows.size() || a.columns != b.columns) {
            differ += 1000000;
            continue;
        }
        for (int r = 0; r < a.rows.size(); ++r)
            for (int c = 0; c < a.rows[r].values.size(); ++c) {
                ++*cells;
                const QVariant x = a.rows[r].values[c], y = b.rows[r].values.value(c);
                const bool same = x.typeId() == y.typeId() && x.isNull() == y.isNull()
                                  && (x.typeId() != QMetaType::Double || x.toDouble() == y.toDouble())
                                  && (x.typeId() == QMetaType::Double || x == y);
                differ += same ? 0 : 1;
            }
    }
    return differ;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: summary_bench SYSTEM_DATA_FILE TEMPLATE [ROWS]\n");
        return 2;
    }
    const int rows = argc > 3 ? atoi(argv[3]) : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.mdb");
    CopyFresh(QString::fromLocal8Bit(argv[1]), path);
    QString templ = QString::fromLocal8Bit(argv[2]);
    if (!QFile::exists(templ)) {
        templ = dir.filePath("standin.xlsx");
        makeStandIn(templ);
        std::printf("template not found: a stand-in of 27 sheets is used\n");
    }
    Connection& db = SysConnection();
    db.open(path);
    FillSampleReturns(db, rows);
    const Breakdown breakdowns[] = {
        {"by level", SumKind::Level, 0, 1.5},
        {"by state", SumKind::State, 0, 1.5},
        {"by 50 items", SumKind::Group, makeGrouping(db, rows, false), 2.0},
        {"by 50 overlapping items", SumKind::Group, makeGrouping(db, rows, true), 2.0},
    };
    const QString plainSql = QStringLiteral("select * from dt_data");
    const QVector<int> sheets = allSheets();
    BuildSumStatements();
    try {
        Timing plain;
        std::vector<Timing> summed(std::size(breakdowns));
        for (int round = 0; round < 3; ++round) {
            PlainReading reading{};
            plain.keepBest(Measure([&] {
                PlainRead(QFile::encodeName(path).constData(), plainSql.toUtf8().constData(), &reading);
            }));
            for (size_t b = 0; b < std::size(breakdowns); ++b)
                summed[b].keepBest(
                    Measure([&] { ComputeSumSheets(db, sheets, breakdowns[b].kind, breakdowns[b].group); }));
        }
        std::printf("%d returns, the 24 sheets of the summary, best of 3 (wall clock, processor):\n", rows);
        PrintTiming("plain reader, \"select * from dt_data\"", plain);
        for (size_t b = 0; b < std::size(breakdowns); ++b) {
            PrintTiming(qPrintable(QStringLiteral("summary %1 (every sheet, one reading)").arg(breakdowns[b].name)),
                        summed[b]);
            PrintRatio(summed[b], plain, breakdowns[b].goal);
        }

        std::printf("the former way, one statement per sheet (and per item), once:\n");
        for (const Breakdown& b : {breakdowns[0], breakdowns[2]}) {
            QMap<int, SumSheetRows> statements;
            const Timing t = Measure([&] {
                for (int sheet = kFirstSumSheet; sheet <= kLastSumSheet; ++sheet)
                    statements.insert(sheet, ComputeSumSheetByStatements(db, sheet, b.kind, b.group));
            });
            long cells = 0;
            const long differ = differingCells(ComputeSumSheets(db, sheets, b.kind, b.group), statements, &cells);
            PrintTiming(qPrintable(QStringLiteral("statements %1").arg(b.name)), t);
            std::printf("ratio to the plain reader: %.2f (processor %.2f); the one reading gives the same %ld cells: %s\n",
                        t.seconds / plain.seconds, t.cpuSeconds / plain.cpuSeconds, cells,
                        differ == 0 ? "yes" : qPrintable(QStringLiteral("NO, %1 differ").arg(differ)));
        }

        const QString out = dir.filePath("out.xlsx");
        for (const Breakdown& b : {breakdowns[0], breakdowns[2]}) {
            const Timing whole = Measure([&] {
                WriteSummaryWorkbook(db, templ, SummaryRequest{b.kind, b.group, SumListTicking(sheets)}, out);
            });
            PrintTiming(qPrintable(QStringLiteral("summary workbook %1, whole run (template, sums, cells, file)").arg(b.name)),
                        whole);
            std::printf("ratio to the plain reader: %.2f (processor %.2f)\n", whole.seconds / plain.seconds,
                        whole.cpuSeconds / plain.cpuSeconds);
        }
        std::printf("peak resident: %.1f MB\n", PeakKilobytes() / 1024.0);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
