#include "App/Shell/AppUpdater.h"

#include "Platform/UserDefaults.h"

AppUpdater& AppUpdater::shared() {
    static AppUpdater* instance = new AppUpdater;
    return *instance;
}

bool AppUpdater::automaticallyChecksForUpdates() const {
    return Platform::UserDefaults::standard().boolean(automaticChecksKey).value_or(false);
}

void AppUpdater::setAutomaticallyChecksForUpdates(bool enabled) {
    Platform::UserDefaults::standard().set(automaticChecksKey, enabled);
}
