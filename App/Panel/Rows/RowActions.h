#pragma once
// What a server row does on its own, without the panel's model: the clipboard, the file manager,
// and whether reveal is on offer. Main thread only; the clipboard needs the Qt application object.

#include <string>

#include <QString>

namespace RowActions {

// Clears the clipboard, then puts the text on it as plain text.
void copyToClipboard(const QString& text);

// True when the path names an existing folder (so never for "service://" projects).
bool isExistingDirectory(const std::string& path);

// Shows the folder selected in the file manager.
void revealFolder(const std::string& path);

}  // namespace RowActions
