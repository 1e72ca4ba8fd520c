#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>

// Where a command's words go. Results go to standard output, as text lines or, with --json,
// as one JSON object at the end; errors always go to standard error. A progress bar is drawn
// on standard error only when that is a terminal.
class BatchOutput {
public:
    BatchOutput(const QString& command, bool json);

    bool json() const { return m_json; }
    // A line of the text result (left out with --json).
    void line(const QString& text);
    // A message on standard error.
    void error(const QString& text);
    // A fatal error: the message on standard error and, with --json, in the result. Returns 2.
    int fail(const QString& text);
    // The fields of the JSON result.
    QJsonObject& result() { return m_result; }
    // The JSON result is this object alone, without the command and the exit status: for a
    // command whose result has a shape of its own.
    void setBareResult(const QJsonObject& result);
    // Writes the JSON result with its exit status; returns the status.
    int finish(int status);
    // For a command whose JSON has fixed keys: writes exactly the document; returns the status.
    int finishWith(const QJsonObject& document, int status);

    void startProgress(const QString& caption, qint64 total);
    void stepProgress();
    // Sets how much is done, for runs that report their count now and then.
    void setProgress(qint64 done);
    void endProgress();

private:
    void drawProgress();
    bool m_json;
    bool m_terminal;
    QJsonObject m_result;
    QString m_caption;
    qint64 m_total = 0;
    qint64 m_done = 0;
    bool m_drawing = false;
    bool m_bare = false;
    QElapsedTimer m_sinceDraw;
};
