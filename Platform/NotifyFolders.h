#pragma once
// The user's private runtime folders, where the application's processes meet: the named
// notifications (see NotifyCenter.h), one folder per name holding one datagram socket per observer,
// and the running instance's lock and socket (see SingleInstance.h), under a root private to the user:
//
//   $XDG_RUNTIME_DIR/vellumark/notify/<name>/     when the session has a runtime folder
//   <temp>/vellumark-<uid>/notify/<name>/         otherwise (<temp> is $TMPDIR when absolute, else /tmp)
//   <root>/instance.lock, <root>/instance.socket  the running instance's, in either root
//
// Each folder on that road below the runtime or temporary folder must be a real folder (never a
// symbolic link) owned by this user; one that others may enter is made private (mode 0700). A
// folder of another user is refused: in a shared /tmp anybody could have made it first.

#include <sys/socket.h>
#include <sys/un.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/UniqueFd.h"

namespace Platform::NotifyFolders {

// The folder name for a notification name: letters, digits, ".", "-" and "_" stay, every other byte
// and a leading "." become %XX, so any name gives one plain, visible folder name of its own. Absent
// for the empty name and for names too long for a folder name.
std::optional<std::string> folderName(std::string_view notificationName);

struct Folder {
    UniqueFd fd;  // the folder, opened as a directory
    std::filesystem::path path;
};

// The root (no components) or a folder below it, each component one folder deeper; each component
// must be a plain folder name. With create, missing folders are made. On failure, error holds the
// reason, with the path that failed.
std::optional<Folder> openRuntimeFolder(const std::vector<std::string>& components, bool create, std::string& error);

// The folder of one notification name. With create, missing folders are made; without, a missing
// folder simply means nobody observes the name. On failure, error holds the reason.
std::optional<Folder> openNameFolder(std::string_view notificationName, bool create, std::string& error);

// The folder that holds every name's folder (".../notify"), and one folder below a folder, each
// checked and made private like the rest of the road.
std::optional<Folder> openRootFolder(bool create, std::string& error);
std::optional<Folder> openSubfolder(const Folder& parent, const std::string& name, bool create, std::string& error);

struct SocketAddress {
    sockaddr_un address{};
    socklen_t length = 0;
};

// The address of the socket named entry in the folder. When the full path does not fit a socket
// address (a deep runtime folder), the folder is reached through its open descriptor
// (/proc/self/fd/N/entry) instead. Absent when neither fits.
std::optional<SocketAddress> socketAddress(const Folder& folder, const std::string& entry);

}  // namespace Platform::NotifyFolders
