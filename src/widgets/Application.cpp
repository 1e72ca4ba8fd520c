#include "widgets/Application.h"

#include "widgets/Prompter.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        // The engine's, the settings store's and the report's errors carry their text in UTF-8.
        ShowGeneralError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowGeneralError(QStringLiteral("未知错误"));
    }
    return false;
}

void ShowGeneralError(const QString& message)
{
    CurrentPrompter().message(message);
}

bool InstallChineseQtTexts()
{
    static QTranslator* texts = nullptr; // lives for the run once installed
    if (texts)
        return true;
    auto* loaded = new QTranslator;
    if (!loaded->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete loaded;
        return false;
    }
    QCoreApplication::installTranslator(loaded);
    texts = loaded;
    return true;
}
