#pragma once
// Whether the user asked the desktop for less motion. Linux has no single switch, so the common
// desktop settings are read, and any one of them turning animations off counts:
// - GNOME (and whatever else follows its settings): "enable-animations" of
//   org.gnome.desktop.interface set to false in the user's dconf database,
//   $XDG_CONFIG_HOME/dconf/user, where the desktop's settings tools store it;
// - GTK: "gtk-enable-animations" set to false or 0 in the [Settings] group of
//   $XDG_CONFIG_HOME/gtk-3.0/settings.ini or gtk-4.0/settings.ini;
// - KDE Plasma: "AnimationDurationFactor" set to 0 in the [KDE] group of $XDG_CONFIG_HOME/kdeglobals.
// Missing or unreadable settings mean motion is fine. Only files are read: no process is started.

#include <string_view>

namespace ReducedMotion {

// Reads the settings afresh.
bool isRequested();

// For the GUI thread, and cheap enough for every pulse: the files are looked at (not read) on each
// call and read again only when one of them has changed, so a change shows at the next call.
bool lastKnown();

// The parts, on the contents of each settings file.
bool gtkSettingsDisableAnimations(std::string_view iniText);
bool kdeGlobalsDisableAnimations(std::string_view iniText);
bool dconfDatabaseDisablesAnimations(std::string_view database);

}  // namespace ReducedMotion
