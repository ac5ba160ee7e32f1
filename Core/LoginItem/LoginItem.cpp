#include "Core/LoginItem/LoginItem.h"

#include <system_error>

#include "Core/LoginItem/DesktopEntry.h"
#include "Platform/AtomicFile.h"
#include "Platform/PrivateFolders.h"
#include "Platform/SystemLog.h"
#include "Platform/UserPaths.h"

namespace fs = std::filesystem;

namespace {

void logFailure(const std::string& error) { Platform::systemLog("Vellumark: launch-at-login toggle failed: " + error); }

bool registerProgram() {
    const fs::path entry = LoginItem::entryPath();
    const fs::path program = LoginItem::programPath();
    if (program.empty()) {
        logFailure("the running program's path cannot be read from /proc/self/exe");
        return false;
    }
    if (const std::error_code error = Platform::createPrivateFolders(entry.parent_path())) {
        logFailure("cannot create " + entry.parent_path().string() + ": " + error.message());
        return false;
    }
    if (const auto failure =
            Platform::writeFileAtomically(entry, DesktopEntry::autostartEntry("Vellumark", program.string()))) {
        logFailure(*failure);
        return false;
    }
    return true;
}

bool unregisterProgram() {
    const fs::path entry = LoginItem::entryPath();
    std::error_code error;
    fs::remove(entry, error);
    if (error) {
        logFailure("cannot remove " + entry.string() + ": " + error.message());
        return false;
    }
    return true;
}

// Writes or removes the entry, then reads what really is: a failed change leaves the old state.
bool bringTo(bool enabled) {
    enabled ? registerProgram() : unregisterProgram();
    return LoginItem::isEnabled();
}

}  // namespace

namespace LoginItem {

fs::path entryPath() { return Platform::configHome() / "autostart" / entryFileName; }

fs::path programPath() {
    std::error_code error;
    std::string program = fs::read_symlink("/proc/self/exe", error).string();
    if (error) return {};
    // The kernel marks a program whose file was replaced while it runs (an upgrade, a rebuild); the
    // path itself still names the program that starts at the next login.
    constexpr std::string_view replaced = " (deleted)";
    if (program.ends_with(replaced)) program.resize(program.size() - replaced.size());
    return program;
}

bool isEnabled() {
    const auto text = Platform::readWholeFile(entryPath(), maximumEntrySize);
    if (!text) return false;
    const DesktopEntry::Fields fields = DesktopEntry::read(*text);
    if (fields.hidden || fields.type != "Application" || !fields.exec) return false;
    const auto program = DesktopEntry::execProgram(*fields.exec);
    if (!program) return false;
    const fs::path running = programPath();
    return !running.empty() && *program == running.string();
}

bool toggle() { return bringTo(!isEnabled()); }

bool setEnabled(bool enabled) { return isEnabled() == enabled ? enabled : bringTo(enabled); }

void removeLeftovers() {
    Platform::removeLeftoverTemporaryFiles(entryPath().parent_path(),
                                           [](std::string_view target) { return target == entryFileName; });
}

}  // namespace LoginItem
