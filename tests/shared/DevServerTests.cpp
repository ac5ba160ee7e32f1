#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "Shared/DevProject.h"
#include "Shared/DevServer.h"
#include "support/TempHome.h"

namespace {

constexpr auto int64Min = std::numeric_limits<std::int64_t>::min();
constexpr auto int64Max = std::numeric_limits<std::int64_t>::max();

DevServer server(std::int32_t pid, std::vector<int> ports = {3000}, std::optional<std::int64_t> rss = {},
                 std::optional<std::int64_t> uptime = {}) {
    DevServer server;
    server.pid = server.pgid = pid;
    server.groupPIDs = {pid};
    server.command = "node";
    server.ports = std::move(ports);
    server.rss = rss;
    server.uptimeSeconds = uptime;
    return server;
}

std::optional<std::string> memText(std::int64_t rss) { return server(1, {}, rss).memText(); }
std::optional<std::string> uptimeText(std::int64_t seconds) { return server(1, {}, {}, seconds).uptimeText(); }

TEST(DevServerTexts, MemoryFollowsTheSizeThresholds) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "<1 MB"}, {1048575, "<1 MB"}, {1048576, "1 MB"}, {1677722, "2 MB"}, {1072693248, "1023 MB"},
        {1073322394, "1024 MB"},  // 1023.6 MB is still below the GB threshold and rounds up
        {1073741824, "1.0 GB"}, {1610612736, "1.5 GB"}, {-1, "<1 MB"}, {int64Min, "<1 MB"},
        {int64Max, "8589934592.0 GB"}};
    for (const auto& [rss, text] : cases) EXPECT_EQ(memText(rss), text) << rss;
    EXPECT_FALSE(server(1).memText().has_value());
}

TEST(DevServerTexts, UptimeFollowsTheDurationThresholds) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "up <1m"}, {59, "up <1m"}, {60, "up 1m"}, {3599, "up 59m"}, {3600, "up 1h 0m"}, {7500, "up 2h 5m"},
        {86399, "up 23h 59m"}, {86400, "up 1d 0h"}, {90061, "up 1d 1h"}, {400 * 86400 + 23 * 3600, "up 400d 23h"},
        {-1, "up <1m"}, {int64Min, "up <1m"}};  // clock skew reads as just started
    for (const auto& [seconds, text] : cases) EXPECT_EQ(uptimeText(seconds), text) << seconds;
    EXPECT_FALSE(server(1).uptimeText().has_value());
}

TEST(DevServerTexts, MemoryUsesAPointWhateverTheNumericLocale) {
    testing_support::TempDir folder;
    bool active = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) active = active || std::setlocale(LC_NUMERIC, name);
    // Without an installed locale that writes a decimal comma, build one.
    const std::string build = "localedef -i de_DE -f UTF-8 '" + (folder.path() / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (!active && std::system(build.c_str()) == 0) {
        setenv("LOCPATH", folder.path().c_str(), 1);
        active = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
    char probe[16] = {};
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    const auto text = memText(1610612736);
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    if (!active) GTEST_SKIP() << "no locale with a decimal comma available";
    ASSERT_STREQ(probe, "1,5") << "the locale switch did not take effect";
    EXPECT_EQ(text, "1.5 GB");
}

TEST(DevServerIdentity, EqualityAndHashCoverEveryFieldWhileIdentityIsThePID) {
    const std::hash<DevServer> hash;
    const DevServer base = server(4242, {3000}, 1048576, 60);
    DevServer busier = base;
    busier.cpu = 12.5;
    EXPECT_NE(base, busier);
    EXPECT_EQ(base.id(), busier.id());

    DevServer negativeZero = base;
    negativeZero.cpu = -0.0;
    ASSERT_EQ(negativeZero, base);
    EXPECT_EQ(hash(negativeZero), hash(base));

    // An absent optional and a present zero are different values and should not collide.
    DevServer absent = base, zero = base;
    absent.rss.reset();
    zero.rss = 0;
    EXPECT_NE(hash(absent), hash(zero));
}

TEST(DevProject, DerivedValues) {
    const DevProject project{"app", "/srv/app", {server(10, {3000, 5173}), server(11, {3000}), server(12, {443, 8080, 22})}};
    EXPECT_EQ(project.allPorts(), (std::vector<int>{22, 443, 3000, 5173, 8080}));
    EXPECT_EQ(project.id(), "/srv/app");
    DevProject busier = project;
    busier.servers[2].cpu = 1;
    EXPECT_NE(std::hash<DevProject>{}(busier), std::hash<DevProject>{}(project));
    DevServer container = server(-7, {5432});
    container.groupPIDs.clear();
    DevServer group = server(20);
    group.groupPIDs = {20, 21, 22};
    EXPECT_EQ((DevProject{"mixed", "/srv/mixed", {container, group}}).totalPIDCount(), 3u);

    const DevProject empty{"empty", "/srv/empty", {}};
    EXPECT_TRUE(empty.allPorts().empty());
    EXPECT_EQ(empty.totalPIDCount(), 0u);
}

}  // namespace
