#pragma once

#include <QByteArray>
#include <QString>

#include <sys/resource.h>

// The temporary folder of the program (TMPDIR) set to a folder for the life of this object.
class TempFolderAt {
public:
    explicit TempFolderAt(const QString& folder);
    ~TempFolderAt();

private:
    QByteArray m_old;
    bool m_had;
};

// A folder where writing fails for want of room once it holds `bytes`: a small file system of
// its own when the process may mount one (the disk is then full: ENOSPC); otherwise a limit on
// the size of every file the process writes (EFBIG), lifted again with this object.
class FullFolder {
public:
    FullFolder(const QString& folder, qint64 bytes);
    ~FullFolder();
    bool ownFileSystem() const { return m_mounted; }

private:
    QString m_folder;
    bool m_mounted = false;
    bool m_limited = false;
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};

// A folder nobody may write once sealed: a file system of its own remounted read-only (root
// writes into any folder whatever its mode), or mode 555 for other users. When neither can be
// had the folder stays writable and readOnly() says so.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder);
    ~ReadOnlyFolder();
    // Fill the folder first, then seal it.
    void seal();
    bool readOnly() const { return m_readOnly; }

private:
    QString m_folder;
    bool m_mounted = false;
    bool m_readOnly = false;
};
