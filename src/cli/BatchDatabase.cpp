#include "cli/BatchDatabase.h"

#include "cli/CommandLine.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"
#include "db/WorkingSchema.h"

#include <QFileInfo>

#include <atomic>
#include <csignal>

namespace {
constexpr double kDefaultWaitSeconds = 60;

std::atomic<bool> g_interrupted{false};

void onInterrupt(int signal)
{
    if (g_interrupted.exchange(true)) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}
} // namespace

QString RunErrorText(const QString& message)
{
    return QStringLiteral("运行中发生错误：") + message;
}

QString OpenBatchDatabase(const QString& path, const CommandArgs& args, bool readOnly)
{
    double wait = kDefaultWaitSeconds;
    if (args.has(QStringLiteral("wait"))) {
        bool ok = false;
        wait = args.value(QStringLiteral("wait")).toDouble(&ok);
        if (!ok || wait < 0 || wait > 86400)
            return QStringLiteral("--wait 要的是 0 到 86400 之间的秒数：%1")
                .arg(args.value(QStringLiteral("wait")));
    }
    if (!QFileInfo(path).isFile())
        return QStringLiteral("找不到数据库文件“%1”").arg(path);
    if (readOnly) {
        try {
            SysConnection().open(QFileInfo(path).absoluteFilePath(), Connection::Mode::ReadOnly);
            SysConnection().setBusyTimeout(int(wait * 1000));
            CurrentDatabasePath = QFileInfo(path).absoluteFilePath();
            DatabaseLabel = ReadDatabaseLabel(SysConnection());
        } catch (const DbError& e) {
            SysConnection().close();
            return QStringLiteral("“%1”不是本系统的数据库文件：%2").arg(path, e.message());
        }
        return QString();
    }
    const OpenDatabaseResult opened = OpenWorkingDatabase(QFileInfo(path).absoluteFilePath());
    if (opened.status == OpenDatabaseResult::LabelUnreadable)
        return QStringLiteral("“%1”不是本系统的数据库文件：%2").arg(path, opened.error);
    if (opened.status != OpenDatabaseResult::Opened)
        return RunErrorText(opened.error.isEmpty() ? path : opened.error);
    // A command that writes needs the schema it knows.
    if (opened.readOnly || !opened.upgradeError.isEmpty()) {
        SysConnection().close();
        return opened.readOnly ? QStringLiteral("“%1”：").arg(path) + NewerSchemaText(opened.schemaVersion)
                               : RunErrorText(UpgradeFailedText(opened.upgradeError));
    }
    SysConnection().setBusyTimeout(int(wait * 1000));
    return QString();
}

void WatchInterrupts()
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
}

bool InterruptRequested()
{
    return g_interrupted.load();
}
