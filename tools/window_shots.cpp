// Opens the program's windows on a copy of the delivered data with a few sample returns and
// saves a picture of each: the main window, the record editor's cover and data pages.
// Usage: window_shots DELIVERED_FOLDER OUTPUT_FOLDER   (run on a display, e.g. under xvfb-run)
#include "SampleReturns.h"
#include "app/Main.h"
#include "app/Startup.h"
#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "entry/dlgSurveyData.h"
#include "logic/MessageListWin.h"
#include "logic/dlgCheck.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

namespace {
void save(QWidget& window, const QString& path)
{
    QApplication::processEvents();
    if (!window.grab().save(path))
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
    else
        std::printf("saved %s\n", qPrintable(path));
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_shots DELIVERED_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir from(QString::fromLocal8Bit(argv[1]));
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QTemporaryDir home;
    for (const QString& name : from.entryList({"*.mdb", "*.dll", "*.zul", "*.xltx"}, QDir::Files))
        QFile::copy(from.filePath(name), home.filePath(name));
    QDir(home.path()).mkpath("notes");
    for (const QString& name : QDir(from.filePath("notes")).entryList(QDir::Files))
        QFile::copy(from.filePath("notes/" + name), home.filePath("notes/" + name));
    QFile::setPermissions(home.filePath("2012NB_zul.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    {
        Connection db;
        db.open(home.filePath("2012NB_zul.mdb"));
        FillSampleReturns(db, 12);
    }
    qputenv("TALLYRA_HOME", home.path().toUtf8());
    qputenv("TALLYRA_SETTINGS_DIR", home.filePath("settings").toUtf8());

    TMainForm form;
    if (!RunStartup(form, {false}))
        return 1;
    form.setGeometry(QApplication::primaryScreen()->availableGeometry());
    form.show();
    save(form, out + "/main.png");

    form.reportQuery().moveTo(4); // a union that reports data
    TdlgSurveyDataForm& editor = form.surveyDataForm();
    editor.openForModify(&form.reportQuery());
    editor.show();
    save(editor, out + "/editor-cover.png");
    for (int page : {1, 6, 13}) {
        editor.pages()->setCurrentIndex(page);
        save(editor, out + QStringLiteral("/editor-page%1.png").arg(page));
    }
    editor.pages()->setCurrentIndex(1);
    editor.checkAllPageRules();
    save(MessageListWin(), out + "/error-list.png");
    editor.button("tbSave")->setEnabled(false);
    editor.close();

    TdlgCheckForm check(&form);
    check.show();
    save(check, out + "/check-dialog.png");
    check.StartCheckProgress(100000, 0);
    for (int i = 0; i < 37000; ++i)
        check.StepCheckProgress();
    check.findChild<QWidget*>("progressGroup")->show();
    check.setFixedHeight(255);
    save(check, out + "/check-dialog-running.png");
    return 0;
}
