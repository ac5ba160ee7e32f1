// The second process of the channel tests, in the widget's role. Exit status: 0 done, 2 bad usage.
//   widget_channel_peer enqueue <first port> <count>   queues openLocalhost(first) ... one by one
//   widget_channel_peer observe <name>...              observes each name until it is killed

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Platform/NotifyCenter.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "observe") {
        std::vector<Platform::NotifyCenter::Observation> observations;
        for (int i = 2; i < argc; ++i) observations.push_back(Platform::NotifyCenter::observe(argv[i], [] {}));
        for (;;) ::pause();
    }
    if (argc != 4 || std::string(argv[1]) != "enqueue" || std::atol(argv[3]) <= 0) return 2;
    const long first = std::atol(argv[2]);
    for (long port = first; port < first + std::atol(argv[3]); ++port)
        WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(port));
    return 0;
}
