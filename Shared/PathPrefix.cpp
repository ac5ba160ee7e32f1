#include "Shared/PathPrefix.h"

bool hasPathPrefix(std::string_view path, std::string_view folder) {
    if (!folder.empty() && folder.back() == '/') folder.remove_suffix(1);
    if (folder.empty()) return false;  // was "" or "/"
    if (!path.starts_with(folder)) return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

std::string abbreviatingHome(std::string_view path, std::string_view home) {
    if (!hasPathPrefix(path, home)) return std::string(path);
    if (!home.empty() && home.back() == '/') home.remove_suffix(1);
    return "~" + std::string(path.substr(home.size()));
}
