#pragma once
// The few pieces of the freedesktop Desktop Entry format that the login item needs: writing an
// autostart entry that starts one program, and reading back whether an entry starts it.
//
// An Exec value goes through two layers of escaping: the program's path is quoted as one argument
// (double quotes with "\" before '"', '`', '$' and '\', whenever the path holds a reserved
// character; "%" doubled as a field-code escape), and the whole value then gets the string escapes
// of the key-file format ("\\", "\n", "\t", "\r"). Reading undoes both in the opposite order.
// Pure text functions; any thread.

#include <optional>
#include <string>
#include <string_view>

namespace DesktopEntry {

// The Exec value that starts exactly `program`, with no arguments.
std::string execValue(std::string_view program);

// The program an Exec value starts: its first argument with the quoting undone. No value for an
// empty value or an unterminated or malformed quote. `value` is the raw value, string escapes and all.
std::optional<std::string> execProgram(std::string_view value);

// The whole autostart entry for the application at `program`.
std::string autostartEntry(std::string_view name, std::string_view program);

// What an entry's "[Desktop Entry]" group says; keys outside that group and localised keys are not
// looked at. A later line of the same key wins.
struct Fields {
    std::optional<std::string> type;
    std::optional<std::string> exec;  // raw, as in the file
    bool hidden = false;              // Hidden=true: the desktop treats the entry as deleted
};
Fields read(std::string_view text);

}  // namespace DesktopEntry
