#include "cli/BatchRun.h"

#include <QFile>
#include <QProcess>
#include <csignal>
#include <stdexcept>
#include <sys/resource.h>

void StartBatch(QProcess& process, const QStringList& arguments)
{
    process.setProgram(QStringLiteral(TALLYRA_BATCH_EXE));
    process.setArguments(arguments);
    process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    process.start();
    if (!process.waitForStarted())
        throw std::runtime_error("tallyra-batch did not start");
}

BatchRun FinishBatch(QProcess& process)
{
    if (!process.waitForFinished(120000))
        throw std::runtime_error("tallyra-batch did not end");
    BatchRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

BatchRun RunBatch(const QStringList& arguments)
{
    QProcess process;
    StartBatch(process, arguments);
    return FinishBatch(process);
}

BatchRun RunBatchWithFileSizeLimit(const QStringList& arguments, qint64 bytes)
{
    QProcess process;
    process.setChildProcessModifier([bytes] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    StartBatch(process, arguments);
    return FinishBatch(process);
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
