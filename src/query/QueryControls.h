#pragma once

#include "model/CodeList.h"

#include <QString>

class QLineEdit;
class QWidget;

// Controls the search dialogs share.

// A read-only box whose drop-down button opens the code list with the code picker; the box's
// tag holds the chosen code. With a first code the box starts on it.
QLineEdit* NewPickerBox(QWidget* parent, const QString& name, const TMenuItemDataArray& codes, int firstCode = 0);
// A box that takes digits only, up to the given count.
QLineEdit* NewDigitBox(QWidget* parent, const QString& name, int maxDigits);
