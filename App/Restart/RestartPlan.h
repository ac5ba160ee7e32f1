#pragma once
// What a restart runs: the user's login shell, asked to replace itself with the server's command line
// in the server's folder. A plan exists only for a command line the shell cannot misread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ServerRestarter {

struct Plan {
    std::string shell;                   // absolute path
    std::vector<std::string> arguments;  // "-l", "-c", "exec " + the trimmed command line
    std::string workingDirectory;        // absolute path

    bool operator==(const Plan&) const = default;
};

// The only characters a restartable command line may hold: letters, digits, space and / . - _ = : , @ + % ~
inline constexpr std::string_view shellSafe =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 /.-_=:,@+%~";

// $SHELL when it is an absolute path, else the platform's default login shell.
std::string userShell();

// No plan without a command line, when the command line trimmed of white space and line breaks is
// empty or holds a character outside shellSafe, or without a working directory that begins with "/".
std::optional<Plan> plan(const std::optional<std::string>& commandLine, const std::optional<std::string>& cwd,
                         const std::string& shell);

}  // namespace ServerRestarter
