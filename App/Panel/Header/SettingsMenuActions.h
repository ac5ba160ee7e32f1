#pragma once
// What the gear menu's items do. The items that open a window close the panel first: the panel is a
// pop-up that holds the pointer and the keyboard while it is open. Main thread only.

class QWidget;

class SettingsMenuActions {
public:
    static SettingsMenuActions& shared();

    // The panel the menu was opened from, closed before a window opens; null when there is none.
    void openSettingsItem(QWidget* panel = nullptr);
    void checkForUpdates(QWidget* panel = nullptr);
    void toggleLaunchAtLogin();
    void quit();

private:
    SettingsMenuActions() = default;
};
