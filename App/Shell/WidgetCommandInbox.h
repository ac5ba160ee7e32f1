#pragma once
// The commands the desktop widget queues, carried out: drained at once when opened (those queued
// while the application was not running) and again whenever the widget posts its notification.
// When commands came out of a drain, they are executed in file order and then the owner hears of it
// (it refreshes).
//
// The widget holds the queue's lock only while it appends. A drain waits for it a little; a queue
// still locked is drained again shortly after, until it gives way, one retry at a time and with one
// log line while it stays busy: the notification that found it busy may have been the widget's
// last. Main thread only.

#include <QObject>

#include <chrono>
#include <functional>

#include "Platform/NotifyCenter.h"

class WidgetCommandInbox : public QObject {
    Q_OBJECT

public:
    // The retries of a busy queue come this soon at first, then twice as late each time, but never
    // later than `longestRetry`.
    static constexpr std::chrono::milliseconds firstDrainRetry{100};

    WidgetCommandInbox(std::chrono::milliseconds longestRetry, std::function<void()> executed,
                       QObject* parent = nullptr);
    ~WidgetCommandInbox() override;

    // Observes the widget's notification, then drains what is queued already.
    void open();
    // Drains the queue now.
    void drain();

private:
    void drain(std::chrono::milliseconds patience);
    void retryBusyDrain();

    std::chrono::milliseconds longestRetry_;
    std::function<void()> executed_;
    Platform::NotifyCenter::Observation observation_;
    bool queueBusy_ = false;                                       // the last drain found the widget's queue locked
    bool drainRetryPending_ = false;                               // a drain of a busy queue is scheduled
    std::chrono::milliseconds drainRetryDelay_ = firstDrainRetry;  // until the next drain of a busy queue
};
