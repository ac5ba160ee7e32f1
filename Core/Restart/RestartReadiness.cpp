#include "Core/Restart/RestartReadiness.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "Platform/ProcessCommand.h"
#include "Platform/ProgramLookup.h"

namespace ServerRestarter {
namespace {

bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// The PATH the process was started with; ours when it had none (the C library's default after that).
std::string searchPathOf(std::int32_t pid) {
    if (auto path = Platform::ProcessCommand::environmentVariable(pid, "PATH")) return *path;
    const char* ours = std::getenv("PATH");
    return ours ? ours : "/bin:/usr/bin";
}

}  // namespace

// The arguments are read here rather than kept from the scan: the process still runs when the panel
// offers the restart and when the restart stops it, so they are its own and current (a process may
// change its title after the scan), and the snapshot file keeps its form.
std::optional<Plan> currentPlan(const DevServer& server) {
    if (server.containerID || server.pid <= 0) return std::nullopt;
    const auto arguments = Platform::ProcessCommand::arguments(server.pid);
    if (!arguments) return std::nullopt;
    std::optional<Plan> made = plan(server.commandLine, *arguments, server.cwd, userShell());
    if (!made || !isFolder(made->workingDirectory) || !Platform::isExecutableFile(made->shell)) return std::nullopt;
    const auto program = Platform::findProgram(arguments->front(), searchPathOf(server.pid), made->workingDirectory);
    if (!program || !Platform::ProcessCommand::executes(server.pid, *program)) return std::nullopt;
    return made;
}

}  // namespace ServerRestarter
