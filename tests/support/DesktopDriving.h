#pragma once

// Driving windows under a window manager as a clerk does: keys and clicks sent to the X server
// with xdotool, not to a widget (scripts/run-under-wm.sh gives the display).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QStringList>
#include <QWidget>
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

inline void clickOn(QWidget* widget)
{
    clickAt(widget->mapToGlobal(widget->rect().center()));
}

// A check box takes a click on its box or its text, not on the rest of its width.
inline void clickBox(QWidget* box)
{
    clickAt(box->mapToGlobal(QPoint(8, box->height() / 2)));
}
