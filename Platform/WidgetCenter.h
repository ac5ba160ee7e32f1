#pragma once
// The widget's timeline reload request. The application asks after every snapshot it writes; the
// widget then rereads the snapshot.

#include <cstdint>
#include <functional>
#include <string_view>

namespace Platform::WidgetCenter {

using HandlerToken = std::uint64_t;

// Posted on the cross-process notification centre (Platform/NotifyCenter.h) by every reload request,
// for the widget program.
inline constexpr std::string_view reloadNotificationName = "io.kestrow.v3lk.widgetReload";

// Asks every widget of the application to reload its timelines. Safe from any thread; returns at once
// after the handlers ran (on the calling thread) and reloadNotificationName was posted.
void reloadAllTimelines();

// In-process listeners of the reload request, called on the requesting thread, outside any lock (a
// handler removed on another thread may still get a call already under way). Handlers must not throw.
HandlerToken addReloadHandler(std::function<void()> handler);
void removeReloadHandler(HandlerToken token);

}  // namespace Platform::WidgetCenter
