#pragma once
// The pure half of discovery: turns the text that lsof and ps print into records, decides which
// listening processes are development servers and which project folder each belongs to, applies the
// user's filter rules and orders projects. No state and no I/O, so every function may run on any
// thread. Any text is accepted: malformed lines are skipped one by one, nothing throws.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/DevProject.h"
#include "Shared/FlatMap.h"
#include "Shared/PathPrefix.h"
#include "Shared/SortMode.h"

struct FilterRules;

namespace ProcessScannerParsing {

// One process as `lsof -d cwd -Fpcn` reports it.
struct CWDEntry {
    std::string command;  // short command name
    std::string cwd;      // working directory
    bool operator==(const CWDEntry&) const = default;
};

// One line of the process table.
struct PSEntry {
    std::int32_t pgid = 0;
    double cpu = 0;        // percent
    double mem = 0;        // percent
    std::int64_t rss = 0;  // kilobytes, as ps reports it
    std::optional<std::int64_t> uptimeSeconds;
    std::optional<double> cpuTimeSeconds;
    std::optional<std::string> commandLine;
    bool operator==(const PSEntry&) const = default;
};

// By pid. A table holds every process of the machine, so it is one sorted vector (FlatMap).
using WorkingDirectories = FlatMap<std::int32_t, CWDEntry>;
using ProcessTable = FlatMap<std::int32_t, PSEntry>;
// Ordered by pid so that building projects visits listeners the same way on every run; every scan
// walks it several times, so it too is one sorted vector.
using ListeningPorts = FlatMap<std::int32_t, std::set<int>>;
// Accumulated CPU seconds per pid, kept by the scanner from one scan to the next.
using CPUTimes = FlatMap<std::int32_t, double>;

// ---- Tool output ----------------------------------------------------------------------------------

// Output of `lsof -a -w -d cwd -Fpcn`, or text in its form: "p<pid>", "c<command>", "n<folder>"
// lines. The command and folder are lsof's escaped text decoded back to their bytes
// (ScanText::decodeLsofEscapes), so a folder such as "Développement" reads as itself; any byte
// sequence of them that is not UTF-8 then becomes U+FFFD, as in the rest of the tool output.
WorkingDirectories parseCWDs(std::string_view text);

// Output of `ps -axwwo pid=,pgid=,pcpu=,pmem=,rss=,etime=,time=,command=`. A later line for the
// same pid replaces an earlier one.
ProcessTable parsePS(std::string_view text);

// Elapsed time [[dd-]hh:]mm:ss in seconds. No value for anything else, and none when the result
// does not fit in 64 bits (real ps output never comes close).
std::optional<std::int64_t> parseETime(std::string_view text);

// CPU time [dd-][hh:]mm:ss[.fraction] in seconds; a decimal comma is accepted. Only finite values.
std::optional<double> parseCPUTime(std::string_view text);

// Output of `lsof -nP -w -iTCP -sTCP:LISTEN -Fpn`: ports per pid, taken after the last ":" of each
// address. Ports of the dynamic/private range (49152 and up), taken as helpers' rather than servers',
// and values that are no TCP port are left out.
ListeningPorts parseListeningPorts(std::string_view text);

// The two tables as a scan reads them. Of the tens of thousands of processes of a busy machine only
// the listening ones reach a server: their folders and names, and the command line of one of them
// (a server shows its representative's, and the representative listens). Only those texts are
// decoded and copied; buildProjects gives the same projects with these tables as with the full ones.
// parseCWDs with the listeners' entries only.
WorkingDirectories parseCWDs(std::string_view text, const ListeningPorts& listeners);
// parsePS with the listeners' command lines only; every other entry has none.
ProcessTable parsePS(std::string_view text, const ListeningPorts& listeners);

// Each process's CPU seconds so far, as the next scan's withInstantCPU needs them.
CPUTimes cpuTimes(const ProcessTable& table);

// Replaces each entry's ps CPU percent (an average over the process's whole life) by its use since
// the previous scan: CPU seconds spent since then over `wallDelta` wall seconds. A result that is
// negative (pid reused) or not finite gives 0. With `wallDelta` not above 0, `stats` is returned as is.
ProcessTable withInstantCPU(ProcessTable stats, const CPUTimes& previous, double wallDelta);

// ---- Exact CPU time ---------------------------------------------------------------------------------
// procps prints the CPU time in whole seconds, so at a scan every 5 seconds a server using a steady
// 10 % of a core would read 0 % and 20 % by turns. On Linux the kernel counts it in clock ticks, read
// for the few processes that make up servers.

// User plus system time (fields 14 and 15) in clock ticks, from the text of /proc/<pid>/stat. The
// command name in field 2 may hold spaces and parentheses, so fields are counted after the last
// ")". None for text of any other shape.
std::optional<std::uint64_t> parseProcStatCPUTicks(std::string_view text);

// The processes whose CPU counts towards a server: every member of a process group in which a
// process listens, by ascending pid. A listener missing from the table leads a group of its own.
std::vector<std::int32_t> listeningGroupMembers(const ProcessTable& table, const ListeningPorts& listeners);

// withInstantCPU once more, from the exact times, for the processes that this scan and the previous
// one both have an exact time for; every other entry stays as it is. Mixing the sources in one
// difference would count ps's truncation (up to a second) as use.
ProcessTable withExactInstantCPU(ProcessTable stats, const CPUTimes& exact, const CPUTimes& previousExact,
                                 double wallDelta);

// ---- Whose processes -------------------------------------------------------------------------------
// A scan lists only the user's own processes, as lsof does without privileges: run as root, lsof
// and ps see every user's.

// Real user id by pid.
using ProcessOwners = FlatMap<std::int32_t, std::uint32_t>;

// The listeners whose real user is `uid`; one whose owner is unknown (mostly: it ended during the
// scan) goes too.
ListeningPorts ownListeners(ListeningPorts listeners, const ProcessOwners& owners, std::uint32_t uid);

// The table without the processes whose real user is known to be another than `uid`, so that no other
// user's process joins a server's group; processes whose owner was not looked up stay.
ProcessTable withoutOthersProcesses(ProcessTable table, const ProcessOwners& owners, std::uint32_t uid);

// ---- Scope and grouping ---------------------------------------------------------------------------

// The one folder-containment rule of the system (Shared/PathPrefix.h), under this namespace too.
using ::hasPathPrefix;

// Whether the path lies in or under any of the folders, by hasPathPrefix.
bool liesInAny(std::string_view path, const std::vector<std::string>& folders);

// Whether a working directory lies in the user's project folders: strictly below the home folder,
// or in an included folder; never "/", the home Library folder, a path with a component beginning
// with "." or an excluded folder (these win over included folders).
bool isInScope(std::string_view cwd, std::string_view home, const std::vector<std::string>& excludedFolders,
               const std::vector<std::string>& includedFolders);

struct ProjectIdentity {
    std::string name;
    std::string path;
    bool operator==(const ProjectIdentity&) const = default;
};

// Anything inside <devFolder>/<name> belongs to that project; any other folder is a project of its
// own, named by its last component.
ProjectIdentity projectIdentity(std::string_view cwd, std::string_view devFolder);

// The same identity without copies, for the grouping, which asks for every server: both texts are
// pieces of `cwd`, but for a path with more "/"s after the development folder, built in `storage`.
struct ProjectIdentityView {
    std::string_view name;
    std::string_view path;
};
ProjectIdentityView projectIdentityView(std::string_view cwd, std::string_view devFolder, std::string& storage);

// Turns listening processes into servers (one per process group, summing CPU, memory and resident
// size over every process of the group) and servers into projects. Listeners outside the project
// folders appear only when one of their ports is watched, in a "service://<command>" project.
// `stats` is the process table with instant CPU. Servers are in orderServers' order (their ports
// ascend, so the first is the lowest), projects in the activity order.
std::vector<DevProject> buildProjects(const WorkingDirectories& cwds, const ListeningPorts& listeners,
                                      const ProcessTable& stats, std::string_view home, std::string_view devFolder,
                                      std::int32_t selfPID, const std::vector<std::string>& excludedFolders,
                                      const std::vector<std::string>& includedFolders,
                                      const std::set<std::int64_t>& watchedPorts);

// ---- Filters and order ----------------------------------------------------------------------------

// Orders one project's servers by first port ascending (a server without ports after every other),
// then pid ascending. Stable: servers equal in both keep their order.
void orderServers(std::vector<DevServer>& servers);

// Removes ignored ports (a server left without ports goes), servers with any hidden "<command>:<port>"
// key (ignored ports count too) and projects left empty. Empty rules return the input unchanged.
std::vector<DevProject> applyFilters(std::vector<DevProject> projects, const FilterRules& rules);

// Stable sort by the mode's keys (totals are sums over the project's servers):
//   activity: CPU descending, name, path     project: name, path
//   port:     lowest port (none last), name, path
//   cpu:      CPU descending, name           memory: memory descending, name
//   uptime:   maxUptime descending, name
// A sum that is not a number ranks below every number.
std::vector<DevProject> sorted(std::vector<DevProject> projects, SortMode mode);

// The largest uptime among the project's servers; -1 when none has one.
std::int64_t maxUptime(const DevProject& project);

// Test seams; the application never calls these.
namespace Testing {
// parsePS reads a line in the plain form ps writes in one pass, and any other line column by column.
// The one-pass reading of a line: none when it is not in the plain form. The column-by-column
// reading: none when the line is no ps line. Where the first gives a row, the second gives the same.
std::optional<ProcessTable::value_type> readPlainPSLine(std::string_view line);
std::optional<ProcessTable::value_type> readGeneralPSLine(std::string_view line);
}  // namespace Testing

}  // namespace ProcessScannerParsing
