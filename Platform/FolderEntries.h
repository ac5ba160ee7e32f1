#pragma once
// The entries of a folder already open, read through a descriptor of their own so the caller's
// stays usable (as the base of openat, unlinkat and the like).

#include <dirent.h>

#include <functional>

namespace Platform {

// Calls `visit` with every entry but "." and "..", in the order the file system gives them; an
// entry may be removed from within. Nothing is called when the folder cannot be read.
void forEachFolderEntry(int folderFd, const std::function<void(const dirent& entry)>& visit);

}  // namespace Platform
