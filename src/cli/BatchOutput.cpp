#include "cli/BatchOutput.h"

#include <QJsonDocument>

#include <cstdio>
#include <unistd.h>

namespace {
constexpr qint64 kDrawMs = 100;
constexpr int kBarWidth = 30;

void write(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
    std::fflush(stream);
}
} // namespace

BatchOutput::BatchOutput(const QString& command, bool json)
    : m_json(json), m_terminal(isatty(STDERR_FILENO) == 1)
{
    m_result.insert(QStringLiteral("command"), command);
}

void BatchOutput::line(const QString& text)
{
    if (!m_json)
        write(stdout, text + QLatin1Char('\n'));
}

void BatchOutput::error(const QString& text)
{
    endProgress();
    write(stderr, QStringLiteral("tallyra-batch: ") + text + QLatin1Char('\n'));
}

int BatchOutput::fail(const QString& text)
{
    error(text);
    m_result.insert(QStringLiteral("error"), text);
    return finish(2);
}

void BatchOutput::setBareResult(const QJsonObject& result)
{
    m_result = result;
    m_bare = true;
}

int BatchOutput::finish(int status)
{
    endProgress();
    if (m_json) {
        if (!m_bare)
            m_result.insert(QStringLiteral("exitStatus"), status);
        write(stdout, QString::fromUtf8(QJsonDocument(m_result).toJson(QJsonDocument::Indented)));
    }
    return status;
}

int BatchOutput::finishWith(const QJsonObject& document, int status)
{
    endProgress();
    if (m_json)
        write(stdout, QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
    return status;
}

void BatchOutput::startProgress(const QString& caption, qint64 total)
{
    if (!m_terminal)
        return;
    m_caption = caption;
    m_total = total;
    m_done = 0;
    m_drawing = true;
    m_sinceDraw.start();
    drawProgress();
}

void BatchOutput::stepProgress()
{
    setProgress(m_done + 1);
}

void BatchOutput::setProgress(qint64 done)
{
    if (!m_drawing)
        return;
    m_done = done;
    // Redrawn a few times a second, not per record.
    if (m_sinceDraw.elapsed() >= kDrawMs || m_done == m_total) {
        drawProgress();
        m_sinceDraw.restart();
    }
}

void BatchOutput::endProgress()
{
    if (!m_drawing)
        return;
    m_drawing = false;
    write(stderr, QStringLiteral("\r\033[K"));
}

void BatchOutput::drawProgress()
{
    const int filled = m_total > 0 ? int(m_done * kBarWidth / m_total) : kBarWidth;
    const int percent = m_total > 0 ? int(m_done * 100 / m_total) : 100;
    write(stderr, QStringLiteral("\r%1 [%2%3] %4% 已完成 %5 待完成 %6\033[K")
                      .arg(m_caption, QString(filled, QLatin1Char('#')),
                           QString(kBarWidth - filled, QLatin1Char('.')))
                      .arg(percent)
                      .arg(m_done)
                      .arg(m_total - m_done));
}
