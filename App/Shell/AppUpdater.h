#pragma once
// The updater, started at launch and living as long as the application. For now it holds the
// user's automatic-check choice, stored in the standard defaults; the check itself comes with the
// gear menu's "Check for Updates…".

class AppUpdater {
public:
    static constexpr const char* automaticChecksKey = "automaticallyChecksForUpdates";

    // Made on first use, never released; the application touches it at launch.
    static AppUpdater& shared();

    // Off until the user turns it on: nothing is fetched behind the user's back.
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool enabled);

private:
    AppUpdater() = default;
};
