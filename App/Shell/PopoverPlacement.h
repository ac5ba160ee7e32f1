#pragma once
// Where the popover opens. Under the tray icon, centred on it, when the tray tells where its icon is;
// above it when the icon sits in a panel at the bottom of the screen; otherwise at the pointer (a
// click on a tray that keeps its geometry to itself) or in the screen's top right corner, where a
// menu-bar icon would be (the hotkey). Always kept inside the screen's available area.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

namespace PopoverPlacement {

// Space between the icon (or the pointer, or the screen's edge) and the popover.
inline constexpr int gap = 6;

// The top left corner for a popover of `size` anchored below (or above) `anchor` (the icon, or a
// one-pixel rectangle at the pointer) on a screen whose available area is `screen`. Without an
// anchor: the screen's top right corner.
QPoint origin(QSize size, const std::optional<QRect>& anchor, const QRect& screen);

}  // namespace PopoverPlacement
