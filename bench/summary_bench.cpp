// Times the summary of all 24 sheets over generated returns, by union level and by a grouping
// of 50 items, beside the time SQLite alone needs to run the same statements, and the time to
// write the summary workbook from the template.
// Usage: summary_bench SYSTEM_DATA_FILE TEMPLATE [ROWS]
#include "SampleReturns.h"

#include "db/Connection.h"
#include "db/Statement.h"
#include "db/WorkingDatabase.h"
#include "entry/workbook/StreamingWorkbook.h"
#include "entry/workbook/Workbook.h"
#include "summary/Grouping.h"
#include "summary/SumStatements.h"
#include "summary/SumWorkbook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {
// Steps through every row of a statement, as the engine alone would deliver them.
void drain(Connection& db, const QString& sql, const QVariantList& params = {})
{
    Statement st(db.handle(), sql);
    st.bindAll(params);
    while (st.step())
        for (int c = 0; c < st.columnCount(); ++c)
            st.value(c);
}

// Processor seconds of this process since the last call (the machine may be shared).
double cpuLap()
{
    static std::clock_t last = std::clock();
    const std::clock_t now = std::clock();
    const double s = double(now - last) / CLOCKS_PER_SEC;
    last = now;
    return s;
}

double sqliteAlone(Connection& db, SumKind kind, qint64 group)
{
    QElapsedTimer t;
    t.start();
    for (int sheet = kFirstSumSheet; sheet <= kLastSumSheet; ++sheet) {
        if (kind != SumKind::Group) {
            drain(db, SumByCodeSql(sheet, kind));
            continue;
        }
        RowSet items = ReadGroupItems(db, group, ReverseGroupOrder(ReadGroupOrder(db, group)));
        int n = 0;
        for (items.first(); !items.eof(); items.next())
            drain(db, SumByItemSql(sheet, items.text("LowSymbol"), items.text("HighSymbol")),
                  {items.text("Title"), ++n, items.value("LowBoundary"), items.value("HighBoundary")});
    }
    return t.elapsed() / 1000.0;
}

double computeAll(Connection& db, SumKind kind, qint64 group)
{
    QElapsedTimer t;
    t.start();
    for (int sheet = kFirstSumSheet; sheet <= kLastSumSheet; ++sheet)
        ComputeSumSheet(db, sheet, kind, group);
    return t.elapsed() / 1000.0;
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

double wholeRun(Connection& db, const QString& templ, SumKind kind, qint64 group, const QString& out)
{
    QVector<int> sheets;
    for (int s = 1; s <= 27; ++s)
        sheets << s;
    SummaryRequest request{kind, group, SumListTicking(sheets)};
    QElapsedTimer t;
    t.start();
    WriteSummaryWorkbook(db, templ, request, out);
    return t.elapsed() / 1000.0;
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
    QFile::copy(QString::fromLocal8Bit(argv[1]), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QString templ = QString::fromLocal8Bit(argv[2]);
    if (!QFile::exists(templ)) {
        templ = dir.filePath("standin.xlsx");
        makeStandIn(templ);
        std::printf("template not found: a stand-in of 27 sheets is used\n");
    }
    Connection& db = SysConnection();
    db.open(path);
    FillSampleReturns(db, rows);

    // 50 items splitting the generated codes (110101000000 + i * 17) into equal ranges.
    const qint64 group = CreateGrouping(db, "bench");
    const qint64 first = 110101000000LL, span = qint64(rows) * 17 / 50 + 1;
    for (int i = 0; i < 50; ++i) {
        GroupItem item;
        item.groupId = group;
        item.title = QString("item %1").arg(i + 1);
        item.low = first + i * span;
        item.high = first + (i + 1) * span;
        SaveGroupItem(db, item);
    }
    BuildSumStatements();
    try {
        for (auto [kind, name] : {std::pair{SumKind::Level, "by level"}, std::pair{SumKind::Group, "by 50 items"}}) {
            cpuLap();
            const double alone = sqliteAlone(db, kind, group);
            const double aloneCpu = cpuLap();
            const double computed = computeAll(db, kind, group);
            const double computedCpu = cpuLap();
            const double whole = wholeRun(db, templ, kind, group, dir.filePath("out.xlsx"));
            const double wholeCpu = cpuLap();
            std::printf("%d returns, 24 sheets %s (wall clock / processor seconds):\n"
                        "  SQLite alone, the same statements   %6.2f / %6.2f\n"
                        "  summary rows (ComputeSumSheet)       %6.2f / %6.2f\n"
                        "  summary workbook, whole run          %6.2f / %6.2f\n"
                        "  of it the workbook (template, cells, write) %6.2f / %6.2f\n",
                        rows, name, alone, aloneCpu, computed, computedCpu, whole, wholeCpu, whole - computed,
                        wholeCpu - computedCpu);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
