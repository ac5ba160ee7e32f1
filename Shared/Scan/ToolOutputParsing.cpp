// Parsers for the text of lsof -F and ps. Every line stands alone: one that does not make sense is
// skipped and the rest still counts.

#include <algorithm>
#include <array>
#include <string>

#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/Scan/ScanText.h"
#include "Shared/UTF8.h"

namespace ProcessScannerParsing {

namespace {

// 49152 and up is the registered dynamic/private port range; a listener there is taken as a helper's,
// not a server's.
constexpr std::int64_t firstDynamicPort = 49152;

std::string withDecimalPoints(std::string_view text) {
    std::string copy(text);
    std::replace(copy.begin(), copy.end(), ',', '.');
    return copy;
}

// ps writes days as "dd-" in front; the days must be a number, the rest follows the first "-".
struct DaysAndClock {
    std::int64_t days = 0;
    std::string_view clock;
};

std::optional<DaysAndClock> splitDays(std::string_view text) {
    const auto dash = text.find('-');
    if (dash == std::string_view::npos) return DaysAndClock{0, text};
    const auto days = ScanText::parseInt64(text.substr(0, dash));
    if (!days) return std::nullopt;
    return DaysAndClock{*days, text.substr(dash + 1)};
}

// Splits at every ":" keeping empty parts; false when there are more than three.
bool splitClock(std::string_view clock, std::array<std::string_view, 3>& parts, std::size_t& count) {
    count = 0;
    while (true) {
        if (count == parts.size()) return false;
        const auto colon = clock.find(':');
        parts[count++] = clock.substr(0, colon);
        if (colon == std::string_view::npos) return true;
        clock.remove_prefix(colon + 1);
    }
}

bool checkedMultiplyAdd(std::int64_t value, std::int64_t factor, std::int64_t addend, std::int64_t& result) {
    std::int64_t product = 0;
    return !__builtin_mul_overflow(value, factor, &product) && !__builtin_add_overflow(product, addend, &result);
}

// The eight ps columns: seven runs of non-space characters and, when anything follows, the rest of
// the line (the command line keeps its inner spaces).
struct PSColumns {
    std::array<std::string_view, 7> fields;
    std::optional<std::string_view> rest;
};

std::optional<PSColumns> splitPSLine(std::string_view line) {
    PSColumns columns;
    std::size_t position = 0;
    for (auto& field : columns.fields) {
        position = line.find_first_not_of(' ', position);
        if (position == std::string_view::npos) return std::nullopt;
        const auto end = std::min(line.find(' ', position), line.size());
        field = line.substr(position, end - position);
        position = end;
    }
    if (position < line.size()) columns.rest = line.substr(position + 1);
    return columns;
}

// lsof writes names escaped in the C locale the tools run in; the scope rules compare them with
// the home folder's real bytes, so an accent in it must not put every server out of scope.
std::string lsofText(std::string_view value) { return replacingInvalidUTF8(ScanText::decodeLsofEscapes(value)); }

}  // namespace

WorkingDirectories parseCWDs(std::string_view text) {
    WorkingDirectories entries;
    std::optional<std::int32_t> pid;
    std::string command;
    ScanText::forEachLine(text, [&](std::string_view line) {
        const auto value = line.substr(1);
        switch (line.front()) {
        case 'p':
            pid = ScanText::parseInt32(value);
            command = {};
            break;
        case 'c':
            command = lsofText(value);
            break;
        case 'n':
            if (pid) entries.insert_or_assign(*pid, CWDEntry{command, lsofText(value)});
            break;
        default:
            break;
        }
    });
    return entries;
}

ProcessTable parsePS(std::string_view text) {
    ProcessTable table;
    ScanText::forEachLine(text, [&](std::string_view line) {
        const auto columns = splitPSLine(line);
        if (!columns) return;
        const auto& field = columns->fields;
        const auto pid = ScanText::parseInt32(field[0]);
        const auto pgid = ScanText::parseInt32(field[1]);
        const auto cpu = ScanText::parseFiniteDouble(withDecimalPoints(field[2]));
        const auto mem = ScanText::parseFiniteDouble(withDecimalPoints(field[3]));
        if (!pid || !pgid || !cpu || !mem) return;

        PSEntry entry;
        entry.pgid = *pgid;
        entry.cpu = *cpu;
        entry.mem = *mem;
        entry.rss = ScanText::parseInt64(field[4]).value_or(0);
        entry.uptimeSeconds = parseETime(field[5]);
        entry.cpuTimeSeconds = parseCPUTime(field[6]);
        if (columns->rest) {
            const auto commandLine = ScanText::trimSpacesAndTabs(*columns->rest);
            if (!commandLine.empty()) entry.commandLine = std::string(commandLine);
        }
        table.insert_or_assign(*pid, std::move(entry));
    });
    return table;
}

std::optional<std::int64_t> parseETime(std::string_view text) {
    text = ScanText::trimSpacesAndTabs(text);
    if (text.empty()) return std::nullopt;
    const auto split = splitDays(text);
    if (!split) return std::nullopt;

    std::array<std::string_view, 3> parts;
    std::size_t count = 0;
    if (!splitClock(split->clock, parts, count) || count < 2) return std::nullopt;
    std::array<std::int64_t, 3> numbers{};
    for (std::size_t i = 0; i < count; ++i) {
        const auto number = ScanText::parseInt64(parts[i]);
        if (!number) return std::nullopt;
        numbers[i] = *number;
    }
    const auto hours = count == 3 ? numbers[0] : 0;
    const auto minutes = numbers[count - 2];
    const auto seconds = numbers[count - 1];

    std::int64_t totalHours = 0, totalMinutes = 0, totalSeconds = 0;
    if (!checkedMultiplyAdd(split->days, 24, hours, totalHours) ||
        !checkedMultiplyAdd(totalHours, 60, minutes, totalMinutes) ||
        !checkedMultiplyAdd(totalMinutes, 60, seconds, totalSeconds))
        return std::nullopt;
    return totalSeconds;
}

std::optional<double> parseCPUTime(std::string_view text) {
    const auto normalised = withDecimalPoints(ScanText::trimSpacesAndTabs(text));
    if (normalised.empty()) return std::nullopt;
    const auto split = splitDays(normalised);
    if (!split) return std::nullopt;

    std::array<std::string_view, 3> parts;
    std::size_t count = 0;
    if (!splitClock(split->clock, parts, count) || count < 2) return std::nullopt;
    const auto seconds = ScanText::parseFiniteDouble(parts[count - 1]);
    if (!seconds) return std::nullopt;

    double value = *seconds;
    if (count == 3) {
        const auto hours = ScanText::parseInt64(parts[0]);
        const auto minutes = ScanText::parseInt64(parts[1]);
        if (!hours || !minutes) return std::nullopt;
        value += static_cast<double>(*hours) * 3600.0 + static_cast<double>(*minutes) * 60.0;
    } else {
        const auto minutes = ScanText::parseInt64(parts[0]);
        if (!minutes) return std::nullopt;
        value += static_cast<double>(*minutes) * 60.0;
    }
    return static_cast<double>(split->days) * 86400.0 + value;
}

ListeningPorts parseListeningPorts(std::string_view text) {
    ListeningPorts ports;
    std::optional<std::int32_t> pid;
    ScanText::forEachLine(text, [&](std::string_view line) {
        const auto value = line.substr(1);
        if (line.front() == 'p') {
            pid = ScanText::parseInt32(value);
            return;
        }
        if (line.front() != 'n' || !pid) return;
        const auto colon = value.rfind(':');
        if (colon == std::string_view::npos) return;
        const auto port = ScanText::parseInt64(value.substr(colon + 1));
        // A sign would parse, but no TCP port is zero or negative.
        if (!port || *port < 1 || *port >= firstDynamicPort) return;
        ports[*pid].insert(static_cast<int>(*port));
    });
    return ports;
}

}  // namespace ProcessScannerParsing
