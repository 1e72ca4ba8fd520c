// Renders the program's icon, drawn as SVG, into the PNG sizes of the desktop's icon theme:
// OUTPUT_FOLDER/NxN/apps/NAME.png for N = 16, 22, 24, 32, 48, 64, 128, 256, and the SVG itself
// as OUTPUT_FOLDER/scalable/apps/NAME.svg.
// Usage: make_icons ICON.svg OUTPUT_FOLDER NAME
#include "base/PublicProcedure.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <cstdio>

namespace {
[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "make_icons: %s\n", message.toLocal8Bit().constData());
    std::exit(1);
}

void writeWhole(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    QString error;
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !CommitWhole(file, &error))
        fail(QStringLiteral("cannot write %1 %2").arg(path, error));
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4)
        fail(QStringLiteral("usage: make_icons ICON.svg OUTPUT_FOLDER NAME"));
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString name = QString::fromLocal8Bit(argv[3]);

    QFile svg(source);
    if (!svg.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(source));
    const QByteArray drawing = svg.readAll();
    QSvgRenderer renderer(drawing);
    if (!renderer.isValid())
        fail(QStringLiteral("%1 is no SVG drawing this renderer reads").arg(source));
    writeWhole(out.filePath(QStringLiteral("scalable/apps/%1.svg").arg(name)), drawing);

    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter);
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            fail(QStringLiteral("cannot make the %1 pixel picture").arg(size));
        writeWhole(out.filePath(QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(name)), png);
    }
    return 0;
}
