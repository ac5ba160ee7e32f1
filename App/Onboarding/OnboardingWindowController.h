#pragma once
// The welcome window, shown on the application's first launch. It floats above other windows while
// open. Its last "Continue" closes it and forgets it, so a later show() starts afresh on the first
// page in a newly centred window; closing it with the close button only hides it, and a later
// show() brings it back on the page where the user left it. Main thread only.

#include <QPointer>
#include <QWidget>

class OnboardingView;

class OnboardingWindowController {
public:
    static constexpr const char* title = "Welcome to Vellumark";

    static OnboardingWindowController& shared();

    void show();

    // The window while there is one.
    QWidget* window() const { return window_.data(); }
    OnboardingView* view() const;

private:
    OnboardingWindowController() = default;
    void finish();

    QPointer<QWidget> window_;
};
