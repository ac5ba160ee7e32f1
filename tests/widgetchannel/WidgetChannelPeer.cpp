// The second process of the channel tests, in the widget's role. Exit status: 0 done, 1 no
// notification within a minute, 2 bad usage.
//   widget_channel_peer enqueue <first port> <count>   queues openLocalhost(first) ... one by one
//   widget_channel_peer observe <name>                  prints "ready", then "notified" after a post

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

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
    std::atomic<bool> notified = false;
    const auto observation = Platform::NotifyCenter::observe(argv[2], [&] { notified = true; });
    if (!observation.isActive()) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    for (int tick = 0; tick < 600 && !notified; ++tick) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!notified) return 1;
    std::printf("notified\n");
    return 0;
}
