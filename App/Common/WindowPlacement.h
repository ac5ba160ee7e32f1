#pragma once
// The application's own windows (settings, welcome, dialogs): how they are made, where they appear
// (centred in the visible area of a screen, that is without panels and docks) and how they come to
// the front. Main thread only.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <Qt>

class QScreen;
class QWidget;

namespace WindowPlacement {

// The screen whose area holds the pointer, else the primary screen; null when there is none.
QScreen* screenUnderPointer();

// The top left corner that centres a frame of `size` in `visible`.
QPoint centredOrigin(const QRect& visible, const QSize& size);

// Moves the window, keeping its size, to the middle of the screen's visible area. Without a screen
// the window stays where it is.
void centerOnScreen(QWidget& window, QScreen* screen);

// centerOnScreen on the screen under the pointer.
void centerOnActiveScreen(QWidget& window);

// A window holding one view and nothing else, the view's fixed size: titled, with a close button and
// no other frame controls (plus `extraFlags`). Not shown yet.
QWidget* makeViewWindow(const QString& title, const QString& objectName, QWidget* view, QSize size,
                        Qt::WindowFlags extraFlags = {});

// Shows the window in front of the others, with the keyboard.
void showInFront(QWidget& window);

}  // namespace WindowPlacement
