#include "Shared/Store/DataStore.h"

#include <exception>
#include <string>
#include <system_error>

#include "Platform/AtomicFile.h"
#include "Platform/PrivateFolders.h"
#include "Platform/SystemLog.h"
#include "Platform/WidgetCenter.h"
#include "Shared/Settings/AppGroup.h"

namespace DataStore {

namespace {

bool ensureFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(folder, error))) return true;
    error = Platform::createPrivateFolders(folder);
    if (error) {
        Platform::systemLog("Vellumark: failed to create App Group directory: " + folder.string() + ": " +
                            error.message());
        return false;
    }
    return true;
}

std::optional<std::string> encode(const ProcessSnapshot& snapshot) {
    try {
        return snapshot.encode();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

void write(const ProcessSnapshot& snapshot) {
    const std::optional<std::filesystem::path> container = AppGroup::containerURL();
    if (!container) return;
    write(snapshot, *container);
}

void write(const ProcessSnapshot& snapshot, const std::filesystem::path& folder) {
    const std::filesystem::path target = folder / fileName;
    if (!ensureFolder(target.parent_path())) return;

    const std::optional<std::string> bytes = encode(snapshot);
    if (!bytes) return;

    if (const std::optional<std::string> error = Platform::writeFileAtomically(target, *bytes)) {
        Platform::systemLog("Vellumark: failed to write snapshot: " + *error);
        return;
    }
    Platform::WidgetCenter::reloadAllTimelines();
}

std::optional<ProcessSnapshot> read() {
    const std::optional<std::filesystem::path> container = AppGroup::containerURL();
    if (!container) return std::nullopt;
    return read(*container);
}

std::optional<ProcessSnapshot> read(const std::filesystem::path& folder) {
    const std::optional<std::string> bytes = Platform::readWholeFile(folder / fileName, maximumFileSize);
    if (!bytes) return std::nullopt;
    return ProcessSnapshot::decode(*bytes);
}

}  // namespace DataStore
