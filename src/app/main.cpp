#include "app/Main.h"
#include "app/Startup.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyra"));
    TMainForm mainForm;
    if (!RunStartup(mainForm))
        return 1;
    // Without a window manager "maximised" means nothing: take the whole screen first.
    if (const QScreen* screen = QApplication::primaryScreen())
        mainForm.setGeometry(screen->availableGeometry());
    mainForm.showMaximized();
    return app.exec();
}
