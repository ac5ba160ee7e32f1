#pragma once
// Where the other widgets stand on the desktop: the windows of this program (same WM_CLASS) that are
// on show, other than `window`, in this process or another, with their places and sizes on the
// root window. The window manager's client list (_NET_CLIENT_LIST) names them; without one, the root
// window's children do. Empty on a platform other than X11. Main thread only.

#include <vector>

#include <QRect>

class QWidget;

namespace OtherWidgetWindows {

std::vector<QRect> places(QWidget& window);

}  // namespace OtherWidgetWindows
