#include "App/Onboarding/OnboardingWindowController.h"

#include <QGuiApplication>
#include <QVBoxLayout>

#include "App/Onboarding/OnboardingView.h"
#include "App/Shell/WindowPlacement.h"

OnboardingWindowController& OnboardingWindowController::shared() {
    static OnboardingWindowController* instance = new OnboardingWindowController;
    return *instance;
}

OnboardingView* OnboardingWindowController::view() const {
    return window_ ? window_->findChild<OnboardingView*>() : nullptr;
}

void OnboardingWindowController::show() {
    if (!window_) {
        auto* window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
        window->setWindowTitle(QString::fromUtf8(title));
        window->setObjectName(QStringLiteral("welcomeWindow"));
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new OnboardingView([this] { finish(); }));
        window->setFixedSize(OnboardingView::width, OnboardingView::height);
        // Centred once, when made, as a new window is.
        WindowPlacement::centerOnScreen(*window, QGuiApplication::primaryScreen());
        window_ = window;
    }
    // Above other windows, every time it is shown (a hint the window manager reads at mapping).
    window_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void OnboardingWindowController::finish() {
    if (!window_) return;
    QWidget* window = window_.data();
    window_ = nullptr;
    window->close();
    // Later: this runs inside a click on the window's own button.
    window->deleteLater();
}
