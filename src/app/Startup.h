#pragma once

class TMainForm;

// The start-up sequence that runs while the main window is made. Returns false when the
// program must end (no usable system data file); the reason has been shown.
bool RunStartup(TMainForm& mainForm);

// The status-bar text for a build number.
#include <QString>
QString StatusBarVersionText(int buildNumber);
