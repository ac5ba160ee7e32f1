#pragma once
// Reads a value from a dconf database file, the form in which the desktop's settings (GSettings on
// GNOME and the desktops that follow it) are stored: $XDG_CONFIG_HOME/dconf/user holds what the
// user changed. The file is a GVDB table: a header, then a hash table of items whose keys are
// pieces of a path chained to their parents, and values in GVariant's serialised form. It is only
// looked up by name, so the table's hash and Bloom filter are not needed. dconf writes the
// machine's own byte order; a little-endian file is read, one from a big-endian machine gives no
// value. No I/O; any thread; any bytes are accepted (a short, odd or looping table gives no value).

#include <optional>
#include <string_view>

namespace Platform::DconfDatabase {

// The boolean stored under `key` (a path such as "/org/gnome/desktop/interface/enable-animations");
// none when the key is absent, holds another type, or the bytes are no database.
std::optional<bool> boolean(std::string_view database, std::string_view key);

}  // namespace Platform::DconfDatabase
