#pragma once

#include <QRect>

// Where the error list goes beside the record editor, so that the editor's tabs and fields stay
// in sight: below the editor when the screen has room for a useful list there, else to its right
// or left, else over the spare rectangle (the editor's notes box, which holds no fields). The list
// keeps its wanted size where there is room and shrinks to the room otherwise, never below the
// screen. All rectangles are window frames in screen coordinates.
QRect ErrorListPlace(const QRect& editor, const QRect& spare, const QSize& wanted, const QRect& screen);
// A rectangle moved into the screen as far as it fits, shrunk to the screen where it is larger.
QRect KeepOnScreen(QRect rectangle, const QRect& screen);

// The smallest list worth placing outside the editor: its caption, titles and about four rows.
constexpr int kErrorListMinimumHeight = 120;
constexpr int kErrorListMinimumWidth = 360;
