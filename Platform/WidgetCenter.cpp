#include "Platform/WidgetCenter.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Platform/NotifyCenter.h"

namespace Platform::WidgetCenter {
namespace {

struct Handlers {
    std::mutex mutex;
    std::vector<std::pair<HandlerToken, std::function<void()>>> list;
    HandlerToken next = 1;
};

// Never destroyed: a scan thread may still ask for a reload while the program exits.
Handlers& handlers() {
    static Handlers* instance = new Handlers;
    return *instance;
}

}  // namespace

void reloadAllTimelines() {
    std::vector<std::function<void()>> toCall;
    {
        Handlers& all = handlers();
        std::lock_guard lock(all.mutex);
        for (const auto& entry : all.list) toCall.push_back(entry.second);
    }
    // Called outside the lock, so a handler may add or remove handlers or ask for a reload itself.
    for (const auto& handler : toCall) handler();
    NotifyCenter::post(std::string(reloadNotificationName));
}

HandlerToken addReloadHandler(std::function<void()> handler) {
    Handlers& all = handlers();
    std::lock_guard lock(all.mutex);
    const HandlerToken token = all.next++;
    all.list.emplace_back(token, std::move(handler));
    return token;
}

void removeReloadHandler(HandlerToken token) {
    Handlers& all = handlers();
    std::lock_guard lock(all.mutex);
    std::erase_if(all.list, [token](const auto& entry) { return entry.first == token; });
}

}  // namespace Platform::WidgetCenter
