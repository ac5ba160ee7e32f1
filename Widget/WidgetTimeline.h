#pragma once
// Runs the provider's timeline for one widget: the entry now, and the next one after the reload
// policy's date or as soon as the application asks for a reload (after every snapshot it writes),
// whichever comes first. A burst of requests gives one reload: requests that arrive while one is
// pending join it. The placeholder timeline shows the sample and never reloads. Lives on the main
// thread; the reload requests arrive on a thread of the notification centre and are handed over.

#include <atomic>
#include <chrono>
#include <functional>

#include <QObject>
#include <QTimer>

#include "Platform/NotifyCenter.h"
#include "Widget/DevProcessEntry.h"

class WidgetTimeline : public QObject {
    Q_OBJECT
public:
    enum class Kind { live, placeholder };
    using Display = std::function<void(const DevProcessEntry&)>;

    // Shows the first entry before it returns.
    WidgetTimeline(Kind kind, Display display, QObject* parent = nullptr);

    // How many entries have been shown.
    int reloads() const { return reloads_; }

    // Time the requests of one burst have to arrive before the reload they share.
    static constexpr std::chrono::milliseconds burstWindow{150};

private slots:
    // Main thread: the request's reload, after the burst's window.
    void startBurstWindow();

private:
    void reload();
    void requestReload();

    Display display_;
    QTimer policyTimer_;
    QTimer burstTimer_;  // a requested reload, after the burst's window
    std::atomic<bool> reloadPending_{false};
    int reloads_ = 0;
    // Last: destroyed first, so no request arrives while the rest is going.
    Platform::NotifyCenter::Observation reloadRequests_;
};
