#include "base/Paths.h"

#include "base/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

QString ProgramFolder()
{
    const QString home = qEnvironmentVariable("TALLYRA_HOME");
    if (!home.isEmpty())
        return QDir(home).absolutePath();
    return QCoreApplication::applicationDirPath();
}

QString DocumentsFolder()
{
    QString folder;
    try {
        folder = RegReadString(QStringLiteral("Personal"), QString(), SettingsRoot::CurrentUser, ShellFoldersKey());
    } catch (const SettingsError&) {
        folder.clear();
    }
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QDir().mkpath(folder);
    return folder;
}
