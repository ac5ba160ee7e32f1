#include "App/Shell/PopoverPlacement.h"

#include <algorithm>

namespace PopoverPlacement {
namespace {

int clamped(int value, int low, int high) { return high < low ? low : std::clamp(value, low, high); }

}  // namespace

QPoint origin(QSize size, const std::optional<QRect>& anchorRect, const QRect& screen) {
    if (!anchorRect || anchorRect->isEmpty()) {
        return {clamped(screen.right() + 1 - gap - size.width(), screen.left(), screen.right() + 1 - size.width()),
                screen.top() + gap};
    }
    const QRect& anchor = *anchorRect;
    const int centredX = anchor.x() + anchor.width() / 2 - size.width() / 2;
    const int x = clamped(centredX, screen.left(), screen.right() + 1 - size.width());

    const int below = anchor.bottom() + 1 + gap;
    const int above = anchor.top() - gap - size.height();
    const bool fitsBelow = below + size.height() <= screen.bottom() + 1;
    const bool roomAbove = above >= screen.top();
    // A tray at the bottom of the screen opens upwards; everything else opens downwards, as a
    // menu-bar item does.
    const int y = !fitsBelow && roomAbove ? above : clamped(below, screen.top(), screen.bottom() + 1 - size.height());
    return {x, y};
}

}  // namespace PopoverPlacement
