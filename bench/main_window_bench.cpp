// Opens the main window on 100,000 generated returns and times what a clerk waits for: the
// start-up with the splash against the splash's own time (best of three), the start-up without
// a splash, scrolling to the end, and a title-click sort by a text and a number column.
// Usage: main_window_bench DELIVERED_FOLDER [ROWS]
#include "BenchClock.h"
#include "SampleReturns.h"
#include "app/Main.h"
#include "app/Startup.h"
#include "app/dlgAbout.h"
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
#include <memory>
#include <sys/resource.h>

namespace {
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
    const long baseline = PeakKilobytes();

    // The splash alone, and the start-up with it until the window shows with its list.
    Timing splashAlone, withSplash;
    for (int round = 0; round < 3; ++round) {
        splashAlone.keepBest(Measure([] {
            TdlgAboutForm splash(1, {});
            splash.StartSplash();
            splash.exec();
        }));
        std::unique_ptr<TMainForm> form; // closed after the measurement: the clerk waits for the window only
        withSplash.keepBest(Measure([&] {
            form = std::make_unique<TMainForm>();
            RunStartup(*form);
            form->resize(1400, 900);
            form->show();
            app.processEvents();
        }));
        if (form->reportQuery().recordCount() != rows)
            std::fprintf(stderr, "the list holds %d returns\n", form->reportQuery().recordCount());
    }

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
    std::printf("start-up with the splash until the window shows: %.2f s; the splash alone: %.2f s (best of 3)\n",
                withSplash.seconds, splashAlone.seconds);
    const double beyond = withSplash.seconds - splashAlone.seconds;
    std::printf("start-up beyond the splash: %.2f s; goal <= 0.5: %s\n", beyond, beyond <= 0.5 ? "met" : "NOT met");
    std::printf("open window with list, no splash: %.2f s\n", openSeconds);
    std::printf("scroll one page and repaint: %.1f ms\n", scrollSeconds * 1000);
    std::printf("title-click sort, text column: %.2f s; number column: %.2f s\n", textSortSeconds, numberSortSeconds);
    std::printf("peak resident: %.1f MB (%.1f MB before the window)\n", PeakKilobytes() / 1024.0, baseline / 1024.0);
    return 0;
}
