#pragma once

// What the tests on a real display (scripts/run-under-wm.sh) share: waiting for the window
// manager, keys and clicks sent to the X server with xdotool, and screenshots.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPoint>
#include <QProcess>
#include <QScreen>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

// Lets the event loop and the window manager run until the condition holds or time is up.
inline bool waitFor(const std::function<bool()>& condition, int milliseconds = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

inline void settle(int milliseconds = 600)
{
    waitFor([] { return false; }, milliseconds);
}

// Keys and clicks as the X server gets them from a keyboard and a mouse.
inline void xdotool(const QStringList& arguments)
{
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0) << arguments.join(' ').toStdString();
    settle();
}

inline void clickAt(QPoint global, int clicks = 1)
{
    xdotool({"mousemove", QString::number(global.x()), QString::number(global.y())});
    xdotool({"click", "--repeat", QString::number(clicks), "--delay", "80", "1"});
}

// With TALLYRA_SHOTS_DIR set, the screen is saved at each step (the report's picture sequence).
inline void shot(const QString& name)
{
    const QString folder = qEnvironmentVariable("TALLYRA_SHOTS_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QApplication::primaryScreen()->grabWindow(0).save(QDir(folder).filePath(name + QStringLiteral(".png")));
}
