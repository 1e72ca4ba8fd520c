#pragma once

#include <QStringList>

// The keyboard input methods of the desktop's input-method framework (IBus) when one is
// present, otherwise none. Neither call waits: the list is the framework's last answer, asked
// for again in the background; failures are silent.
QStringList InstalledInputMethods();
// Switches the desktop to the named input method; an empty name does nothing.
void SwitchInputMethod(const QString& name);
