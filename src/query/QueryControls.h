#pragma once

#include "model/CodeList.h"

#include <QString>

class QLineEdit;
class QWidget;

// Controls the search dialogs share.

// A read-only box whose drop-down button, F4 or Alt+Down opens the code list with the code
// picker; the box's tag holds the chosen code. With a first code the box starts on it. A box
// that may stay empty offers an empty entry first in its list ("（无）", code 0), and Delete or
// Backspace empties it too.
enum class PickerEmpty { Refused, Allowed };
QLineEdit* NewPickerBox(QWidget* parent, const QString& name, const TMenuItemDataArray& codes, int firstCode = 0,
                        PickerEmpty empty = PickerEmpty::Refused);
// The caption of the empty entry of a picker box that may stay empty.
QString EmptyPickerCaption();
// A box that takes digits only, up to the given count.
QLineEdit* NewDigitBox(QWidget* parent, const QString& name, int maxDigits);
