#pragma once
// Pop-up windows that assistive technologies reach. Qt lists every top-level window of the
// application to them (a screen reader over AT-SPI, say) except pop-ups, and the panel is one: it
// must be, to hold the pointer and the keyboard while open and to close on a click elsewhere or on
// Escape. A pop-up named here is listed with the application's windows while it shows, as a window,
// so its controls are reached with their labels like those of any other window.
// Main thread only.

class QWidget;

namespace AccessiblePopups {

// From now on, while it shows, the pop-up is one of the application's windows to assistive
// technologies. Needs the QApplication.
void include(QWidget* popup);

}  // namespace AccessiblePopups
