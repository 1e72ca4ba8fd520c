// Runs a fuzz target's entry once on every file of its corpus folders (and on files named
// directly), so the ordinary tests catch a regression on any input ever found. Fails when no
// file was run: an empty or missing corpus is a fault of the build, not a pass.
#include "FuzzTarget.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {
QStringList corpusFiles(const QString& argument)
{
    const QFileInfo info(argument);
    if (!info.isDir())
        return {argument};
    QStringList files;
    const QDir dir(argument);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        files << dir.filePath(name);
    return files;
}
} // namespace

int main(int argc, char** argv)
{
    int run = 0;
    for (int i = 1; i < argc; ++i) {
        for (const QString& path : corpusFiles(QString::fromLocal8Bit(argv[i]))) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", path.toLocal8Bit().constData());
                return 1;
            }
            const QByteArray bytes = file.readAll();
            std::fprintf(stderr, "%s (%lld bytes)\n", path.toLocal8Bit().constData(), qint64(bytes.size()));
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
            ++run;
        }
    }
    std::fprintf(stderr, "%d inputs replayed\n", run);
    return run > 0 ? 0 : 1;
}
