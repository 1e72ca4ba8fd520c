#include "app/Main.h"
#include "app/Startup.h"
#include "widgets/Application.h"

#include <QIcon>
#include <QScreen>

int main(int argc, char* argv[])
{
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyra"));
    // Installed, the desktop entry and the icon theme carry the program's name and picture.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.morvane.tallyra"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.morvane.tallyra")));
    // Qt's own dialogs (file dialogs, buttons) speak Chinese like the rest of the program.
    InstallChineseQtTexts();
    TMainForm mainForm;
    if (!RunStartup(mainForm))
        return 1;
    // Without a window manager "maximised" means nothing: take the whole screen first.
    if (const QScreen* screen = QApplication::primaryScreen())
        mainForm.setGeometry(screen->availableGeometry());
    mainForm.showMaximized();
    return app.exec();
}
