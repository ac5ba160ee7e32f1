#include "Core/PanelModel/PanelText.h"

#include <algorithm>

#include "Shared/DevProject.h"
#include "Shared/PathPrefix.h"
#include "Shared/ScanText.h"

namespace PanelText {

std::string countChip(bool isSearching, std::size_t matchCount, std::size_t totalServers) {
    // "3 of 12 servers": the noun follows the total.
    return (isSearching ? std::to_string(matchCount) + " of " : std::string()) + serverCountText(totalServers);
}

std::string stopAllQuestion(std::size_t serverCount, std::string_view projectName) {
    return "Stop all " + serverCountText(serverCount) + " in " + std::string(projectName) + "?";
}

std::string conflictNames(const std::vector<std::string>& names, std::size_t conflictCount) {
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty()) text += " + ";
        text += name;
    }
    if (conflictCount >= 2) text += "  +" + std::to_string(conflictCount - 1) + " more";
    return text;
}

std::string noResultsTitle(std::string_view searchQuery) {
    return "No servers match \u201C" + std::string(ScanText::trimSpacesAndTabs(searchQuery)) + "\u201D";
}

std::string pathLine(std::string_view path, std::string_view home) {
    if (path.starts_with("service://")) return "Background service";
    return abbreviatingHome(path, home);
}

double listMaximumHeight(std::optional<double> mainScreenVisibleHeight) {
    if (!mainScreenVisibleHeight) return 560;
    return std::clamp(*mainScreenVisibleHeight - 160, 180.0, 560.0);
}

}  // namespace PanelText
