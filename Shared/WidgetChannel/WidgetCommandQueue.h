#pragma once
// The queue of widget commands: "widget-commands.json" in the App Group container, one compact JSON
// array of commands, oldest first. The widget appends (enqueue) and then posts the notification; the
// application, on every notification and once at start-up, takes everything queued (tryDrain).
//
// Both sides hold an advisory lock (QueueLock.h) around their read-and-replace, and a drain moves
// the file aside before reading it, so while the lock can be had a command queued at any moment is
// drained exactly once: it lands either in the batch being drained or in a fresh file for the next
// drain. A drain that cannot get the lock in time leaves the file for a later drain; since the
// notification that asked for it has been answered, the caller must come back by itself (tryDrain
// says when). Without an App Group container the queue does not exist: nothing is written, read or
// posted.

#include <chrono>
#include <cstddef>
#include <string_view>
#include <vector>

#include "Platform/ISO8601.h"
#include "Shared/WidgetChannel/WidgetCommand.h"

namespace WidgetCommandQueue {

inline constexpr std::string_view fileName = "widget-commands.json";
// A queued command takes a few dozen bytes (a folder's path at most a few kilobytes): a larger file
// is no queue the widget wrote.
inline constexpr std::size_t maximumFileSize = 4 << 20;
// Posted on the cross-process notification centre after every enqueue.
inline constexpr std::string_view notificationName = "io.kestrow.v3lk.widgetCommand";

// The commands of one queue file, and when it was last written (its modification time): the widget
// chose them from what it showed before then, so a process that started later is none it meant.
struct Batch {
    std::vector<WidgetCommand> commands;
    Platform::Date written;  // a time before any process started when it cannot be told
    bool operator==(const Batch&) const = default;
};

// What tryDrain took, and whether it had to leave the queue alone.
struct Drained {
    // In queue order, one batch per file read (a batch left aside by an interrupted drain comes
    // first); a file without commands adds no batch.
    std::vector<Batch> batches;
    // The lock was not had within the patience: anything queued is still in the file, and no
    // notification will announce it again.
    bool busy = false;
};
// Application side. Everything queued, in file order, and the file removed. A missing or unreadable
// file gives no batch; so does a file that is not a JSON array of valid commands, nests deeper than
// any queue does or is larger than maximumFileSize (logged), which is removed all the same (one bad
// entry loses the whole batch, and the next enqueue starts afresh).
// Waits at most `patience` for the lock (so the main thread is never held long) and logs nothing
// when it gives up.
Drained tryDrain(std::chrono::milliseconds patience);

// Widget side. Appends the command to the file (a missing, unreadable or damaged file counts as the
// empty list), replaces the file atomically, then posts notificationName — even when the command
// could not be encoded or written, so the application still drains what the file holds. Never fails
// and reports nothing.
void enqueue(const WidgetCommand& command);

}  // namespace WidgetCommandQueue
