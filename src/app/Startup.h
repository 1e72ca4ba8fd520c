#pragma once

#include <QString>
#include <QStringList>

class TMainForm;

struct StartupOptions {
    bool splash = true; // show the about box as a splash for about two seconds
};

// The start-up sequence that runs while the main window is made. Returns false when the
// program must end (no usable system data file); the reason has been shown.
bool RunStartup(TMainForm& mainForm, const StartupOptions& options = {});

// The status-bar text for a build number.
QString StatusBarVersionText(int buildNumber);
