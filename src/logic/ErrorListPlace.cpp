#include "logic/ErrorListPlace.h"

#include <algorithm>

QRect KeepOnScreen(QRect r, const QRect& screen)
{
    r.setWidth(std::min(r.width(), screen.width()));
    r.setHeight(std::min(r.height(), screen.height()));
    r.moveLeft(std::clamp(r.left(), screen.left(), screen.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), screen.top(), screen.bottom() - r.height() + 1));
    return r;
}

QRect ErrorListPlace(const QRect& editor, const QRect& spare, const QSize& wanted, const QRect& screen)
{
    const int below = screen.bottom() - editor.bottom();
    if (below >= kErrorListMinimumHeight) {
        const QRect r(editor.left(), editor.bottom() + 1, wanted.width(), std::min(wanted.height(), below));
        return KeepOnScreen(r, screen);
    }
    const int right = screen.right() - editor.right();
    const int left = editor.left() - screen.left();
    if (std::max(right, left) >= kErrorListMinimumWidth) {
        // Level with the editor's lower part, where the fields a page ends with are.
        const int width = std::min(wanted.width(), std::max(right, left));
        const int x = right >= left ? editor.right() + 1 : editor.left() - width;
        return KeepOnScreen(QRect(x, editor.bottom() - wanted.height() + 1, width, wanted.height()), screen);
    }
    if (spare.isValid())
        return KeepOnScreen(spare, screen);
    return KeepOnScreen(QRect(QPoint(screen.left(), screen.bottom() - wanted.height() + 1), wanted), screen);
}
