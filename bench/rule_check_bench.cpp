// Times the logic check a clerk waits for in the record editor: every page's stored rules
// evaluated against a full return (all 207 indicators filled), as saving does.
// Usage: rule_check_bench DELIVERED_FOLDER [ROUNDS]
#include "SampleReturns.h"
#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "entry/dlgSurveyData.h"
#include "logic/MessageListWin.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: rule_check_bench DELIVERED_FOLDER [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? atoi(argv[2]) : 50;
    QTemporaryDir home;
    const QString file = home.filePath("2012NB_zul.mdb");
    QFile::copy(QDir(QString::fromLocal8Bit(argv[1])).filePath("2012NB_zul.mdb"), file);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    qputenv("TALLYRA_HOME", home.path().toUtf8());
    qputenv("TALLYRA_SETTINGS_DIR", home.filePath("settings").toUtf8());
    {
        Connection db;
        db.open(file);
        FillSampleReturns(db, 5);
        db.execute("update dt_data set c907=1, c904=1");
    }
    OpenWorkingDatabase();
    RowSet list = SysConnection().query("SELECT *  from view_data order by c901 asc");
    TdlgSurveyDataForm editor;
    editor.openForModify(&list);
    editor.show();

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        editor.checkAllPageRules();
    const double perCheck = timer.nsecsElapsed() / 1e6 / rounds;
    editor.checkAllPageRules();
    std::printf("all pages' rules on a full return: %.2f ms per check (%d rounds); list empty: %s\n", perCheck, rounds,
                IsErrorListEmpty() ? "yes" : "no");
    timer.restart();
    for (int i = 0; i < rounds; ++i)
        editor.checkPageRules(6, true);
    std::printf("one page turn (page 6, 26 rules): %.2f ms\n", timer.nsecsElapsed() / 1e6 / rounds);
    return 0;
}
