#include "Shared/WidgetChannel/WidgetCommandQueue.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include <nlohmann/json.hpp>

#include "Platform/AtomicFile.h"
#include "Platform/NotifyCenter.h"
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
    if (!bytes) return std::nullopt;
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

// The queue's bytes, taken out of the way of the next enqueue. Called with the lock held.
std::optional<std::string> takeQueue(const QueueFiles& files) {
    std::error_code ignored;
    if (std::rename(files.queue.c_str(), files.aside.c_str()) == 0) {
        std::optional<std::string> bytes = Platform::readWholeFile(files.aside);
        fs::remove(files.aside, ignored);
        return bytes;
    }
    // Not movable (or simply missing): read it where it is and remove it.
    std::optional<std::string> bytes = Platform::readWholeFile(files.queue);
    fs::remove(files.queue, ignored);
    return bytes;
}

}  // namespace

std::vector<WidgetCommand> drain() {
    const std::optional<QueueFiles> files = queueFiles();
    if (!files) return {};
    // Nothing queued: leave the container as it is. A file that appears right after this look comes
    // with its own notification.
    std::error_code missing;
    if (!fs::exists(fs::symlink_status(files->queue, missing))) return {};
    std::optional<std::string> bytes;
    {
        const WidgetChannel::QueueLock lock(files->lock);
        bytes = takeQueue(*files);
    }
    return decode(bytes).value_or(std::vector<WidgetCommand>{});
}

void enqueue(const WidgetCommand& command) {
    const std::optional<QueueFiles> files = queueFiles();
    if (!files) return;
    {
        const WidgetChannel::QueueLock lock(files->lock);
        std::vector<WidgetCommand> commands =
            decode(Platform::readWholeFile(files->queue)).value_or(std::vector<WidgetCommand>{});
        commands.push_back(command);
        // A failed write is dropped: the widget has nobody to tell.
        if (const std::optional<std::string> bytes = encode(commands)) {
            Platform::writeFileAtomically(files->queue, *bytes);
        }
    }
    Platform::NotifyCenter::post(std::string(notificationName));
}

}  // namespace WidgetCommandQueue
