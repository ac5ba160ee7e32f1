#include "App/Panel/Rows/RowActions.h"

#include <filesystem>
#include <system_error>

#include <QClipboard>
#include <QGuiApplication>

#include "App/Restart/RestartPlan.h"
#include "App/Trackers/NewServerTracker.h"
#include "Platform/Workspace.h"

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
