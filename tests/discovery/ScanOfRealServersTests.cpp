// Real scans against real listening processes: Python servers started in folders of a temporary
// home, found by the real lsof and ps and grouped into projects; hidden and Library folders stay out
// unless their port is watched; a Docker tool that hangs costs only its containers, a hung lsof or ps
// the one scan; two scans at once run one after the other; a steady load reads steadily.

#include <gtest/gtest.h>

#include <future>
#include <latch>

#include "Core/Discovery/ProcessScanner.h"
#include "Core/Discovery/WorkingFolders.h"
#include "Core/Docker/DockerTool.h"
#include "Core/Restart/RestartReadiness.h"
#include "Platform/AtomicFile.h"
#include "Platform/SystemLog.h"
#include "Platform/ToolPaths.h"
#include "Platform/UserDefaults.h"
#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/Settings/FilterRules.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"

namespace fs = std::filesystem;
using namespace testing_support;
using Strings = std::vector<std::string>;

namespace {

// The projects by path, and their paths.
std::vector<DevProject> scanByPath() {
    auto projects = ProcessScanner::scan().value();
    std::ranges::sort(projects, {}, &DevProject::path);
    return projects;
}

Strings paths(const std::vector<DevProject>& projects) {
    Strings result;
    for (const auto& project : projects) result.push_back(project.path);
    return result;
}

// Burns a second and a half of CPU, then listens and sits idle in accept(): ps's CPU figure (an
// average over the process's life) stays well above zero, while its use between two scans is nil.
constexpr const char* burnThenIdle = R"(
import socket, sys, time
end = time.process_time() + 1.5
while time.process_time() < end: pass
server = socket.create_server(("127.0.0.1", int(sys.argv[1])))
while True: server.accept()[0].close()
)";

// Listens, and keeps its CPU time at a tenth of the time since it started, in slices of a few
// milliseconds: a steady 10 % of a core at any scale a scan can see.
constexpr const char* steadyTenthOfACore = R"(
import socket, sys, time
server = socket.create_server(("127.0.0.1", int(sys.argv[1])))
start, used = time.monotonic(), time.process_time()
while True:
    while time.process_time() - used < (time.monotonic() - start) * 0.1: pass
    time.sleep(0.005)
)";

// Forks a child for each (folder, name) pair of arguments after the first: it works in that folder
// under that name (any bytes) and sleeps. Once all of them are, their pids go to the file named first.
constexpr const char* namedSleepers = R"(
import ctypes, os, sys, time
libc = ctypes.CDLL(None)
ready, told = os.pipe()
pids = []
for folder, name in zip(sys.argv[2::2], sys.argv[3::2]):
    pid = os.fork()
    if pid == 0:
        os.chdir(os.fsencode(folder))
        libc.prctl(15, os.fsencode(name), 0, 0, 0)
        os.write(told, b".")
        time.sleep(600)
        os._exit(0)
    pids.append(pid)
count = 0
while count < len(pids): count += len(os.read(ready, 4096))
open(sys.argv[1] + ".part", "w").write(" ".join(map(str, pids)))
os.rename(sys.argv[1] + ".part", sys.argv[1])
time.sleep(600)
)";

// A server that gives itself a name of its own, as some frameworks' dev servers do (the kernel keeps
// 15 bytes of it).
constexpr const char* selfNamedServer = R"(
import ctypes, socket, sys
ctypes.CDLL(None).prctl(15, sys.argv[2].encode(), 0, 0, 0)
server = socket.create_server(("127.0.0.1", int(sys.argv[1])))
while True: server.accept()[0].close()
)";

std::string run(const char* tool, const Strings& arguments) {
    return ProcessScanner::runShell(tool, arguments, Platform::ToolPaths::timeLimit).text.value_or("");
}

class ScanOfRealServers : public testing::Test {
protected:
    void SetUp() override {
        if (!python3()) GTEST_SKIP() << "no python3";
        DockerScanner::Testing::setCLICandidates(Strings{});  // no Docker unless a test brings one
        if (apiPort < webPort) std::swap(webPort, apiPort);
        if (libraryPort < hiddenPort) std::swap(hiddenPort, libraryPort);
        for (const auto* folder :
             {"Development/shop/web", "Development/shop/api", "code/site", ".cache/x", "Library/y"})
            fs::create_directories(home.home() / folder);
        // Two servers started by one shell share its process group.
        shop = start("(cd Development/shop/web && exec " + server(webPort) + ") & (cd Development/shop/api && exec " +
                         server(apiPort) + ") & wait",
                     "");
        site = start("exec " + server(sitePort), "code/site");
        hidden = start("exec " + server(hiddenPort), ".cache/x");
        library = start("exec " + server(libraryPort), "Library/y");
        for (const int port : {webPort, apiPort, sitePort, hiddenPort, libraryPort})
            ASSERT_TRUE(waitUntil([&] { return acceptsConnections(port); }, std::chrono::seconds(60))) << port;
    }
    void TearDown() override { DockerScanner::Testing::setCLICandidates(std::nullopt); }

    static std::string server(int port) {
        return *python3() + " -m http.server " + std::to_string(port) + " --bind 127.0.0.1";
    }
    std::unique_ptr<ChildProcess> start(const std::string& script, const std::string& folder) const {
        return std::make_unique<ChildProcess>(Strings{"/bin/sh", "-c", script}, home.home() / folder);
    }
    std::string path(const char* relative) const { return (home.home() / relative).string(); }
    // A docker tool that runs `script`, and a file where the Docker socket is looked for.
    void useDocker(const std::string& script) const {
        std::ofstream(home.home() / "docker") << "#!/bin/sh\n" << script;
        fs::permissions(home.home() / "docker", fs::perms::owner_all);
        DockerScanner::Testing::setCLICandidates({{path("docker")}});
        fs::create_directories(home.home() / ".docker/run");
        std::ofstream(home.home() / ".docker/run/docker.sock").flush();
    }

    // The server `pid` of `group` as the scan must report it; the numbers that only the moment decides
    // (uptime, CPU, memory) are only checked for their range.
    void expectServer(const DevServer& actual, pid_t pid, const ChildProcess& group, std::vector<int> ports,
                      std::optional<std::string> cwd) const {
        EXPECT_TRUE(actual.uptimeSeconds.value_or(-1) >= 0 && actual.cpu >= 0 && actual.mem >= 0 && actual.rss > 0);
        EXPECT_FALSE(actual.keptAlive.value_or(false)) << "there is no launchd here";
        const auto keptAlive = cwd ? std::nullopt : actual.keptAlive;  // only background services have it
        const auto members = group.members();
        EXPECT_EQ(actual, (DevServer{pid,
                                     group.pid(),
                                     {members.begin(), members.end()},
                                     "python3",
                                     ports,
                                     actual.uptimeSeconds,
                                     actual.cpu,
                                     actual.mem,
                                     actual.rss,
                                     server(ports[0]),
                                     std::move(cwd),
                                     {},
                                     {},
                                     keptAlive}));
    }

    TempHome home;
    int webPort = freePort(), apiPort = freePort(), sitePort = freePort(), hiddenPort = freePort(),
        libraryPort = freePort();
    std::unique_ptr<ChildProcess> shop, site, hidden, library;
};

TEST_F(ScanOfRealServers, FindsTheProjectsBelowTheHomeAndWatchedPortsElsewhere) {
    auto projects = scanByPath();
    // Nothing else on the machine lies in this home, and the hidden and Library servers are out of scope.
    ASSERT_EQ(paths(projects), (Strings{path("Development/shop"), path("code/site")}));
    EXPECT_EQ(projects[0].name, "shop");
    ASSERT_EQ(projects[0].servers.size(), 1u) << "one process group, one server";
    const auto web = processesWhere([&](const ProcessInfo& p) { return p.cwd == path("Development/shop/web"); });
    ASSERT_EQ(web.size(), 1u);
    expectServer(projects[0].servers[0], web[0].pid, *shop, {webPort, apiPort}, path("Development/shop/web"));
    EXPECT_EQ(projects[0].servers[0].groupPIDs.size(), 3u) << "the shell and its two servers";
    EXPECT_EQ(projects[1].name, "site");
    ASSERT_EQ(projects[1].servers.size(), 1u);
    expectServer(projects[1].servers[0], site->pid(), *site, {sitePort}, path("code/site"));

    FilterRules rules;
    rules.watchedPorts = {hiddenPort, libraryPort};
    rules.save(Platform::UserDefaults::standard());
    projects = scanByPath();
    ASSERT_EQ(paths(projects), (Strings{path("Development/shop"), path("code/site"), "service://python3"}));
    EXPECT_EQ(projects[2].name, "python3");
    ASSERT_EQ(projects[2].servers.size(), 2u);
    // Out of scope: no folder is shown for them.
    expectServer(projects[2].servers[0], hidden->pid(), *hidden, {hiddenPort}, std::nullopt);
    expectServer(projects[2].servers[1], library->pid(), *library, {libraryPort}, std::nullopt);

    // A Docker tool that hangs costs only its containers.
    useDocker("exec sleep 120\n");
    Platform::LogCapture log;
    EXPECT_EQ(paths(scanByPath()), paths(projects));
    EXPECT_EQ(std::ranges::count(log.lines(), "Vellumark: docker ps timed out after 3s"), 1)
        << testing::PrintToString(log.lines());
}

// A hung lsof or ps fails the scan at the time limit instead of holding up every later scan: the
// tool and the helper it started are stopped, and the next scan finds the servers again.
TEST_F(ScanOfRealServers, AHungToolFailsTheScanAtItsTimeLimitAndTheNextScanFindsTheServersAgain) {
    const Strings found = paths(scanByPath());
    ASSERT_EQ(found.size(), 2u);
    for (const bool lsofHangs : {true, false}) {
        SCOPED_TRACE(lsofHangs ? "lsof" : "ps");
        std::optional<HangingTool> tool(std::in_place);
        ProcessScanner::Testing::setTools(lsofHangs ? std::optional(tool->path()) : std::nullopt,
                                          lsofHangs ? std::nullopt : std::optional(tool->path()));
        ProcessScanner::Testing::setTimeLimit(std::chrono::seconds(1));
        Platform::LogCapture log;
        auto scan = std::async(std::launch::async, [] { return ProcessScanner::scan(); });
        const bool returned = scan.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
        ProcessScanner::Testing::setTools(std::nullopt, std::nullopt);
        ProcessScanner::Testing::setTimeLimit(std::nullopt);
        if (!returned) {
            tool.reset();  // its end lets the scan go on
            FAIL() << "the scan is still waiting for the hung tool";
        }
        EXPECT_EQ(scan.get(), std::nullopt);
        const std::string arguments =
            lsofHangs ? " -nP -w -iTCP -sTCP:LISTEN -Fpn" : " -axwwo pid=,pgid=,pcpu=,pmem=,rss=,etime=,time=,command=";
        EXPECT_EQ(log.lines(), Strings{"Vellumark: shell timed out running " + tool->path() + arguments + " after 1s"});
        EXPECT_EQ(tool->started().size(), 2u) << "the scan ends at the first tool that hangs";
        EXPECT_TRUE(waitUntil([&] { return !tool->anyRunning(); })) << "the tool or its helper still runs";
        EXPECT_EQ(paths(scanByPath()), found);
    }
}

// lsof escapes such names in the C locale the tools run in; a home with an accent must keep its projects.
TEST_F(ScanOfRealServers, AHomeFolderWithAnAccentKeepsItsServersInScope) {
    const fs::path accentedHome = home.home() / "Andr\xC3\xA9";
    fs::create_directories(accentedHome / "Development/caf\xC3\xA9/web");
    const int port = freePort();
    const auto server = start("exec " + this->server(port), "Andr\xC3\xA9/Development/caf\xC3\xA9/web");
    ASSERT_TRUE(waitUntil([&] { return acceptsConnections(port); }, std::chrono::seconds(60)));
    setenv("HOME", accentedHome.c_str(), 1);  // TempHome puts the real one back

    const auto projects = scanByPath();
    ASSERT_EQ(paths(projects), Strings{(accentedHome / "Development/caf\xC3\xA9").string()});
    EXPECT_EQ(projects[0].name, "caf\xC3\xA9");
    EXPECT_EQ(projects[0].servers.at(0).cwd, (accentedHome / "Development/caf\xC3\xA9/web").string());
}

// lsof's name of a folder that is not UTF-8 reaches the list mended, naming no folder: its server is
// listed but offers no restart, which could only stop it. The server in a plain folder offers one.
TEST_F(ScanOfRealServers, AServerInAFolderWhoseNameIsNotUTF8IsListedButOffersNoRestart) {
    fs::create_directories(home.home() / "code/caf\xE9");
    const int port = freePort();
    const auto odd = start("exec " + server(port), "code/caf\xE9");
    ASSERT_TRUE(waitUntil([&] { return acceptsConnections(port); }, std::chrono::seconds(60)));
    std::optional<DevServer> oddFound, plainFound;
    for (const auto& project : scanByPath()) {
        for (const auto& found : project.servers) {
            if (found.pid == odd->pid()) oddFound = found;
            if (found.pid == site->pid()) plainFound = found;
        }
    }
    ASSERT_TRUE(oddFound && plainFound);
    EXPECT_NE(oddFound->cwd, (home.home() / "code/caf\xE9").string());
    EXPECT_FALSE(ServerRestarter::currentPlan(*oddFound));
    EXPECT_TRUE(ServerRestarter::currentPlan(*plainFound));
}

// The scan reads the listeners' folders from /proc instead of asking lsof for every process's. The
// text is lsof's, byte for byte, for the same processes: folder and process names with every byte
// they may hold, a folder that has been removed, one below a folder that may not be entered, and a
// process that has ended.
TEST_F(ScanOfRealServers, TheFoldersReadFromProcAreWhatLsofPrintsForTheSameProcesses) {
    std::string folderBytes, nameBytes;
    for (int byte = 1; byte < 256; ++byte) {
        if (byte != '/') folderBytes.push_back(static_cast<char>(byte));
        // lsof misreads a name with an unbalanced parenthesis (see the next test), and loses the
        // process altogether over a "(".
        if (byte != '(' && byte != ')') nameBytes.push_back(static_cast<char>(byte));
    }
    Strings arguments = {*python3(), "-c", namedSleepers, (home.home() / "pids").string()};
    const auto add = [&](const fs::path& folder, const std::string& name) {
        fs::create_directories(folder);
        arguments.insert(arguments.end(), {folder.string(), name});
    };
    add(home.home() / "code" / folderBytes, "plain");
    for (std::size_t at = 0; at < nameBytes.size(); at += 15)
        add(home.home() / "names" / std::to_string(at), nameBytes.substr(at, 15));
    add(home.home() / "code/x (deleted)", "a(b)c");
    add(home.home() / "code/removed", "removed");
    add(home.home() / "locked/inner", "locked");
    ChildProcess sleepers(arguments);
    ASSERT_TRUE(waitUntil([&] { return fs::exists(home.home() / "pids"); }, std::chrono::seconds(60)));
    std::vector<std::int32_t> pids;
    std::istringstream listed(Platform::readWholeFile(home.home() / "pids", 1 << 20).value_or(""));
    for (std::int32_t pid = 0; listed >> pid;) pids.push_back(pid);
    ASSERT_EQ(pids.size(), arguments.size() / 2 - 2);
    fs::remove(home.home() / "code/removed");
    fs::permissions(home.home() / "locked", fs::perms::none);
    ChildProcess ended({"true"});
    ASSERT_TRUE(ended.waitForExit(std::chrono::seconds(20)));
    pids.push_back(ended.pid());
    std::ranges::sort(pids);
    std::string pidList;
    for (const std::int32_t pid : pids) pidList += (pidList.empty() ? "" : ",") + std::to_string(pid);

    const std::string fromLsof = run(Platform::ToolPaths::lsof, {"-a", "-w", "-d", "cwd", "-p", pidList, "-Fpcn"});
    const std::string fromProc = WorkingFolders::asLsofText(pids);
    fs::permissions(home.home() / "locked", fs::perms::owner_all);
    // Three lines for each sleeper, none for the ended process.
    EXPECT_EQ(static_cast<std::size_t>(std::ranges::count(fromLsof, '\n')), 3 * (pids.size() - 1)) << fromLsof;
    EXPECT_EQ(fromProc, fromLsof);
}

// lsof reads a name from /proc/<pid>/stat, where it stands in parentheses, and cuts it at a ")"
// of its own: such a server was listed under the name's first piece. Read from /proc/<pid>/comm, the
// name is whole.
TEST_F(ScanOfRealServers, AServerWhoseNameHoldsAClosingParenthesisKeepsItsWholeName) {
    fs::create_directories(home.home() / "Development/api");
    const int port = freePort();
    ChildProcess named({*python3(), "-c", selfNamedServer, std::to_string(port), "api) worker"},
                       home.home() / "Development/api");
    ASSERT_TRUE(waitUntil([&] { return acceptsConnections(port); }, std::chrono::seconds(60)));
    const auto projects = scanByPath();
    ASSERT_EQ(paths(projects), (Strings{path("Development/api"), path("Development/shop"), path("code/site")}));
    ASSERT_EQ(projects[0].servers.size(), 1u);
    EXPECT_EQ(projects[0].servers[0].command, "api) worker");
    EXPECT_EQ(projects[0].servers[0].cwd, path("Development/api"));
}

// The projects found from the listeners' folders are those found from lsof's folders of every
// process: the servers here, one whose folder has been removed (the kernel names it "<folder>
// (deleted)", and so does lsof), and the watched ones outside the project folders.
TEST_F(ScanOfRealServers, TheListenersFoldersGiveTheProjectsThatEveryProcesssFoldersGave) {
    namespace Parsing = ProcessScannerParsing;
    fs::create_directories(home.home() / "code/gone");
    const int gonePort = freePort();
    const auto gone = start("exec " + server(gonePort), "code/gone");
    ASSERT_TRUE(waitUntil([&] { return acceptsConnections(gonePort); }, std::chrono::seconds(60)));
    fs::remove(home.home() / "code/gone");

    const auto ports =
        Parsing::parseListeningPorts(run(Platform::ToolPaths::lsof, {"-nP", "-w", "-iTCP", "-sTCP:LISTEN", "-Fpn"}));
    const auto table = Parsing::parsePS(
        run(Platform::ToolPaths::ps, {"-axwwo", "pid=,pgid=,pcpu=,pmem=,rss=,etime=,time=,command="}), ports);
    const std::string everyFolder = run(Platform::ToolPaths::lsof, {"-a", "-w", "-d", "cwd", "-c", "", "-Fpcn"});
    std::vector<std::int32_t> listeners;
    for (const auto& [pid, listened] : ports) listeners.push_back(pid);
    const std::string listenersFolders = WorkingFolders::asLsofText(listeners);
    const auto projectsFrom = [&](const std::string& folders) {
        auto projects = Parsing::buildProjects(Parsing::parseCWDs(folders, ports), ports, table, home.home().string(),
                                               path("Development"), ::getpid(), {}, {}, {hiddenPort, libraryPort});
        std::ranges::sort(projects, {}, &DevProject::path);
        return projects;
    };
    const auto projects = projectsFrom(listenersFolders);
    EXPECT_EQ(paths(projects),
              (Strings{path("Development/shop"), path("code/gone (deleted)"), path("code/site"), "service://python3"}));
    EXPECT_EQ(projects, projectsFrom(everyFolder));
}

// Run as root, lsof sees every user's listeners; the scan lists only the application's own user's,
// as it would see them without privileges.
TEST_F(ScanOfRealServers, AnotherUsersListenerIsNotListedEvenToRoot) {
    if (::getuid() != 0) GTEST_SKIP() << "only root can start a listener of another user (and see it with lsof)";
    fs::create_directories(home.home() / "Development/theirs");
    const int port = freePort();
    // Isolated (-I): the interpreter does not look into a folder it may not read.
    ChildProcess theirs({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", *python3(), "-I", "-m",
                         "http.server", std::to_string(port), "--bind", "127.0.0.1"},
                        home.home() / "Development/theirs");
    ASSERT_TRUE(waitUntil([&] { return acceptsConnections(port); }, std::chrono::seconds(60)));
    EXPECT_EQ(paths(scanByPath()), (Strings{path("Development/shop"), path("code/site")}));
}

// Every scan runs the docker tool while it holds the scan lock; this one takes a folder as its own
// lock and notes when it finds it taken. Each run lasts half a second, far longer than the moment
// between two scans started together.
TEST_F(ScanOfRealServers, TheSecondOfTwoSimultaneousScansMeasuresCPUSinceTheFirst) {
    fs::create_directories(home.home() / "Development/busy");
    const int port = freePort();
    ChildProcess busy({*python3(), "-c", burnThenIdle, std::to_string(port)}, home.home() / "Development/busy");
    ASSERT_TRUE(waitUntil([&] { return acceptsConnections(port); }, std::chrono::seconds(60)));
    const std::string state = home.home().string();
    useDocker("mkdir '" + state + "/running' 2>/dev/null || echo overlap >> '" + state + "/runs'\necho run >> '" +
              state + "/runs'\nsleep 0.5\nrmdir '" + state + "/running'\n");

    std::latch start(2);
    std::vector<DevProject> results[2];
    std::thread first([&] {
        start.arrive_and_wait();
        results[0] = ProcessScanner::scan().value();
    });
    std::thread second([&] {
        start.arrive_and_wait();
        results[1] = ProcessScanner::scan().value();
    });
    first.join();
    second.join();
    EXPECT_EQ(Platform::readWholeFile(home.home() / "runs", 1 << 20), "run\nrun\n");
    double cpu[2] = {-1, -1};
    for (int i = 0; i < 2; ++i)
        for (const auto& project : results[i])
            for (const auto& found : project.servers) cpu[i] = found.pid == busy.pid() ? found.cpu : cpu[i];
    // Whichever ran first knew no earlier time for this process and shows ps's lifetime average;
    // the other saw the first one's times and measured the idle time in between.
    EXPECT_GT(std::max(cpu[0], cpu[1]), 1.0);
    EXPECT_LT(std::min(cpu[0], cpu[1]), 0.5);
    EXPECT_GE(std::min(cpu[0], cpu[1]), 0) << "the server was found by both";
}

// ps prints CPU time in whole seconds: scans a second apart would read a steady 10 % as 0 % or
// 100 % by turns. The kernel's clock ticks give every reading its true share.
TEST_F(ScanOfRealServers, AServerUsingASteadyTenthOfACoreReadsSoInEveryScan) {
    fs::create_directories(home.home() / "Development/steady");
    const int port = freePort();
    ChildProcess steady({*python3(), "-c", steadyTenthOfACore, std::to_string(port)},
                        home.home() / "Development/steady");
    ASSERT_TRUE(waitUntil([&] { return acceptsConnections(port); }, std::chrono::seconds(60)));
    std::vector<double> readings;
    for (int scan = 0; scan < 5; ++scan) {
        const auto next = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        const auto projects = ProcessScanner::scan().value();
        for (const auto& project : projects)
            for (const auto& found : project.servers)
                if (found.pid == steady.pid()) readings.push_back(found.cpu);
        ASSERT_EQ(readings.size(), std::size_t(scan + 1)) << "the server was not found";
        waitUntil([&] { return std::chrono::steady_clock::now() >= next; });  // a second between scans
    }
    // The first scan knew no earlier time for the new process and shows ps's lifetime average.
    for (std::size_t i = 1; i < readings.size(); ++i)
        EXPECT_TRUE(readings[i] >= 5 && readings[i] <= 15) << testing::PrintToString(readings);
}

}  // namespace
