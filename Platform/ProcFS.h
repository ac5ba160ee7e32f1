#pragma once
// What the kernel's /proc says about a process: its group, its real user and when it started, and
// when the machine booted. The parsers take the files' text and never fail on odd text (they give
// no value); the readers read the files. Linux; any thread; no state.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace Platform::ProcFS {

// The fields of /proc/<pid>/stat after the command name, so that element 0 is field 3 (the state)
// and element n is field n + 3. The name in field 2 may hold spaces and parentheses, so fields are
// counted after the last ")". Empty for text without one.
std::vector<std::string_view> statFields(std::string_view text);

// Plain decimal digits as the kernel writes its counters: no sign, no space, fits 64 bits.
std::optional<std::uint64_t> parseCounter(std::string_view text);

// From the text of /proc/<pid>/stat.
struct StatIdentity {
    std::int32_t pgid = 0;         // field 5
    std::uint64_t startTicks = 0;  // field 22: clock ticks after boot
};
std::optional<StatIdentity> parseStatIdentity(std::string_view text);

// The real user id: the first number of the "Uid:" line of /proc/<pid>/status.
std::optional<std::uint32_t> parseRealUID(std::string_view statusText);

// The "btime" line of /proc/stat: when the machine booted, in whole seconds since 1970 (the kernel
// truncates it).
std::optional<std::int64_t> parseBootTime(std::string_view procStatText);

// A process as the kernel describes it now.
struct ProcessIdentity {
    std::int32_t pgid = 0;
    std::uint32_t realUID = 0;
    std::uint64_t startTicks = 0;
};
// None when the process has gone (or is not visible) or its files do not read as expected.
std::optional<ProcessIdentity> identify(std::int32_t pid);
std::optional<std::uint32_t> realUID(std::int32_t pid);
std::optional<std::int64_t> bootTime();

// Whether /proc numbers processes as this process does: not so inside a PID namespace that kept the
// /proc of the one outside, where /proc/<pid> would describe some other process of that number.
bool numbersProcessesAsWeDo();

}  // namespace Platform::ProcFS
