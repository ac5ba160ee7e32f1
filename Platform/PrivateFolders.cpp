#include "Platform/PrivateFolders.h"

#include <sys/stat.h>

#include <cerrno>

namespace Platform {

std::error_code createPrivateFolders(const std::filesystem::path& folder) {
    std::filesystem::path made;
    for (const std::filesystem::path& component : folder) {
        made /= component;
        if (::mkdir(made.c_str(), 0700) == 0) {
            // The umask may have taken bits from 0700 itself; the folder must stay usable.
            if (::chmod(made.c_str(), 0700) != 0) return {errno, std::generic_category()};
        } else if (errno != EEXIST) {
            return {errno, std::generic_category()};
        }
    }
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error) && !error)
        return std::make_error_code(std::errc::not_a_directory);
    return error;
}

}  // namespace Platform
