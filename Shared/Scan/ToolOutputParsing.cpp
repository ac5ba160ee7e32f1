// Parsers for the text of lsof -F (the process table is PSParsing.cpp's). Every line stands alone:
// one that does not make sense is skipped and the rest still counts.

#include <algorithm>
#include <optional>
#include <string>

#include "Shared/Scan/ProcessIDIndex.h"
#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/ScanText.h"
#include "Shared/UTF8.h"

namespace ProcessScannerParsing {

namespace {

// 49152 and up is the registered dynamic/private port range; a listener there is taken as a helper's,
// not a server's.
constexpr std::int64_t firstDynamicPort = 49152;

// lsof writes names escaped in the C locale the tools run in; the scope rules compare them with
// the home folder's real bytes, so an accent in it must not put every server out of scope.
std::string lsofText(std::string_view value) {
    // Nearly every name is plain ASCII without escapes, which is itself.
    if (std::all_of(value.begin(), value.end(),
                    [](char c) { return c != '\\' && static_cast<unsigned char>(c) < 0x80; }))
        return std::string(value);
    std::string decoded = ScanText::decodeLsofEscapes(value);
    return isValidUTF8(decoded) ? decoded : replacingInvalidUTF8(decoded);
}

// The entries of the processes `wanted(pid)` accepts, room made for `expected` of them; the names
// of the others are not decoded.
template <typename Wanted>
WorkingDirectories readCWDs(std::string_view text, std::size_t expected, const Wanted& wanted) {
    WorkingDirectories::Entries entries;
    entries.reserve(expected);
    std::optional<std::int32_t> pid;  // the current record's
    bool keep = false;                // whether there is a current pid and it is one of the wanted
    std::string command;
    ScanText::forEachLine(text, [&](std::string_view line) {
        const auto value = line.substr(1);
        switch (line.front()) {
        case 'p':
            pid = ScanText::parseInt32(value);
            keep = pid && wanted(*pid);
            command.clear();
            break;
        case 'c':
            if (keep) command = lsofText(value);
            break;
        case 'n':
            if (keep) entries.emplace_back(*pid, CWDEntry{command, lsofText(value)});
            break;
        default: break;
        }
    });
    return WorkingDirectories::keepingLastOfEachKey(std::move(entries));
}

}  // namespace

WorkingDirectories parseCWDs(std::string_view text) {
    // Four lines per process, the folder alone often longer.
    return readCWDs(text, text.size() / 32, [](std::int32_t) { return true; });
}

WorkingDirectories parseCWDs(std::string_view text, const ListeningPorts& listeners) {
    const auto index = ProcessIDIndex::ofKeys(listeners);
    return readCWDs(text, listeners.size(), [&](std::int32_t pid) { return index.contains(pid); });
}

ListeningPorts parseListeningPorts(std::string_view text) {
    ListeningPorts::Entries records;    // a pid's ports per "p" record that has any, as lsof lists them
    std::optional<std::int32_t> pid;    // the current record's
    std::set<int>* pidPorts = nullptr;  // the current record's, once it has one
    ScanText::forEachLine(text, [&](std::string_view line) {
        const auto value = line.substr(1);
        if (line.front() == 'p') {
            pid = ScanText::parseInt32(value);
            pidPorts = nullptr;
            return;
        }
        if (line.front() != 'n' || !pid) return;
        const auto colon = value.rfind(':');
        if (colon == std::string_view::npos) return;
        // No number reads as 0; a sign would parse, but no TCP port is zero or negative.
        const std::int64_t port = ScanText::parseInt64(value.substr(colon + 1)).value_or(0);
        if (port < 1 || port >= firstDynamicPort) return;
        if (!pidPorts) pidPorts = &records.emplace_back(*pid, std::set<int>{}).second;
        pidPorts->insert(static_cast<int>(port));
    });
    // A pid listed twice has the ports of both.
    return ListeningPorts::combiningEqualKeys(std::move(records),
                                              [](std::set<int>& ports, std::set<int>&& more) { ports.merge(more); });
}

}  // namespace ProcessScannerParsing
