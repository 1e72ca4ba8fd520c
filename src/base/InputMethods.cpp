#include "base/InputMethods.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

namespace {
QString ibus()
{
    return QStandardPaths::findExecutable(QStringLiteral("ibus"));
}

QStringList parseEngines(const QByteArray& output)
{
    QStringList names;
    for (const QString& line : QString::fromUtf8(output).split(QLatin1Char('\n'))) {
        const QString name = line.trimmed();
        if (!name.isEmpty() && !name.endsWith(QLatin1Char(':')))
            names << name;
    }
    return names;
}

QStringList& knownEngines()
{
    static QStringList names;
    return names;
}
} // namespace

QStringList InstalledInputMethods()
{
    // The framework is asked in the background; the list of its last answer is returned at once.
    static QProcess* query = nullptr;
    const QString program = ibus();
    if (!program.isEmpty() && QCoreApplication::instance() && (!query || query->state() == QProcess::NotRunning)) {
        if (!query) {
            query = new QProcess(QCoreApplication::instance());
            QObject::connect(query, &QProcess::finished, query, [](int code, QProcess::ExitStatus status) {
                if (code == 0 && status == QProcess::NormalExit)
                    knownEngines() = parseEngines(query->readAllStandardOutput());
            });
        }
        query->start(program, {QStringLiteral("list-engine"), QStringLiteral("--name-only")});
    }
    return knownEngines();
}

void SwitchInputMethod(const QString& name)
{
    const QString program = ibus();
    if (name.isEmpty() || program.isEmpty())
        return;
    QProcess::startDetached(program, {QStringLiteral("engine"), name});
}
