#pragma once
// The answer to an update check, in a small dialog of its own: a newer version with a button that
// opens its page, up to date, or why the check failed. Non-modal, so the tray application goes on
// while it is open; it deletes itself when closed. Main thread only.

#include <functional>
#include <string>

#include "Core/Updates/UpdateFeed.h"

class QMessageBox;

namespace UpdateDialog {

inline constexpr const char* objectName = "updateDialog";
inline constexpr const char* title = "Software Update";

using PageOpener = std::function<void(const std::string& url)>;

// Shows the dialog and returns it; `openPage` opens the new version's page (the desktop's browser
// unless replaced).
QMessageBox* present(const UpdateCheckResult& result, PageOpener openPage = {});

}  // namespace UpdateDialog
