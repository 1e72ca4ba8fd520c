#include "base/Paths.h"

#include "base/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// The folder of the delivered files below an installation prefix.
const char* const kInstalledDataFolder = "../share/tallyra";

ProgramLocation currentLocation()
{
    const QString home = qEnvironmentVariable("TALLYRA_HOME");
    if (!home.isEmpty())
        return {QDir(home).absolutePath(), false};
    return LocateProgramFolder(QCoreApplication::applicationDirPath());
}
} // namespace

ProgramLocation LocateProgramFolder(const QString& executableFolder)
{
    const QDir beside(executableFolder);
    if (QFileInfo::exists(beside.filePath(QString::fromLatin1(SystemDataFileName()))))
        return {beside.absolutePath(), false};
    const QString installed = QDir::cleanPath(beside.filePath(QString::fromLatin1(kInstalledDataFolder)));
    if (QFileInfo(installed).isDir())
        return {installed, true};
    return {beside.absolutePath(), false};
}

QString ProgramFolder()
{
    return currentLocation().folder;
}

bool RunsInstalled()
{
    return currentLocation().installed;
}

QString UserDataFolder()
{
    // Spelled out rather than asked of AppDataLocation, which names the asking program's folder:
    // tallyra-batch must name the window's.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tallyra");
}

QString WorkingFolder()
{
    const ProgramLocation location = currentLocation();
    return location.installed ? UserDataFolder() : location.folder;
}

QString WorkingDatabaseFile()
{
    return QDir(WorkingFolder()).filePath(QString::fromLatin1(SystemDataFileName()));
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
