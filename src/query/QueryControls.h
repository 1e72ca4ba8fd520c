#pragma once

#include "model/CodeList.h"

#include <QString>

class QDialog;
class QLineEdit;
class QPushButton;
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

// An operator box and its value box: one comparison of a range search, made into the two
// pointers given, the boxes named as given.
struct ComparisonStyle {
    int firstOperator = 0;
    PickerEmpty empty = PickerEmpty::Refused;
    int maxDigits = 14;
    int valueWidth = 130;
};
void NewComparisonBoxes(QWidget* parent, const ComparisonStyle& style, QLineEdit*& op, const QString& operatorName,
                        QLineEdit*& value, const QString& valueName);

// Lays out a small search dialog: its group above, the action's button and "返  回" (which
// closes it) at the right below, the dialog fixed at its natural size. The action's button is
// the default unless going back is. Returns the action's button.
enum class DefaultButton { Action, Back };
QPushButton* LayOutSearchDialog(QDialog* dialog, QWidget* group, const QString& caption, const QString& objectName,
                                DefaultButton byDefault = DefaultButton::Action);
