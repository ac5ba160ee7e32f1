#pragma once
// The desktop's workspace: open a URL in its default application, show a file in the file manager.
// One interface for every backend; the Qt one (qt/Workspace.cpp, in vellumark_platform_qt) needs the
// Qt application object and runs on the main thread.

#include <string>

namespace Platform::Workspace {

// Opens the URL with the application the desktop picks for it (http: the default browser). False
// when the text is not a URL or nothing could be started for it.
bool openURL(const std::string& url);

// Shows the file manager with the item at the path selected; a relative path counts from the
// current folder, and the empty path shows nothing. Without a file manager that can select items,
// the item's parent folder is opened instead. Returns at once; the file manager answers later.
void activateFileViewerSelecting(const std::string& path);

}  // namespace Platform::Workspace
