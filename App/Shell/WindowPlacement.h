#pragma once
// Where the application's own windows (settings, welcome) appear: centred in the visible area of a
// screen, that is without panels and docks. Main thread only.

#include <QPoint>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace WindowPlacement {

// The first screen, in the system's order, whose area holds the pointer; else the primary screen;
// else the first screen; null when there is none.
QScreen* screenUnderPointer();

// The top left corner that centres a frame of `size` in `visible`.
QPoint centredOrigin(const QRect& visible, const QSize& size);

// Moves the window, keeping its size, to the middle of the screen's visible area. Without a screen
// the window stays where it is.
void centerOnScreen(QWidget& window, QScreen* screen);

// centerOnScreen on the screen under the pointer.
void centerOnActiveScreen(QWidget& window);

}  // namespace WindowPlacement
