// The second process of the channel tests, in the widget's role:
//
//   widget_channel_peer enqueue <first port> <count>   queues openLocalhost(first) ... one by one
//   widget_channel_peer observe <name>                  prints "ready", then "notified" after a post
//
// Exit status: 0 done, 1 no notification within a minute, 2 bad usage.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "Platform/NotifyCenter.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "enqueue" && argc == 4 && std::atol(argv[3]) > 0) {
        const long first = std::atol(argv[2]);
        for (long port = first; port < first + std::atol(argv[3]); ++port) {
            WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(port));
        }
        return 0;
    }
    if (mode != "observe" || argc != 3) return 2;
    std::mutex mutex;
    std::condition_variable changed;
    bool notified = false;
    const auto observation = Platform::NotifyCenter::observe(argv[2], [&] {
        std::lock_guard lock(mutex);
        notified = true;
        changed.notify_all();
    });
    if (!observation.isActive()) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    std::unique_lock lock(mutex);
    if (!changed.wait_for(lock, std::chrono::minutes(1), [&] { return notified; })) return 1;
    std::printf("notified\n");
    return 0;
}
