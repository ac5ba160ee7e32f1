#pragma once
// What a server row does on its own, without the panel's model: the local address, the clipboard,
// the file manager, and whether reveal and restart are on offer. Main thread only;
// the clipboard needs the Qt application object.

#include <cstdint>
#include <string>

#include <QString>

#include "Shared/DevServer.h"

namespace RowActions {

// "http://localhost:<port>".
std::string localhostURL(int port);

// Clears the clipboard, then puts the text on it as plain text.
void copyToClipboard(const QString& text);

// The panel's open road: the server no longer counts as new, then the address opens in the
// browser (nothing opens for an address that is not a URL).
void openLocalhost(int port, std::int32_t pgid);

// True when the path names an existing folder (so never for "service://" projects).
bool isExistingDirectory(const std::string& path);

// Shows the folder selected in the file manager.
void revealFolder(const std::string& path);

// A container, or a server whose command line gives a restart plan in the user's shell.
bool canRestart(const DevServer& server);

}  // namespace RowActions
