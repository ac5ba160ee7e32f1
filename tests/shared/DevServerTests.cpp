#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <unordered_set>

#include "Shared/DevProject.h"
#include "Shared/DevServer.h"
#include "support/TempHome.h"

namespace {

DevServer serverWith(std::optional<std::int64_t> rss, std::optional<std::int64_t> uptime) {
    DevServer server;
    server.pid = 4242;
    server.pgid = 4242;
    server.groupPIDs = {4242};
    server.command = "node";
    server.ports = {3000};
    server.rss = rss;
    server.uptimeSeconds = uptime;
    return server;
}

std::optional<std::string> memText(std::int64_t rss) { return serverWith(rss, std::nullopt).memText(); }
std::optional<std::string> uptimeText(std::int64_t seconds) {
    return serverWith(std::nullopt, seconds).uptimeText();
}

TEST(DevServerMemText, FollowsTheSizeThresholds) {
    EXPECT_EQ(memText(0), "<1 MB");
    EXPECT_EQ(memText(1048575), "<1 MB");
    EXPECT_EQ(memText(1048576), "1 MB");
    EXPECT_EQ(memText(1677722), "2 MB");  // 1.6 MB rounds to the nearest whole MB
    EXPECT_EQ(memText(1072693248), "1023 MB");
    EXPECT_EQ(memText(1073741824), "1.0 GB");
    EXPECT_EQ(memText(1610612736), "1.5 GB");
    EXPECT_EQ(memText(std::int64_t{10} * 1073741824), "10.0 GB");
}

TEST(DevServerMemText, JustBelowAGigabyteRoundsLikePrintf) {
    // 1023.6 MB is still below the GB threshold and "%.0f" rounds it up.
    EXPECT_EQ(memText(1073322394), "1024 MB");
}

TEST(DevServerMemText, NegativeOrHugeSizesStayReadable) {
    EXPECT_EQ(memText(-1), "<1 MB");
    EXPECT_EQ(memText(std::numeric_limits<std::int64_t>::min()), "<1 MB");
    EXPECT_EQ(memText(std::numeric_limits<std::int64_t>::max()), "8589934592.0 GB");
}

TEST(DevServerMemText, AbsentWithoutRSS) {
    EXPECT_FALSE(serverWith(std::nullopt, 60).memText().has_value());
}

// Switches LC_NUMERIC to a locale that writes a decimal comma, building one with localedef into a
// temporary folder when the machine has none installed; restores the C locale afterwards.
class CommaLocale {
public:
    CommaLocale() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (std::setlocale(LC_NUMERIC, name)) {
                active_ = true;
                return;
            }
        }
        const std::string command = "localedef -i de_DE -f UTF-8 '" + (folder_.path() / "de_DE.UTF-8").string() +
                                    "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return;
        setenv("LOCPATH", folder_.path().c_str(), 1);
        setLocPath_ = true;
        active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
    ~CommaLocale() {
        std::setlocale(LC_NUMERIC, "C");
        if (setLocPath_) unsetenv("LOCPATH");
    }
    bool active() const { return active_; }

private:
    testing_support::TempDir folder_;
    bool active_ = false;
    bool setLocPath_ = false;
};

TEST(DevServerMemText, UsesAPointWhateverTheNumericLocale) {
    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma available";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale switch did not take effect";
    EXPECT_EQ(memText(1610612736), "1.5 GB");
    EXPECT_EQ(memText(1048576), "1 MB");
}

TEST(DevServerUptimeText, FollowsTheDurationThresholds) {
    EXPECT_EQ(uptimeText(0), "up <1m");
    EXPECT_EQ(uptimeText(59), "up <1m");
    EXPECT_EQ(uptimeText(60), "up 1m");
    EXPECT_EQ(uptimeText(3599), "up 59m");
    EXPECT_EQ(uptimeText(3600), "up 1h 0m");
    EXPECT_EQ(uptimeText(7500), "up 2h 5m");
    EXPECT_EQ(uptimeText(86399), "up 23h 59m");
    EXPECT_EQ(uptimeText(86400), "up 1d 0h");
    EXPECT_EQ(uptimeText(90061), "up 1d 1h");
    EXPECT_EQ(uptimeText(3 * 86400 + 59 * 60), "up 3d 0h");
    EXPECT_EQ(uptimeText(400 * 86400 + 23 * 3600), "up 400d 23h");
}

TEST(DevServerUptimeText, ClockSkewReadsAsJustStarted) {
    EXPECT_EQ(uptimeText(-1), "up <1m");
    EXPECT_EQ(uptimeText(-100000), "up <1m");
    EXPECT_EQ(uptimeText(std::numeric_limits<std::int64_t>::min()), "up <1m");
}

TEST(DevServerUptimeText, AbsentWithoutUptime) {
    EXPECT_FALSE(serverWith(1048576, std::nullopt).uptimeText().has_value());
}

TEST(DevServerIdentity, EqualityCoversEveryFieldWhileIdentityIsThePID) {
    const DevServer base = serverWith(1048576, 60);
    DevServer busier = base;
    busier.cpu = 12.5;
    EXPECT_NE(base, busier);
    EXPECT_EQ(base.id(), busier.id());

    // Each field on its own makes a difference, including an optional going from absent to present.
    std::vector<DevServer> variants(14, base);
    variants[0].pid = 1;
    variants[1].pgid = 1;
    variants[2].groupPIDs = {4242, 4243};
    variants[3].command = "vite";
    variants[4].ports = {3000, 3001};
    variants[5].uptimeSeconds.reset();
    variants[6].cpu = 0.5;
    variants[7].mem = 0.5;
    variants[8].rss = 2;
    variants[9].commandLine = "node server.js";
    variants[10].cwd = "/srv/app";
    variants[11].containerID = "abc123";
    variants[12].containerName = "web";
    variants[13].keptAlive = false;
    for (std::size_t index = 0; index < variants.size(); ++index) {
        EXPECT_NE(variants[index], base) << "field " << index;
    }
}

TEST(DevServerIdentity, EqualValuesHashEqualAndFieldsSpreadTheHash) {
    const std::hash<DevServer> hash;
    DevServer first = serverWith(1048576, 60);
    first.commandLine = "node server.js";
    first.keptAlive = true;
    const DevServer copy = first;
    EXPECT_EQ(hash(first), hash(copy));

    DevServer negativeZero = first;
    negativeZero.cpu = -0.0;
    ASSERT_EQ(negativeZero, first);
    EXPECT_EQ(hash(negativeZero), hash(first));

    // Servers that differ in one field should land in a set as distinct entries with distinct hashes.
    std::unordered_set<std::size_t> hashes;
    std::unordered_set<DevServer> servers;
    for (int pid = 1; pid <= 200; ++pid) {
        DevServer server = first;
        server.pid = pid;
        hashes.insert(hash(server));
        servers.insert(server);
        servers.insert(server);
    }
    EXPECT_EQ(servers.size(), 200u);
    EXPECT_GT(hashes.size(), 190u);

    // An absent optional and a present zero are different values and should not collide.
    DevServer absent = first;
    absent.rss.reset();
    DevServer zero = first;
    zero.rss = 0;
    EXPECT_NE(hash(absent), hash(zero));
}

DevServer listening(std::int32_t pid, std::vector<int> ports, std::vector<std::int32_t> group) {
    DevServer server;
    server.pid = pid;
    server.pgid = pid;
    server.groupPIDs = std::move(group);
    server.command = "node";
    server.ports = std::move(ports);
    return server;
}

TEST(DevProjectDerived, AllPortsAreDistinctAndAscending) {
    DevProject project{"app", "/srv/app", {listening(10, {3000, 5173}, {10}), listening(11, {3000}, {11})}};
    EXPECT_EQ(project.allPorts(), (std::vector<int>{3000, 5173}));

    DevProject unordered{"app", "/srv/app", {listening(10, {8080}, {10}), listening(11, {443, 8080, 22}, {11})}};
    EXPECT_EQ(unordered.allPorts(), (std::vector<int>{22, 443, 8080}));

    EXPECT_TRUE((DevProject{"empty", "/srv/empty", {}}).allPorts().empty());
}

TEST(DevProjectDerived, TotalPIDCountSumsTheGroups) {
    DevProject project{"app", "/srv/app", {listening(10, {3000}, {10, 12, 13}), listening(20, {4000}, {20})}};
    EXPECT_EQ(project.totalPIDCount(), 4u);
    DevServer container = listening(-7, {5432}, {});
    EXPECT_EQ((DevProject{"db", "docker://db", {container}}).totalPIDCount(), 0u);
    EXPECT_EQ((DevProject{"empty", "/srv/empty", {}}).totalPIDCount(), 0u);
}

TEST(DevProjectIdentity, EqualityAndHashFollowEveryField) {
    const std::hash<DevProject> hash;
    const DevProject project{"app", "/srv/app", {listening(10, {3000}, {10})}};
    DevProject copy = project;
    EXPECT_EQ(project, copy);
    EXPECT_EQ(hash(project), hash(copy));
    EXPECT_EQ(project.id(), "/srv/app");

    copy.servers[0].cpu = 1;
    EXPECT_NE(project, copy);
    EXPECT_NE(hash(project), hash(copy));
    DevProject renamed = project;
    renamed.name = "other";
    EXPECT_NE(project, renamed);
    EXPECT_EQ(project.id(), renamed.id());
    DevProject reordered{"app", "/srv/app", {listening(11, {3001}, {11}), listening(10, {3000}, {10})}};
    DevProject ordered{"app", "/srv/app", {listening(10, {3000}, {10}), listening(11, {3001}, {11})}};
    EXPECT_NE(reordered, ordered);
}

}  // namespace
