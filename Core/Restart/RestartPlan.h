#pragma once
// What a restart runs: the user's login shell, asked to replace itself with the server's exact
// argument vector, each argument quoted, in the server's folder. A plan exists only for a command
// line the shell cannot misread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ServerRestarter {

struct Plan {
    std::string shell;                   // absolute path
    std::vector<std::string> arguments;  // "-l", "-c", "exec " + the quoted argument vector
    std::string workingDirectory;        // absolute path

    bool operator==(const Plan&) const = default;
};

// The only characters a restartable command line may hold: letters, digits, space and / . - _ = : , @ + % ~
inline constexpr std::string_view shellSafe =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 /.-_=:,@+%~";

// $SHELL when it is an absolute path, else the platform's default login shell.
std::string userShell();

// The words a shell reads back as exactly these arguments: each one in single quotes (a quote inside
// as '\''), separated by spaces. Nothing in them is split, expanded or rewritten.
std::string quotedForShell(const std::vector<std::string>& arguments);

// `arguments` is the process's argument vector, read while it runs; `commandLine` is what the scan
// saw of it. No plan without a command line, when the command line trimmed of white space and line
// breaks is empty, when an argument holds a character outside shellSafe, when the arguments joined
// by single spaces and trimmed are not that command line (the process is no longer the one the scan
// saw), or without a working directory that begins with "/".
std::optional<Plan> plan(const std::optional<std::string>& commandLine, const std::vector<std::string>& arguments,
                         const std::optional<std::string>& cwd, const std::string& shell);

}  // namespace ServerRestarter
