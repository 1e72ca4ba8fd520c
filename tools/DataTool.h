#pragma once
// What the build tools that make the delivered data share: their two folders from the command
// line, a failure that ends the build step with a message, and the reading of a text source.

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace DataTool {
inline QString g_name; // the tool, for its messages
inline QString g_data; // the folder of the text sources
inline QString g_out;  // the folder the delivered files go to

[[noreturn]] inline void fail(const QString& message)
{
    std::fprintf(stderr, "%s: %s\n", g_name.toLocal8Bit().constData(), message.toLocal8Bit().constData());
    std::exit(1);
}

// Takes DATA_FOLDER OUTPUT_FOLDER from the command line, or ends with the usage.
inline void start(const char* name, int argc, char* argv[])
{
    g_name = QString::fromLatin1(name);
    if (argc != 3)
        fail(QStringLiteral("usage: %1 DATA_FOLDER OUTPUT_FOLDER").arg(g_name));
    g_data = QString::fromLocal8Bit(argv[1]);
    g_out = QString::fromLocal8Bit(argv[2]);
}

// A text source of the data folder, as UTF-8.
inline QString readText(const QString& name)
{
    QFile file(QDir(g_data).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(file.fileName()));
    return QString::fromUtf8(file.readAll());
}
} // namespace DataTool
