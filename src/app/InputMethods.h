#pragma once

#include <QStringList>

// The keyboard input methods of the desktop's input-method framework (IBus) when one is
// present, otherwise none. Both calls give up quickly and fail silently.
QStringList InstalledInputMethods();
// Switches the desktop to the named input method; an empty name does nothing.
void SwitchInputMethod(const QString& name);
