#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// What the sqlite3 program dumps of a database file: every table's definition and rows, in name
// order, but the register of received packages (dt_receipt) and its counter. A file the import
// refuses gets a register row and must change nothing else.
inline QString DumpExceptRegister(const QString& path)
{
    QProcess list;
    list.start("sqlite3", {"-readonly", path,
                           "select name from sqlite_master where type='table' and name not in "
                           "('dt_receipt', 'sqlite_sequence') order by name"});
    list.waitForFinished(60000);
    QString commands;
    for (const QString& table : QString::fromUtf8(list.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
        commands += ".dump '" + table + "'\n";
    QProcess dump;
    dump.start("sqlite3", {"-readonly", path});
    dump.write(commands.toUtf8());
    dump.closeWriteChannel();
    dump.waitForFinished(60000);
    return QString::fromUtf8(dump.readAllStandardOutput());
}

// The rows of the register, by the sqlite3 program: "result" per row, oldest first.
inline QStringList RegisterResults(const QString& path)
{
    QProcess p;
    p.start("sqlite3", {"-readonly", path, "select Result from dt_receipt order by ID"});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}
