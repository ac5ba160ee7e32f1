#include "Platform/LoginShell.h"

#ifndef __APPLE__
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <vector>
#endif

namespace Platform {

#ifdef __APPLE__

std::string defaultLoginShell() { return "/bin/zsh"; }

#else

namespace {

std::string passwordDatabaseShell() {
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
    struct passwd entry {};
    struct passwd* found = nullptr;
    // The buffer size is only a hint; grow it while the entry does not fit.
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (!found || !found->pw_shell) return {};
    return found->pw_shell;
}

// Absent /etc/shells means no list to check against, as the C library's getusershell() assumes.
bool listedInEtcShells(const std::string& shell) {
    std::ifstream shells("/etc/shells");
    if (!shells) return true;
    std::string line;
    while (std::getline(shells, line)) {
        const auto end = line.find_last_not_of(" \t\r");
        if (end != std::string::npos && line.substr(0, end + 1) == shell) return true;
    }
    return false;
}

}  // namespace

std::string defaultLoginShell() {
    // Looked up once: the password database and /etc/shells do not change under a running session,
    // and the panel asks for every row it shows.
    static const std::string chosen = [] {
        const std::string shell = passwordDatabaseShell();
        if (!shell.empty() && shell.front() == '/' && ::access(shell.c_str(), X_OK) == 0 && listedInEtcShells(shell)) {
            return shell;
        }
        return std::string("/bin/sh");
    }();
    return chosen;
}

#endif

}  // namespace Platform
