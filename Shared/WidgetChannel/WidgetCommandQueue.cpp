#include "Shared/WidgetChannel/WidgetCommandQueue.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "Platform/AtomicFile.h"
#include "Platform/JSONNesting.h"
#include "Platform/NotifyCenter.h"
#include "Platform/SystemLog.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/WidgetChannel/QueueLock.h"

namespace WidgetCommandQueue {
namespace {

namespace fs = std::filesystem;

struct QueueFiles {
    fs::path queue;
    fs::path lock;
    fs::path aside;  // where a drain moves the queue before reading it
};

std::optional<QueueFiles> queueFiles() {
    const std::optional<fs::path> container = AppGroup::containerURL();
    if (!container) return std::nullopt;
    const fs::path queue = *container / fileName;
    return QueueFiles{queue, queue.string() + ".lock", queue.string() + ".draining"};
}

std::optional<std::vector<WidgetCommand>> decode(const std::optional<std::string>& bytes) {
    if (!bytes || Platform::JSONNesting::isDeeperThan(*bytes)) return std::nullopt;
    try {
        const nlohmann::json list = nlohmann::json::parse(*bytes);
        if (!list.is_array()) return std::nullopt;
        return list.get<std::vector<WidgetCommand>>();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> encode(const std::vector<WidgetCommand>& commands) {
    try {
        return nlohmann::json(commands).dump();
    } catch (const std::exception&) {
        return std::nullopt;  // text that is not UTF-8
    }
}

// The widget gives up waiting for the application after this long (see QueueLock.h).
constexpr std::chrono::milliseconds lockPatience{2000};

// When the file was last written. A rename keeps it, and nobody writes to the file once it is aside.
Platform::Date modificationTime(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return Platform::Date::min();
    return Platform::Date(std::chrono::duration_cast<Platform::Date::duration>(
        std::chrono::seconds(status.st_mtim.tv_sec) + std::chrono::nanoseconds(status.st_mtim.tv_nsec)));
}

// Reads one file into a batch and removes it; a file that is not a valid list, or too large to be
// one, adds nothing.
void takeFile(std::vector<Batch>& batches, const fs::path& path) {
    Batch batch{{}, modificationTime(path)};
    if (auto commands = decode(Platform::readWholeFile(path, maximumFileSize))) batch.commands = std::move(*commands);
    std::error_code ignored;
    fs::remove(path, ignored);
    if (!batch.commands.empty()) batches.push_back(std::move(batch));
}

// The queued commands, taken out of the way of the next enqueue. Called with the lock held. A batch
// left aside by a drain that never finished (the application ended between the move and the read)
// comes first, so its commands are not overwritten by this move.
std::vector<Batch> takeQueue(const QueueFiles& files) {
    std::error_code ignored;
    std::vector<Batch> batches;
    if (fs::exists(fs::symlink_status(files.aside, ignored))) takeFile(batches, files.aside);
    if (std::rename(files.queue.c_str(), files.aside.c_str()) == 0) {
        takeFile(batches, files.aside);
        return batches;
    }
    // Not movable (or simply missing): read it where it is and remove it.
    takeFile(batches, files.queue);
    return batches;
}

}  // namespace

Drained tryDrain(std::chrono::milliseconds patience) {
    const std::optional<QueueFiles> files = queueFiles();
    if (!files) return {};
    // Nothing queued: leave the container as it is. A file that appears right after this look comes
    // with its own notification.
    std::error_code missing;
    if (!fs::exists(fs::symlink_status(files->queue, missing)) &&
        !fs::exists(fs::symlink_status(files->aside, missing))) {
        return {};
    }
    const WidgetChannel::QueueLock lock(files->lock, patience);
    if (lock.state() == WidgetChannel::QueueLock::State::busy) return {{}, true};
    return {takeQueue(*files), false};
}

void enqueue(const WidgetCommand& command) {
    const std::optional<QueueFiles> files = queueFiles();
    if (!files) return;
    {
        const WidgetChannel::QueueLock lock(files->lock, lockPatience);
        if (lock.state() == WidgetChannel::QueueLock::State::busy) {
            // The application froze while draining: queue the command anyway rather than lose it.
            Platform::systemLog("Vellumark: widget command queue is busy; queueing without the lock");
        }
        std::vector<WidgetCommand> commands =
            decode(Platform::readWholeFile(files->queue, maximumFileSize)).value_or(std::vector<WidgetCommand>{});
        commands.push_back(command);
        // A failed write is dropped: the widget has nobody to tell.
        if (const std::optional<std::string> bytes = encode(commands)) {
            Platform::writeFileAtomically(files->queue, *bytes);
        }
    }
    Platform::NotifyCenter::post(std::string(notificationName));
}

}  // namespace WidgetCommandQueue
