#pragma once
// Asks the window manager to treat a window as part of the desktop: kept below other windows,
// left out of the taskbar and the pager, and shown on every virtual desktop (the EWMH states
// _NET_WM_STATE_BELOW, _SKIP_TASKBAR, _SKIP_PAGER and _STICKY, and _NET_WM_DESKTOP 0xFFFFFFFF).
// Qt sets only the first of these itself (Qt::WindowStaysOnBottomHint). Set before the window is
// first shown, as EWMH asks of an unmapped window; Qt keeps states it finds there when it maps the
// window. Nothing happens on a platform other than X11. Main thread only.

class QWidget;

namespace DesktopWindowHints {

void apply(QWidget& window);

}  // namespace DesktopWindowHints
