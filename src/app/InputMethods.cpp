#include "app/InputMethods.h"

#include <QProcess>
#include <QStandardPaths>

namespace {
constexpr int kWaitMs = 1500;

QString ibus()
{
    return QStandardPaths::findExecutable(QStringLiteral("ibus"));
}
} // namespace

QStringList InstalledInputMethods()
{
    const QString program = ibus();
    if (program.isEmpty())
        return {};
    QProcess process;
    process.start(program, {QStringLiteral("list-engine"), QStringLiteral("--name-only")});
    if (!process.waitForFinished(kWaitMs) || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(200);
        return {};
    }
    QStringList names;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QString name = line.trimmed();
        if (!name.isEmpty() && !name.endsWith(QLatin1Char(':')))
            names << name;
    }
    return names;
}

void SwitchInputMethod(const QString& name)
{
    const QString program = ibus();
    if (name.isEmpty() || program.isEmpty())
        return;
    QProcess::startDetached(program, {QStringLiteral("engine"), name});
}
