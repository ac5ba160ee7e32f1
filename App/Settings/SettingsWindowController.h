#pragma once
// The one settings window of the process. It is made on the first show() and kept: closing it only
// hides it, and every later show() brings the same window back, with its pages as the user left
// them (the General page reads its state afresh whenever it appears). Each show() also centres it
// on the screen under the pointer. Main thread only.

#include <QPointer>
#include <QWidget>

#include "App/Settings/SettingsView.h"

class SettingsWindowController {
public:
    static constexpr const char* title = "Settings";

    static SettingsWindowController& shared();

    // Creates the window if there is none, centres it on the screen under the pointer, shows it in
    // front and gives it the keyboard.
    void show();

    // The window once shown; null before.
    QWidget* window() const { return window_.data(); }
    SettingsView* view() const { return view_.data(); }

private:
    SettingsWindowController() = default;

    QPointer<QWidget> window_;
    QPointer<SettingsView> view_;
};
