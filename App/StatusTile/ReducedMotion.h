#pragma once
// Whether the user asked the desktop for less motion. Linux has no single switch, so the common
// desktop settings are read, and any one of them turning animations off counts:
// - GNOME (and whatever else follows its settings): `gsettings get org.gnome.desktop.interface
//   enable-animations` printing "false", through /usr/bin/gsettings when it exists;
// - GTK: "gtk-enable-animations" set to false or 0 in the [Settings] group of
//   $XDG_CONFIG_HOME/gtk-3.0/settings.ini or gtk-4.0/settings.ini;
// - KDE Plasma: "AnimationDurationFactor" set to 0 in the [KDE] group of $XDG_CONFIG_HOME/kdeglobals.
// Read afresh on every call, so a change takes effect at the next pulse. Missing or unreadable
// settings mean motion is fine.

#include <string_view>

namespace ReducedMotion {

bool isRequested();

// The parts, on the text of each settings file.
bool gtkSettingsDisableAnimations(std::string_view iniText);
bool kdeGlobalsDisableAnimations(std::string_view iniText);
bool gsettingsOutputDisablesAnimations(std::string_view output);

}  // namespace ReducedMotion
