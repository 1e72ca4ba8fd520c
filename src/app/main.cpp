#include "app/Main.h"
#include "app/Startup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyra"));
    // Qt's own dialogs (file dialogs, buttons) speak Chinese like the rest of the program.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    TMainForm mainForm;
    if (!RunStartup(mainForm))
        return 1;
    // Without a window manager "maximised" means nothing: take the whole screen first.
    if (const QScreen* screen = QApplication::primaryScreen())
        mainForm.setGeometry(screen->availableGeometry());
    mainForm.showMaximized();
    return app.exec();
}
