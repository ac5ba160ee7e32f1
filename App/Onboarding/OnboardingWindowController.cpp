#include "App/Onboarding/OnboardingWindowController.h"

#include <QGuiApplication>

#include "App/Common/WindowPlacement.h"
#include "App/Onboarding/OnboardingView.h"

OnboardingWindowController& OnboardingWindowController::shared() {
    static OnboardingWindowController* instance = new OnboardingWindowController;
    return *instance;
}

OnboardingView* OnboardingWindowController::view() const {
    return window_ ? window_->findChild<OnboardingView*>() : nullptr;
}

void OnboardingWindowController::show() {
    if (!window_) {
        QWidget* window = WindowPlacement::makeViewWindow(
            QString::fromUtf8(title), QStringLiteral("welcomeWindow"), new OnboardingView([this] { finish(); }),
            QSize(OnboardingView::width, OnboardingView::height), Qt::WindowStaysOnTopHint);
        // Centred once, when made, as a new window is.
        WindowPlacement::centerOnScreen(*window, QGuiApplication::primaryScreen());
        window_ = window;
    }
    WindowPlacement::showInFront(*window_);
}

void OnboardingWindowController::finish() {
    if (!window_) return;
    QWidget* window = window_.data();
    window_ = nullptr;
    window->close();
    // Later: this runs inside a click on the window's own button.
    window->deleteLater();
}
