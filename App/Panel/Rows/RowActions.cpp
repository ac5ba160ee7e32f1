#include "App/Panel/Rows/RowActions.h"

#include <filesystem>
#include <system_error>

#include <QClipboard>
#include <QGuiApplication>

#include "Platform/Workspace.h"

namespace RowActions {

void copyToClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return;
    clipboard->clear();
    clipboard->setText(text);
}

bool isExistingDirectory(const std::string& path) {
    if (path.empty()) return false;
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

void revealFolder(const std::string& path) { Platform::Workspace::activateFileViewerSelecting(path); }

}  // namespace RowActions
