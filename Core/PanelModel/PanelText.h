#pragma once
// The panel's texts that depend on its state, and its one size rule that depends on the screen.
// Pure functions; any thread.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace PanelText {

// "3 servers", "1 server"; while searching "2 of 5 servers" (the plural follows the total).
std::string countChip(bool isSearching, std::size_t matchCount, std::size_t totalServers);

// "Stop all 3 servers in shop?", "Stop all 1 server in shop?".
std::string stopAllQuestion(std::size_t serverCount, std::string_view projectName);

// The tail of the conflict banner's line: the project names joined with " + ", then "  +<n> more"
// when there are other conflicting ports.
std::string conflictNames(const std::vector<std::string>& names, std::size_t conflictCount);

// "No servers match “<query>”", the query without spaces and tabs around it.
std::string noResultsTitle(std::string_view searchQuery);

// A project's path line: "Background service" for "service://…", the home folder shown as "~".
std::string pathLine(std::string_view path, std::string_view home);

// The list's greatest height: the main screen's visible height less 160, kept between 180 and 560;
// 560 without a main screen.
double listMaximumHeight(std::optional<double> mainScreenVisibleHeight);

}  // namespace PanelText
