#include "support/TestEnvironment.h"

#include "base/SettingsStore.h"
#include "db/WorkingDatabase.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

QString DeliveredDataFolder()
{
    return QStringLiteral(TALLYRA_DELIVERED_DIR);
}

namespace {
void copyOrThrow(const QString& from, const QString& to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        throw std::runtime_error(("cannot copy " + from + " to " + to).toStdString());
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

// The delivered files only: the database files, the choice files, the workbook templates and the notes.
void copyDeliveredFiles(const QString& from, const QString& to)
{
    const QDir source(from);
    for (const QString& name : source.entryList({"*.mdb", "*.dll", "*.zul", "*.xltx"}, QDir::Files))
        copyOrThrow(source.filePath(name), QDir(to).filePath(name));
    QDir().mkpath(QDir(to).filePath("notes"));
    const QDir notes(source.filePath("notes"));
    for (const QString& name : notes.entryList({"*.rtf"}, QDir::Files))
        copyOrThrow(notes.filePath(name), QDir(to).filePath("notes/" + name));
}
} // namespace

void CopyDeliveredDatabase(const QString& target)
{
    copyOrThrow(QDir(DeliveredDataFolder()).filePath(QString::fromLatin1(SystemDataFileName())), target);
}

TestEnvironment::TestEnvironment(Content content)
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    QDir root(m_dir.path());
    root.mkpath(QStringLiteral("program"));
    root.mkpath(QStringLiteral("settings"));
    root.mkpath(QStringLiteral("documents"));
    root.mkpath(QStringLiteral("scratch"));
    qputenv("TALLYRA_HOME", programFolder().toUtf8());
    qputenv("TALLYRA_SETTINGS_DIR", settingsFolder().toUtf8());
    qputenv("XDG_DOCUMENTS_DIR", documentsFolder().toUtf8());
    qputenv("HOME", m_dir.path().toUtf8());
    RegWriteString(QStringLiteral("Personal"), documentsFolder(), SettingsRoot::CurrentUser, ShellFoldersKey());
    if (content == DeliveredData)
        copyDeliveredFiles(DeliveredDataFolder(), programFolder());
    SysConnection().close();
    CurrentDatabasePath.clear();
    DatabaseLabel.clear();
}

TestEnvironment::~TestEnvironment()
{
    SysConnection().close();
}

QString TestEnvironment::programFolder() const
{
    return m_dir.filePath(QStringLiteral("program"));
}

QString TestEnvironment::settingsFolder() const
{
    return m_dir.filePath(QStringLiteral("settings"));
}

QString TestEnvironment::documentsFolder() const
{
    return m_dir.filePath(QStringLiteral("documents"));
}

QString TestEnvironment::systemDataFile() const
{
    return QDir(programFolder()).filePath(QString::fromLatin1(SystemDataFileName()));
}

QString TestEnvironment::path(const QString& name) const
{
    return m_dir.filePath(QStringLiteral("scratch/") + name);
}

qint64 EndedProcessId()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}
