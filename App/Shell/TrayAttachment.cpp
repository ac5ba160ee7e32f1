#include "App/Shell/TrayAttachment.h"

#include <QSystemTrayIcon>

#include <algorithm>

#include "Platform/SystemLog.h"

TrayAttachment::TrayAttachment(QSystemTrayIcon& icon, Retry retry, Availability available, QObject* parent)
    : QObject(parent), icon_(icon), retry_(retry), available_(std::move(available)) {
    if (!available_) available_ = &QSystemTrayIcon::isSystemTrayAvailable;
    timer_.setInterval(retry_.interval);
    connect(&timer_, &QTimer::timeout, this, &TrayAttachment::attempt);
}

void TrayAttachment::start() {
    if (attached_ || timer_.isActive()) return;
    attemptsLeft_ = retry_.attempts;
    patient_ = false;
    timer_.setInterval(retry_.interval);
    attempt();
}

void TrayAttachment::attempt() {
    if (available_()) {
        timer_.stop();
        patient_ = false;
        attached_ = true;
        icon_.show();
        emit attached();
        return;
    }
    if (attemptsLeft_ > 0) {
        --attemptsLeft_;
        if (!timer_.isActive()) timer_.start();
        return;
    }
    if (patient_) return;  // the timer keeps going at the patient interval
    patient_ = true;
    Platform::systemLog("Vellumark: no system tray found; running without a tray icon and still looking for a tray");
    // A zero interval would spin the event loop for as long as no tray turns up.
    timer_.start(std::max(retry_.patientInterval, std::chrono::milliseconds(1)));
}
