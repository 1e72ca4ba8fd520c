#pragma once

#include "model/CodeList.h"

#include <QPoint>
#include <QVariant>
#include <functional>

class QLineEdit;
class QMenu;

// The code picker: a pop-up list beside an edit box with a button. The box's "tag" property
// holds the code it stands for; choosing an item sets the box's text and tag and calls the
// notification with the context and the code.
using CodePickedNotification = std::function<void(const QVariant& context, int code)>;

void ShowCodePicker(QLineEdit* editBox, const TMenuItemDataArray& codes,
                    const CodePickedNotification& notification = {}, const QVariant& context = {});

// The menu of the picker (owned by the hidden tool window), for tests that choose from it.
QMenu* CodePopupMenu();
// Where the list pops up for an edit box, in screen coordinates.
QPoint CodePickerPoint(const QLineEdit* editBox);

// The code an edit box stands for (its tag), 0 when none.
int EditTag(const QLineEdit* editBox);
void SetEditTag(QLineEdit* editBox, int code);
