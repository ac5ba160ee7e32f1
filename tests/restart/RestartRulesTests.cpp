// The rules of a restart without processes: which command lines get a plan, and how the tracker
// matches the relaunched server and ends or fails each restart.

#include <gtest/gtest.h>

#include "Core/Restart/RestartPlan.h"
#include "Core/Restart/RestartTracker.h"
#include "Platform/LoginShell.h"
#include "Platform/ProcessRunner.h"
#include "trackers/TrackerTestSupport.h"

namespace {

using ServerRestarter::plan;
using tracker_support::at;
using Kind = RestartEntry::Phase::Kind;

// The argument vector that ps shows as `line`: its words between single spaces.
std::vector<std::string> argumentsOf(std::string_view line) {
    std::vector<std::string> arguments;
    for (std::size_t space; (space = line.find(' ')) != std::string_view::npos; line.remove_prefix(space + 1))
        arguments.emplace_back(line.substr(0, space));
    arguments.emplace_back(line);
    return arguments;
}

TEST(RestartPlan, OnlyAPlainCommandLineInAnAbsoluteFolderGetsAPlanForAnAbsoluteShell) {
    const auto planFor = [](const std::optional<std::string>& line, const std::optional<std::string>& folder) {
        return plan(line, argumentsOf(line.value_or("")), folder, "/bin/sh");
    };
    EXPECT_EQ(
        plan("npm run dev -- --port=3000", argumentsOf("npm run dev -- --port=3000"), "/Users/a/shop", "/bin/zsh"),
        (ServerRestarter::Plan{
            "/bin/zsh", {"-l", "-c", "exec 'npm' 'run' 'dev' '--' '--port=3000'"}, "/Users/a/shop"}));
    // The arguments as the process has them: a space or a tilde inside one, an empty one.
    EXPECT_EQ(plan("node srv.js a b  ~/x", {"node", "srv.js", "a b", "", "~/x"}, "/w", "/bin/sh")->arguments.at(2),
              "exec 'node' 'srv.js' 'a b' '' '~/x'");
    // Unicode spaces and line separators around the command line are white space too.
    EXPECT_EQ(plan(" \t\xC2\xA0npm start\n\xE3\x80\x80\xE2\x80\xA8", {"npm", "start"}, "/", "/bin/sh")->arguments.at(2),
              "exec 'npm' 'start'");
    EXPECT_TRUE(planFor("x" + std::string(ServerRestarter::shellSafe), "/w").has_value());

    const std::pair<std::optional<std::string>, std::optional<std::string>> refused[] = {
        {"npm start", std::nullopt},
        {"npm start", ""},
        {"npm start", "~/shop"},
        {"npm start", "shop"},
        {"npm start", std::string("/w\0/etc", 7)},
        {std::nullopt, "/w"},
        {"", "/w"},
        {" \n\t", "/w"},
        {"\xC2\xA0", "/w"},
        {std::string("npm\0start", 9), "/w"},
    };
    for (const auto& [line, folder] : refused)
        EXPECT_FALSE(planFor(line, folder)) << line.value_or("(none)") << " in " << folder.value_or("(none)");
    // Anything the shell could read as syntax.
    for (std::string unsafe : {"'",    "\"",          "$HOME",        ";",   "&", "|", ">", "<", "*",
                               "?",    "[",           "\\",           "`",   "!", "#", "(", "{", "a\tb",
                               "a\nb", "caf\xC3\xA9", "\xE3\x80\x80", "\x01"})
        EXPECT_FALSE(planFor("npm run dev " + unsafe + " x", "/w")) << unsafe;
    // Arguments that are not the ones the command line shows: another process, or a line break that ps
    // shows as a space.
    EXPECT_FALSE(plan("npm start", {"npm", "stop"}, "/w", "/bin/sh"));
    EXPECT_FALSE(plan("npm start", {}, "/w", "/bin/sh"));
    EXPECT_FALSE(plan("srv l1 l2", {"srv", "l1\nl2"}, "/w", "/bin/sh"));

    setenv("SHELL", "/usr/local/bin/fish", 1);
    EXPECT_EQ(ServerRestarter::userShell(), "/usr/local/bin/fish");
    setenv("SHELL", "fish", 1);
    EXPECT_EQ(ServerRestarter::userShell(), Platform::defaultLoginShell());
    EXPECT_TRUE(Platform::defaultLoginShell().starts_with('/'));
}

DevServer server(std::int32_t pid, std::int32_t pgid, std::optional<std::string> cwd) {
    return {pid, pgid, {pid}, "node", {3000}, {}, 0, 0, {}, {}, std::move(cwd), {}, {}, {}};
}

class RestartTrackerTest : public tracker_support::MainThreadTest {
protected:
    // An entry for the server `originalPID` that was relaunched at `changedAt` as `spawned`.
    void relaunch(const std::string& id, double changedAt, std::int32_t spawned, std::int32_t originalPID) {
        RestartEntry entry;
        entry.id = id;
        entry.originalPID = originalPID;
        entry.priorPIDs = {originalPID, 500};
        entry.cwd = "/w/shop";
        ASSERT_TRUE(tracker->begin(entry));
        ASSERT_TRUE(tracker->shouldSpawn(id, at(changedAt)));
        ASSERT_TRUE(tracker->setSpawned(id, spawned));
    }
    std::shared_ptr<RestartTracker> tracker = RestartTracker::make();
};

// What the shell reads back from the quoted words is every argument as it was.
TEST(RestartPlan, TheShellReadsTheQuotedWordsBackAsTheExactArguments) {
    const std::vector<std::string> arguments = {"a b", "~/x", "", "it's", "$HOME", "*", "l1\nl2", "\\", "-"};
    const auto read = Platform::runProcess(
        {"/bin/sh", {"-c", "printf '[%s]' " + ServerRestarter::quotedForShell(arguments)}, std::chrono::seconds(10)});
    EXPECT_EQ(read.output, "[a b][~/x][][it's][$HOME][*][l1\nl2][\\][-]");
}

TEST_F(RestartTrackerTest, MatchesTheSpawnedGroupFirstThenANewPidInTheSameFolder) {
    RestartEntry entry;
    entry.cwd = "/w/shop";
    entry.priorPIDs = {500};
    entry.spawnedPID = 700;
    const DevProject shop{
        "shop", "/w/shop", {server(500, 500, "/w/shop"), server(80, 80, {}), server(810, 800, "/w/shop")}};
    EXPECT_EQ(RestartTracker::matchedServer(entry, {shop, {"o", "/o", {server(701, 700, "/o")}}})->pid, 701);
    EXPECT_EQ(RestartTracker::matchedServer(entry, {shop})->pid, 810) << "500 ran before the restart";
    EXPECT_FALSE(RestartTracker::matchedServer(entry, {{"s", "/w/shop", {server(500, 500, "/w/shop")}}}));
}

TEST_F(RestartTrackerTest, AScanEndsARelaunchWithATenSecondMarkOrFailsItAfterThirty) {
    relaunch("found", 1, 700, 100);
    relaunch("lost", 0, 701, 101);
    tracker->reconcile({{"other", "/w/other", {server(700, 700, "/w/other")}}}, at(30));
    EXPECT_EQ(tracker->recentlyRestarted(), (std::map<std::int32_t, Platform::Date>{{700, at(40)}}));
    ASSERT_EQ(tracker->entries().size(), 1u);
    EXPECT_EQ(tracker->entries()[0].phase.kind, Kind::relaunching) << "exactly 30 s is not yet too long";

    tracker->reconcile({}, at(30.5));
    EXPECT_EQ(tracker->entries()[0].phase, RestartEntry::Phase::failed("didn't come back"));
    tracker->reconcile({{"shop", "/w/shop", {server(701, 701, "/w/shop")}}}, at(40));
    EXPECT_TRUE(tracker->entries().empty()) << "a failed entry still ends when its server turns up";
    EXPECT_EQ(tracker->recentlyRestarted(), (std::map<std::int32_t, Platform::Date>{{701, at(50)}}));
}

}  // namespace
