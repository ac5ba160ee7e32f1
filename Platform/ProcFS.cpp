#include "Platform/ProcFS.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "Platform/AtomicFile.h"

namespace Platform::ProcFS {
namespace {

constexpr std::string_view blanks = " \t";

// The first blank-separated word of the text, without leading blanks.
std::string_view firstWord(std::string_view text) {
    const auto start = text.find_first_not_of(blanks);
    if (start == std::string_view::npos) return {};
    text.remove_prefix(start);
    return text.substr(0, text.find_first_of(blanks));
}

// The rest of the line that starts with `label` (at the start of the text or after a newline).
std::optional<std::string_view> lineAfter(std::string_view text, std::string_view label) {
    for (std::size_t start = 0; start < text.size();) {
        const auto end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        if (line.starts_with(label)) return line.substr(label.size());
        start = end + 1;
    }
    return std::nullopt;
}

std::string processFile(std::int32_t pid, const char* name) { return "/proc/" + std::to_string(pid) + "/" + name; }

}  // namespace

std::vector<std::string_view> statFields(std::string_view text) {
    std::vector<std::string_view> fields;
    const auto close = text.rfind(')');
    if (close == std::string_view::npos) return fields;
    text.remove_prefix(close + 1);
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    // One space between fields: an empty field is kept, so later fields keep their numbers.
    if (text.starts_with(' ')) text.remove_prefix(1);
    for (std::size_t start = 0;;) {
        const auto space = text.find(' ', start);
        fields.push_back(text.substr(start, space - start));
        if (space == std::string_view::npos) break;
        start = space + 1;
    }
    return fields;
}

std::optional<std::uint64_t> parseCounter(std::string_view text) {
    std::uint64_t value = 0;
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<StatIdentity> parseStatIdentity(std::string_view text) {
    constexpr std::size_t pgrp = 5 - 3, startTime = 22 - 3;
    const auto fields = statFields(text);
    if (fields.size() <= startTime) return std::nullopt;
    const auto pgid = parseCounter(fields[pgrp]);
    const auto started = parseCounter(fields[startTime]);
    if (!pgid || *pgid > INT32_MAX || !started) return std::nullopt;
    return StatIdentity{static_cast<std::int32_t>(*pgid), *started};
}

std::optional<std::uint32_t> parseRealUID(std::string_view statusText) {
    const auto rest = lineAfter(statusText, "Uid:");
    const auto uid = rest ? parseCounter(firstWord(*rest)) : std::nullopt;
    if (!uid || *uid > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(*uid);
}

std::optional<std::int64_t> parseBootTime(std::string_view procStatText) {
    const auto rest = lineAfter(procStatText, "btime ");
    const auto seconds = rest ? parseCounter(firstWord(*rest)) : std::nullopt;
    if (!seconds || *seconds > INT64_MAX) return std::nullopt;
    return static_cast<std::int64_t>(*seconds);
}

// Far above what the kernel writes: a stat line is a few hundred bytes, a status file a few
// kilobytes, /proc/stat grows with the processors (a line each) and the interrupt counts.
constexpr std::size_t maximumStatSize = 4 << 10;
constexpr std::size_t maximumStatusSize = 64 << 10;
constexpr std::size_t maximumSystemStatSize = 4 << 20;

std::optional<ProcessIdentity> identify(std::int32_t pid) {
    if (pid <= 0) return std::nullopt;
    const auto stat = readWholeFile(processFile(pid, "stat"), maximumStatSize);
    const auto fromStat = stat ? parseStatIdentity(*stat) : std::nullopt;
    if (!fromStat) return std::nullopt;
    const auto uid = realUID(pid);
    if (!uid) return std::nullopt;
    return ProcessIdentity{fromStat->pgid, *uid, fromStat->startTicks};
}

std::optional<std::uint32_t> realUID(std::int32_t pid) {
    if (pid <= 0) return std::nullopt;
    const auto status = readWholeFile(processFile(pid, "status"), maximumStatusSize);
    return status ? parseRealUID(*status) : std::nullopt;
}

std::optional<std::int64_t> bootTime() {
    const auto text = readWholeFile("/proc/stat", maximumSystemStatSize);
    return text ? parseBootTime(*text) : std::nullopt;
}

bool numbersProcessesAsWeDo() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self", error);
    return !error && self.string() == std::to_string(::getpid());
}

}  // namespace Platform::ProcFS
