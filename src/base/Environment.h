#pragma once

#include <QString>

// Settings read at start-up and kept for the run.
struct EnvironmentSettings {
    QString preferredInputMethod; // empty: no preference
    bool inputWindowStyle = false;
};
EnvironmentSettings& Environment();

// Reads the settings of the product key "\SOFTWARE\Morvane\" + product name. On the first run
// (no Version value) it writes the first-run values and the Version, so that the branch runs
// once and a chosen input method lasts.
void LoadEnvironmentSettings(const QString& productName);

// The Version value written on the first run.
QString InstalledVersionText();
