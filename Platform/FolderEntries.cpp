#include "Platform/FolderEntries.h"

#include <unistd.h>

#include <string_view>

namespace Platform {

void forEachFolderEntry(int folderFd, const std::function<void(const dirent& entry)>& visit) {
    const int listing = ::dup(folderFd);
    if (listing < 0) return;
    DIR* entries = ::fdopendir(listing);
    if (!entries) {
        ::close(listing);
        return;
    }
    // A duplicate shares the reading position: start from the top whatever was read before.
    ::rewinddir(entries);
    while (const dirent* entry = ::readdir(entries)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") visit(*entry);
    }
    ::closedir(entries);
}

}  // namespace Platform
