#pragma once
// The General page of the settings: the header with the application's logo, wordmark, tagline and
// version; launch at login; three display preferences; automatic update checks; the hot key; and
// the acknowledgements. It stores nothing of its own: every switch writes straight to what it
// mirrors, and every time the page appears it reads them all afresh.
//
// - "Launch at Login" applies the state the user asked for and then shows the state the login item
//   really has (a failed change leaves the switch where it was).
// - A display switch reloads the stored DisplayPrefs and changes only its own field, so what the
//   panel saved meanwhile (sort order, grouping) survives.
// - The hot-key row is the shortcut module's recorder field for the panel's shortcut: a recorded
//   combination is stored and replaces the registered one at once.
// Main thread only.

#include <string>

#include "App/Settings/SettingsForm.h"
#include "Shared/Settings/DisplayPrefs.h"

class AppUpdater;
class ToggleSwitch;

class GeneralSettingsView : public FormPage {
    Q_OBJECT
public:
    explicit GeneralSettingsView(AppUpdater& updater, QWidget* parent = nullptr);

    // "Version " and the version; "Version ?" when the build gave none.
    static QString versionText(const std::string& version);

    // "Open Vellumark from anywhere:" beside the recorder field for the panel's hot key.
    static QWidget* shortcutRow(QWidget* recorder);

    // Reads the login item, the display preferences and the automatic-check flag again.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void addHeader();
    void addLaunchAtLogin();
    void addMenuSection();
    void addUpdatesSection();
    void addShortcutSection();
    void addAcknowledgements();
    void saveDisplayField(bool DisplayPrefs::*field, bool value);

    AppUpdater& updater_;
    ToggleSwitch* launchAtLogin_ = nullptr;
    ToggleSwitch* showPID_ = nullptr;
    ToggleSwitch* flashNewServers_ = nullptr;
    ToggleSwitch* energyIcon_ = nullptr;
    ToggleSwitch* autoUpdateChecks_ = nullptr;
};
