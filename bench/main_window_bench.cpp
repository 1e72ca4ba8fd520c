// Opens the main window on 100,000 generated returns and times what a clerk waits for: the
// start-up with the record list, scrolling to the end, and a title-click sort by a text and a
// number column. Usage: main_window_bench DELIVERED_FOLDER [ROWS]
#include "SampleReturns.h"
#include "app/Main.h"
#include "app/Startup.h"
#include "db/Connection.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
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

int columnOf(const TMainForm& form, const char* field)
{
    for (int i = 0; i < form.fieldData().size(); ++i)
        if (form.fieldData()[i].FieldName == QLatin1String(field))
            return i;
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: main_window_bench DELIVERED_FOLDER [ROWS]\n");
        return 2;
    }
    const int rows = argc > 2 ? atoi(argv[2]) : 100000;
    QTemporaryDir home;
    const QDir from(QString::fromLocal8Bit(argv[1]));
    const QString file = home.filePath("2012NB_zul.mdb");
    QFile::copy(from.filePath("2012NB_zul.mdb"), file);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    {
        Connection db;
        db.open(file);
        FillSampleReturns(db, rows);
    }
    qputenv("TALLYRA_HOME", home.path().toUtf8());
    qputenv("TALLYRA_SETTINGS_DIR", home.filePath("settings").toUtf8());
    const long baseline = peakKilobytes();

    QElapsedTimer timer;
    timer.start();
    TMainForm form;
    RunStartup(form, {false});
    form.resize(1400, 900);
    form.show();
    app.processEvents();
    const double openSeconds = timer.elapsed() / 1000.0;

    QTableView* grid = form.recordGrid();
    timer.restart();
    for (int step = 0; step < 50; ++step) {
        grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() * step / 49);
        grid->viewport()->repaint();
    }
    const double scrollSeconds = timer.elapsed() / 1000.0 / 50;

    timer.restart();
    grid->horizontalHeader()->sectionClicked(columnOf(form, "c902"));
    grid->viewport()->repaint();
    const double textSortSeconds = timer.elapsed() / 1000.0;
    timer.restart();
    grid->horizontalHeader()->sectionClicked(columnOf(form, "c901"));
    grid->viewport()->repaint();
    const double numberSortSeconds = timer.elapsed() / 1000.0;

    std::printf("returns: %d\n", form.reportQuery().recordCount());
    std::printf("open window with list: %.2f s\n", openSeconds);
    std::printf("scroll one page and repaint: %.1f ms\n", scrollSeconds * 1000);
    std::printf("title-click sort, text column: %.2f s; number column: %.2f s\n", textSortSeconds, numberSortSeconds);
    std::printf("peak resident: %.1f MB (%.1f MB before the window)\n", peakKilobytes() / 1024.0, baseline / 1024.0);
    return 0;
}
