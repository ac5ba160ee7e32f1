#include "Shared/Launchd/LaunchdParsing.h"

#include <vector>

#include "Shared/ScanText.h"

namespace LaunchdParsing {

namespace {

// Every piece between tabs, empty ones included, so columns keep their positions.
std::vector<std::string_view> tabSeparatedPieces(std::string_view line) {
    std::vector<std::string_view> pieces;
    while (true) {
        const auto tab = line.find('\t');
        pieces.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return pieces;
        line.remove_prefix(tab + 1);
    }
}

}  // namespace

Jobs parseList(std::string_view text) {
    Jobs jobs;
    ScanText::forEachLine(text, [&](std::string_view line) {
        const auto pieces = tabSeparatedPieces(line);
        if (pieces.size() < 3) return;
        // The header's "PID" and the "-" of a job that is not running are no numbers.
        const auto pid = ScanText::parseInt32(pieces[0]);
        if (!pid) return;
        const auto label = ScanText::trimSpacesAndTabs(pieces[2]);
        if (label.empty()) return;
        jobs[*pid] = std::string(label);
    });
    return jobs;
}

std::optional<std::string> parsePlistPath(std::string_view text) {
    constexpr std::string_view marker = "path = ";
    std::optional<std::string> path;
    bool found = false;
    ScanText::forEachLine(text, [&](std::string_view line) {
        if (found) return;
        const auto trimmed = ScanText::trimSpacesAndTabs(line);
        if (!trimmed.starts_with(marker)) return;
        found = true;  // only the first such line counts, even when its path is empty
        const auto value = ScanText::trimSpacesAndTabs(trimmed.substr(marker.size()));
        if (!value.empty()) path = std::string(value);
    });
    return path;
}

}  // namespace LaunchdParsing
