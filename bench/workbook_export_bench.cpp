// Writes a new workbook of ROWS x COLUMNS cells with the streaming writer and the same rows as a
// CSV file, and reports the time and peak memory of each. Usage: workbook_export_bench [ROWS] [COLUMNS]
// The rows look like a query export: a 12-digit code, a union name, then whole and decimal numbers.
#include "entry/workbook/StreamingWorkbook.h"
#include "base/ValueText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

QVector<StreamCell> sampleRow(int r, int columns)
{
    QVector<StreamCell> row;
    row.reserve(columns);
    row << StreamCell::fromNumber(110000000000.0 + r) << StreamCell::fromText(QStringLiteral("第%1基层以上工会").arg(r));
    for (int c = 2; c < columns; ++c)
        row << StreamCell::fromNumber(c % 7 == 0 ? (r % 1000) + 0.5 : double((r * 31 + c) % 100000));
    return row;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? atoi(argv[1]) : 100000;
    const int columns = argc > 2 ? atoi(argv[2]) : 220;
    QTemporaryDir dir;
    const long startKb = peakKilobytes();

    // CSV: the same values in their text forms, one buffered line at a time.
    QElapsedTimer timer;
    timer.start();
    {
        QFile csv(dir.filePath(QStringLiteral("bench.csv")));
        if (!csv.open(QIODevice::WriteOnly))
            return 1;
        for (int r = 0; r < rows; ++r) {
            QByteArray line;
            for (const StreamCell& c : sampleRow(r, columns)) {
                if (!line.isEmpty())
                    line += ',';
                line += (c.kind == StreamCell::Number ? FormatNumberText(c.number) : c.text).toUtf8();
            }
            line += "\r\n";
            csv.write(line);
        }
    }
    const qint64 csvMs = timer.elapsed();
    const long afterCsvKb = peakKilobytes();

    timer.restart();
    const QString path = dir.filePath(QStringLiteral("bench.xlsx"));
    StreamingWorkbook book(path);
    book.addSheet(QStringLiteral("查询结果"));
    book.setColumnFormat(1, QStringLiteral("0"));
    QVector<StreamCell> title;
    for (int c = 0; c < columns; ++c)
        title << StreamCell::fromText(QStringLiteral("指标%1").arg(c + 1));
    book.writeRow(title, RowFont{true, 12});
    for (int r = 0; r < rows; ++r)
        book.writeRow(sampleRow(r, columns));
    const QString error = book.close();
    const qint64 xlsxMs = timer.elapsed();
    const long afterXlsxKb = peakKilobytes();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    std::printf("rows %d x columns %d\n", rows, columns);
    std::printf("csv : %8.2f s  %8.1f MB  peak memory %ld MB (process start %ld MB)\n", csvMs / 1000.0,
                QFileInfo(dir.filePath(QStringLiteral("bench.csv"))).size() / 1048576.0, afterCsvKb / 1024, startKb / 1024);
    std::printf("xlsx: %8.2f s  %8.1f MB  peak memory %ld MB (growth over the csv run %ld MB)\n", xlsxMs / 1000.0,
                QFileInfo(path).size() / 1048576.0, afterXlsxKb / 1024, (afterXlsxKb - afterCsvKb) / 1024);
    return 0;
}
