#include "support/FolderLimits.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

TempFolderAt::TempFolderAt(const QString& folder) : m_old(qgetenv("TMPDIR")), m_had(qEnvironmentVariableIsSet("TMPDIR"))
{
    QDir().mkpath(folder);
    qputenv("TMPDIR", QFile::encodeName(folder));
}

TempFolderAt::~TempFolderAt()
{
    if (m_had)
        qputenv("TMPDIR", m_old);
    else
        qunsetenv("TMPDIR");
}

namespace {
bool mountSmall(const QString& folder, qint64 bytes)
{
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
    return ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) == 0;
}
} // namespace

FullFolder::FullFolder(const QString& folder, qint64 bytes) : m_folder(folder)
{
    QDir().mkpath(folder);
    m_mounted = mountSmall(folder, bytes);
    if (!m_mounted) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = rlim_t(bytes);
        m_limited = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
}

FullFolder::~FullFolder()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    if (m_limited) {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
}

ReadOnlyFolder::ReadOnlyFolder(const QString& folder) : m_folder(folder)
{
    QDir().mkpath(folder);
    if (::geteuid() == 0)
        m_mounted = mountSmall(folder, 64 << 20);
}

void ReadOnlyFolder::seal()
{
    const QByteArray name = QFile::encodeName(m_folder);
    if (m_mounted)
        m_readOnly = ::mount("tmpfs", name.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    else if (::geteuid() != 0)
        m_readOnly = ::chmod(name.constData(), 0555) == 0;
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    const QByteArray name = QFile::encodeName(m_folder);
    if (m_mounted)
        ::umount2(name.constData(), MNT_DETACH);
    else
        ::chmod(name.constData(), 0755);
}
