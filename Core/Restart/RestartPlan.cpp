#include "Core/Restart/RestartPlan.h"

#include <cstdlib>

#include "Platform/LoginShell.h"

namespace ServerRestarter {
namespace {

// The white space and line breaks trimmed from a command line: ASCII tab, line feed, vertical tab,
// form feed, carriage return and space, and the Unicode spaces and line separators in UTF-8.
constexpr std::string_view unicodeSpaces[] = {
    "\u0085", "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005", "\u2006",
    "\u2007", "\u2008", "\u2009", "\u200A", "\u2028", "\u2029", "\u202F", "\u205F", "\u3000",
};

bool isASCIISpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::size_t leadingSpace(std::string_view text) {
    if (text.empty()) return 0;
    if (isASCIISpace(text.front())) return 1;
    for (std::string_view space : unicodeSpaces) {
        if (text.starts_with(space)) return space.size();
    }
    return 0;
}

std::size_t trailingSpace(std::string_view text) {
    if (text.empty()) return 0;
    if (isASCIISpace(text.back())) return 1;
    for (std::string_view space : unicodeSpaces) {
        if (text.ends_with(space)) return space.size();
    }
    return 0;
}

std::string_view trimmed(std::string_view text) {
    while (std::size_t length = leadingSpace(text)) text.remove_prefix(length);
    while (std::size_t length = trailingSpace(text)) text.remove_suffix(length);
    return text;
}

}  // namespace

std::string userShell() {
    const char* shell = std::getenv("SHELL");
    if (shell && shell[0] == '/') return shell;
    return Platform::defaultLoginShell();
}

std::string quotedForShell(const std::vector<std::string>& arguments) {
    std::string words;
    for (const std::string& argument : arguments) {
        if (!words.empty()) words += ' ';
        words += '\'';
        for (const char c : argument) {
            if (c == '\'') {
                words += "'\\''";
            } else {
                words += c;
            }
        }
        words += '\'';
    }
    return words;
}

std::optional<Plan> plan(const std::optional<std::string>& commandLine, const std::vector<std::string>& arguments,
                         const std::optional<std::string>& cwd, const std::string& shell) {
    if (!commandLine) return std::nullopt;
    const std::string_view command = trimmed(*commandLine);
    if (command.empty()) return std::nullopt;
    // ps shows the arguments joined by single spaces.
    std::string joined;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        if (arguments[index].find_first_not_of(shellSafe) != std::string::npos) return std::nullopt;
        if (index > 0) joined += ' ';
        joined += arguments[index];
    }
    if (trimmed(joined) != command) return std::nullopt;
    // A NUL would cut the folder short where the system reads it.
    if (!cwd || !cwd->starts_with('/') || cwd->find('\0') != std::string::npos) return std::nullopt;
    return Plan{shell, {"-l", "-c", "exec " + quotedForShell(arguments)}, *cwd};
}

}  // namespace ServerRestarter
