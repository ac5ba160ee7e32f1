#include "Core/LoginItem/DesktopEntry.h"

#include <string_view>

namespace {

constexpr std::string_view reservedCharacters = " \t\n\"'\\><~|&;$*?#()`";
constexpr std::string_view escapedInsideQuotes = "\"`$\\";

// The key-file format's string escapes.
std::string escapeString(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\n': escaped += "\\n"; break;
        case '\t': escaped += "\\t"; break;
        case '\r': escaped += "\\r"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string unescapeString(std::string_view text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        switch (text[++i]) {
        case 's': plain += ' '; break;
        case 'n': plain += '\n'; break;
        case 't': plain += '\t'; break;
        case 'r': plain += '\r'; break;
        case '\\': plain += '\\'; break;
        default: plain += '\\', plain += text[i];  // not an escape of this layer: the Exec layer's
        }
    }
    return plain;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

}  // namespace

namespace DesktopEntry {

std::string execValue(std::string_view program) {
    std::string argument;
    for (const char c : program) {
        if (c == '%') argument += '%';  // "%%" is a literal percent sign, not a field code
        argument += c;
    }
    if (argument.find_first_of(reservedCharacters) != std::string::npos) {
        std::string quoted = "\"";
        for (const char c : argument) {
            if (escapedInsideQuotes.find(c) != std::string_view::npos) quoted += '\\';
            quoted += c;
        }
        argument = quoted + "\"";
    }
    return escapeString(argument);
}

std::optional<std::string> execProgram(std::string_view value) {
    const std::string command = unescapeString(value);
    std::string program;
    std::size_t i = 0;
    if (!command.empty() && command[0] == '"') {
        for (i = 1;; ++i) {
            if (i == command.size()) return std::nullopt;  // no closing quote
            const char c = command[i];
            if (c == '"') break;
            if (c == '\\') {
                if (i + 1 == command.size() || escapedInsideQuotes.find(command[i + 1]) == std::string_view::npos)
                    return std::nullopt;
                program += command[++i];
            } else {
                program += c;
            }
        }
        ++i;
        if (i < command.size() && command[i] != ' ') return std::nullopt;  // text glued to the quote
    } else {
        const std::size_t end = command.find(' ');
        program = command.substr(0, end);
        if (program.find_first_of(reservedCharacters) != std::string::npos) return std::nullopt;
    }
    std::string unpercented;
    for (std::size_t at = 0; at < program.size(); ++at) {
        if (program[at] == '%') {
            if (at + 1 == program.size() || program[at + 1] != '%') return std::nullopt;  // a field code
            ++at;
        }
        unpercented += program[at];
    }
    if (unpercented.empty()) return std::nullopt;
    return unpercented;
}

std::string autostartEntry(std::string_view name, std::string_view program) {
    return "[Desktop Entry]\nType=Application\nName=" + escapeString(name) + "\nExec=" + execValue(program) + "\n";
}

Fields read(std::string_view text) {
    Fields fields;
    bool inMainGroup = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inMainGroup || equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "Type") fields.type = unescapeString(value);
        else if (key == "Exec") fields.exec = std::string(value);
        else if (key == "Hidden") fields.hidden = value == "true";
    }
    return fields;
}

}  // namespace DesktopEntry
