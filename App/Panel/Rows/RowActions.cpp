#include "App/Panel/Rows/RowActions.h"

#include <filesystem>
#include <system_error>

#include <QClipboard>
#include <QGuiApplication>

#include "App/Restart/RestartPlan.h"
#include "App/Trackers/NewServerTracker.h"
#include "Platform/UserDefaults.h"
#include "Platform/Workspace.h"
#include "Shared/Settings/FilterRules.h"

namespace RowActions {

std::string localhostURL(int port) { return "http://localhost:" + std::to_string(port); }

void copyToClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return;
    clipboard->clear();
    clipboard->setText(text);
}

void openLocalhost(int port, std::int32_t pgid) {
    NewServerTracker::shared().acknowledge(pgid);
    Platform::Workspace::openURL(localhostURL(port));
}

void hideServer(const DevServer& server) {
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    FilterRules rules = FilterRules::load(defaults);
    for (const int port : server.ports) rules.hiddenServers.insert(server.command + ":" + std::to_string(port));
    rules.save(defaults);
}

bool isExistingDirectory(const std::string& path) {
    if (path.empty()) return false;
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

void revealFolder(const std::string& path) { Platform::Workspace::activateFileViewerSelecting(path); }

bool canRestart(const DevServer& server) {
    return server.containerID ||
           ServerRestarter::plan(server.commandLine, server.cwd, ServerRestarter::userShell()).has_value();
}

}  // namespace RowActions
