#include "widgets/Application.h"

#include "widgets/Prompter.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

namespace {
// Shows the error being handled (called inside a catch block). The engine's, the settings
// store's and the report's errors carry their text in UTF-8.
void showCaughtError()
{
    try {
        throw;
    } catch (const std::exception& e) {
        ShowGeneralError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowGeneralError(QStringLiteral("未知错误"));
    }
}
} // namespace

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCaughtError();
    }
    return false;
}

void RunHandler(const std::function<void()>& work)
{
    try {
        work();
    } catch (...) {
        showCaughtError();
    }
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
