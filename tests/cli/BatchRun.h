#pragma once

#include <QString>
#include <QStringList>

// One run of the tallyra-batch executable: its exit status and what it wrote.
struct BatchRun {
    int status = -1;
    QString out;
    QString err;
};

// Runs tallyra-batch with the arguments in the test's environment (program, settings and
// documents folders of the TestEnvironment) and waits for it to end.
BatchRun RunBatch(const QStringList& arguments);
// The same with the files the program writes limited to the given size, as on a full disk
// (writes beyond it fail instead of ending the program).
BatchRun RunBatchWithFileSizeLimit(const QStringList& arguments, qint64 bytes);
// Starts it without waiting; the caller waits with FinishBatch.
class QProcess;
void StartBatch(QProcess& process, const QStringList& arguments);
BatchRun FinishBatch(QProcess& process);

// The bytes of a file; empty when it cannot be read.
QByteArray FileBytes(const QString& path);
