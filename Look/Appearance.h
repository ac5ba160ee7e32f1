#pragma once
// The one place where the programs choose between the light and the dark appearance. Every view
// resolves its Theme and Brand colours from its palette (Theme::isDark), so the application's
// palette decides: it follows the desktop's colour scheme as the XDG desktop portal gives it
// (Platform/qt/ColorSchemePortal.h), at start and whenever the desktop switches. Where the desktop
// prefers dark, the palette Qt started with when that is dark, else darkPalette(); where it prefers
// light, the starting palette when that is light, else the style's standard (light) palette; with no
// preference or no portal, the palette Qt started with, as without this. Main thread only.

#include <QPalette>

#include "Platform/qt/ColorSchemePortal.h"

class QApplication;

namespace Appearance {

// Keeps the application's palette in step with the desktop's preference for as long as the
// application lives.
void followDesktop(QApplication& application);

// The palette for a preference, given the palette Qt started with and the style's standard one.
QPalette paletteFor(Platform::ColorSchemePortal::Scheme scheme, const QPalette& started, const QPalette& standard);

// The dark palette: the Theme's dark ink on near-black grounds.
QPalette darkPalette();

}  // namespace Appearance
