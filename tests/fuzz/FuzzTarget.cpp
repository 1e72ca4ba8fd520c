#include "FuzzTarget.h"

#include "base/SettingsStore.h"
#include "db/WorkingDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {
void copyDelivered(const QDir& from, const QDir& to)
{
    for (const QString& name : from.entryList({"*.mdb", "*.dll", "*.zul", "*.xltx"}, QDir::Files)) {
        QFile::remove(to.filePath(name));
        if (!QFile::copy(from.filePath(name), to.filePath(name)))
            FuzzFault("cannot copy the delivered file " + from.filePath(name));
        QFile::setPermissions(to.filePath(name), QFile::ReadOwner | QFile::WriteOwner);
    }
}

// Where the process's folders go: a folder in memory when the system has one, as the working
// database commits with full syncs, and on a disk those cost more than all else an input does.
QString folderBase()
{
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    return memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
}

struct Process {
    int argc = 1;
    char name[16] = "tallyra-fuzz";
    char* argv[2] = {name, nullptr};
    QCoreApplication* app = nullptr;
    QTemporaryDir* root = nullptr;
    FuzzFolders folders;

    Process()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QCoreApplication::instance())
            app = new QCoreApplication(argc, argv);
        root = new QTemporaryDir(folderBase() + "/tallyra-fuzz-XXXXXX");
        if (!root->isValid())
            FuzzFault("no temporary folder");
        const QDir dir(root->path());
        for (const char* sub : {"program", "settings", "documents", "scratch", "temp"})
            dir.mkpath(sub);
        folders.program = dir.filePath("program");
        folders.scratch = dir.filePath("scratch");
        qputenv("TALLYRA_HOME", folders.program.toUtf8());
        qputenv("TALLYRA_SETTINGS_DIR", dir.filePath("settings").toUtf8());
        qputenv("XDG_DOCUMENTS_DIR", dir.filePath("documents").toUtf8());
        qputenv("HOME", root->path().toUtf8());
        // Private copies of received files go here, not into the shared temporary folder.
        qputenv("TMPDIR", dir.filePath("temp").toUtf8());
        RegWriteString(QStringLiteral("Personal"), dir.filePath("documents"), SettingsRoot::CurrentUser, ShellFoldersKey());
        copyDelivered(QDir(QStringLiteral(TALLYRA_DELIVERED_DIR)), QDir(folders.program));
    }
    ~Process()
    {
        SysConnection().close();
        delete root;
        delete app;
    }
};
} // namespace

const FuzzFolders& FuzzSetUp()
{
    static Process process;
    return process.folders;
}

QString FuzzInputFile(const QString& name, const uint8_t* data, size_t size)
{
    const QString path = QDir(FuzzSetUp().scratch).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size) || !file.flush())
        FuzzFault("cannot write the input to " + path);
    return path;
}

void FuzzFault(const QString& message)
{
    std::fprintf(stderr, "fuzz target fault: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
    std::abort();
}
