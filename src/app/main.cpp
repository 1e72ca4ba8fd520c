#include "app/Main.h"
#include "app/Startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyra"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tallyra"));
    TMainForm mainForm;
    if (!RunStartup(mainForm))
        return 1;
    mainForm.showMaximized();
    return app.exec();
}
