#include "Widget/WidgetTimeline.h"

#include <QMetaObject>

#include "Platform/WidgetCenter.h"
#include "Widget/Provider.h"

WidgetTimeline::WidgetTimeline(Kind kind, Display display, QObject* parent)
    : QObject(parent), display_(std::move(display)) {
    if (kind == Kind::placeholder) {
        display_(Provider::placeholder(std::chrono::system_clock::now()));
        ++reloads_;
        return;
    }
    policyTimer_.setSingleShot(true);
    connect(&policyTimer_, &QTimer::timeout, this, &WidgetTimeline::reload);
    burstTimer_.setSingleShot(true);
    connect(&burstTimer_, &QTimer::timeout, this, &WidgetTimeline::reload);
    reloadRequests_ = Platform::NotifyCenter::observe(std::string(Platform::WidgetCenter::reloadNotificationName),
                                                      [this] { requestReload(); });
    reload();
}

void WidgetTimeline::requestReload() {
    if (reloadPending_.exchange(true)) return;  // joins the reload already on its way
    // Queued by the slot's name, so that Qt itself makes and reads the queued call (see
    // MainQueueDriver.cpp): requests come on the notification's thread.
    QMetaObject::invokeMethod(this, "startBurstWindow", Qt::QueuedConnection);
}

void WidgetTimeline::startBurstWindow() {
    // A reload that ran since the request (the policy's) has already read the snapshot it asked for
    // and cleared the flag; reading it once more would be a reload for nothing.
    if (reloadPending_) burstTimer_.start(burstWindow);
}

void WidgetTimeline::reload() {
    // Cleared before reading, so a request that comes during the read brings a reload of its own; a
    // requested reload still waiting is this one (the policy's time may fall inside a burst).
    reloadPending_ = false;
    burstTimer_.stop();
    const auto now = std::chrono::system_clock::now();
    Provider::Timeline timeline = Provider::timeline(now);
    for (const DevProcessEntry& entry : timeline.entries) display_(entry);
    ++reloads_;
    const auto untilPolicy = std::chrono::duration_cast<std::chrono::milliseconds>(timeline.reloadAfter - now);
    policyTimer_.start(std::max(untilPolicy, std::chrono::milliseconds(0)));
}
