#pragma once
// Launch at login: the application's XDG autostart entry,
// "$XDG_CONFIG_HOME/autostart/io.kestrow.v3lk.desktop", which the desktop session reads at login.
//
// The login item is enabled when that file exists, is ours (a "[Desktop Entry]" of type
// Application whose Exec starts the running program) and is not Hidden (Hidden=true is how the
// desktop's own autostart settings switch an entry off). The state lives only in that file: every
// read looks at it afresh, so the gear menu's tick and the settings switch always show the truth.
//
// Turning it on writes the entry atomically (a foreign or hidden entry under our name is replaced);
// turning it off removes the file. A failure writes "Vellumark: launch-at-login toggle failed: "
// and the error to the system log, changes nothing else, and the returned state says what really
// is. Main thread (it touches only the file, but the callers are views).

#include <cstddef>
#include <filesystem>

namespace LoginItem {

inline constexpr const char* entryFileName = "io.kestrow.v3lk.desktop";
// Ours is four short lines; an entry larger than this is not read (and is not enabled).
inline constexpr std::size_t maximumEntrySize = 64 << 10;

std::filesystem::path entryPath();

// The running program's absolute path, as the entry's Exec names it.
std::filesystem::path programPath();

bool isEnabled();

// Turns the login item off when it is enabled, on otherwise; whether it is enabled afterwards.
bool toggle();

// Brings the login item to the state the user asked for, whatever it was; whether it is enabled
// afterwards. Nothing is written when it is in that state already.
bool setEnabled(bool enabled);

// Removes a temporary entry that a write killed halfway left in the autostart folder.
void removeLeftovers();

}  // namespace LoginItem
