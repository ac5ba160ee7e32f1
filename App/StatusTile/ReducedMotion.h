#pragma once
// Whether the user asked the desktop for less motion. Linux has no single switch, so the common
// desktop settings are read, and any one of them turning animations off counts:
// - GNOME (and whatever else follows its settings): `gsettings get org.gnome.desktop.interface
//   enable-animations` printing "false", through /usr/bin/gsettings when it exists;
// - GTK: "gtk-enable-animations" set to false or 0 in the [Settings] group of
//   $XDG_CONFIG_HOME/gtk-3.0/settings.ini or gtk-4.0/settings.ini;
// - KDE Plasma: "AnimationDurationFactor" set to 0 in the [KDE] group of $XDG_CONFIG_HOME/kdeglobals.
// Missing or unreadable settings mean motion is fine.

#include <string_view>

namespace ReducedMotion {

// Reads the settings afresh. Runs gsettings, which can take up to a second: never on the GUI thread.
bool isRequested();

// For the GUI thread, and never blocks: the answer of the last isRequested run in the background.
// A call that finds that answer missing or older than half a minute starts a new background read
// (one at a time), whose answer later calls see. Until the first read finishes, motion is fine.
bool lastKnown();
// Starts a background read now unless one is under way (so the first lastKnown already knows).
void refreshInBackground();

// The parts, on the text of each settings file.
bool gtkSettingsDisableAnimations(std::string_view iniText);
bool kdeGlobalsDisableAnimations(std::string_view iniText);
bool gsettingsOutputDisablesAnimations(std::string_view output);

}  // namespace ReducedMotion
