#pragma once
// The shell a user gets at login when nothing else names one.

#include <string>

namespace Platform {

// macOS: "/bin/zsh", the system's default login shell. Elsewhere: the current user's shell from the
// password database when it is an absolute path to an executable that /etc/shells lists (when that
// file exists), so accounts with "nologin" or "false" do not count; otherwise "/bin/sh".
std::string defaultLoginShell();

}  // namespace Platform
