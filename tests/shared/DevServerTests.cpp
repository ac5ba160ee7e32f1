#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <tuple>

#include "Shared/DevProject.h"
#include "Shared/DevServer.h"
#include "support/DevServers.h"
#include "support/TempHome.h"

namespace {

using testing_support::devServer;

TEST(DevServerTexts, MemoryAndUptimeFollowTheirThresholds) {
    using Text = std::optional<std::string> (DevServer::*)() const;
    const Text mem = &DevServer::memText, up = &DevServer::uptimeText;
    constexpr auto min = std::numeric_limits<std::int64_t>::min(), max = std::numeric_limits<std::int64_t>::max();
    const std::tuple<Text, std::int64_t, const char*> cases[] = {
        {mem, 0, "<1 MB"},
        {mem, 1048575, "<1 MB"},
        {mem, 1048576, "1 MB"},
        {mem, 1677722, "2 MB"},
        {mem, 1072693248, "1023 MB"},
        {mem, 1073322394, "1024 MB"},  // 1023.6 MB: below the GB threshold, rounded
        {mem, 1073741824, "1.0 GB"},
        {mem, 1610612736, "1.5 GB"},
        {mem, -1, "<1 MB"},
        {mem, min, "<1 MB"},
        {mem, max, "8589934592.0 GB"},
        {up, 0, "up <1m"},
        {up, 59, "up <1m"},
        {up, 60, "up 1m"},
        {up, 3599, "up 59m"},
        {up, 3600, "up 1h 0m"},
        {up, 86399, "up 23h 59m"},
        {up, 86400, "up 1d 0h"},
        {up, 400 * 86400 + 23 * 3600, "up 400d 23h"},
        {up, -1, "up <1m"},
        {up, min, "up <1m"}};  // clock skew reads as just started
    for (const auto& [text, value, expected] : cases) {
        DevServer measured = devServer(1);
        measured.rss = measured.uptimeSeconds = value;
        EXPECT_EQ((measured.*text)(), expected) << value;
    }
}

TEST(DevServerTexts, MemoryUsesAPointWhateverTheNumericLocale) {
    testing_support::TempDir folder;  // without an installed locale that writes a decimal comma, build one
    const std::string build = "localedef -i de_DE -f UTF-8 '" + (folder.path() / "de").string() + "' >/dev/null 2>&1";
    const bool active = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") ||
                        (std::system(build.c_str()) == 0 && setenv("LOCPATH", folder.path().c_str(), 1) == 0 &&
                         std::setlocale(LC_NUMERIC, "de"));
    DevServer measured = devServer(1);
    measured.rss = 1610612736;
    const auto text = measured.memText();
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    if (!active) GTEST_SKIP() << "no locale with a decimal comma available";
    EXPECT_EQ(text, "1.5 GB");
}

// Equality and hash cover every field (an absent optional differs from a present zero), identity is the pid.
TEST(DevServerIdentity, EqualityAndHashCoverEveryFieldWhileIdentityIsThePID) {
    const std::hash<DevServer> hash;
    const DevServer base = devServer(4242);
    DevServer busier = base, negativeZero = base, zero = base;
    busier.cpu = 12.5, negativeZero.cpu = -0.0, zero.rss = 0;
    EXPECT_TRUE(base != busier && base.id() == busier.id());
    EXPECT_TRUE(negativeZero == base && hash(negativeZero) == hash(base));
    EXPECT_NE(hash(base), hash(zero));
}

TEST(DevProject, PortsArePooledSortedAndDistinctAndPIDsCounted) {
    DevServer container = devServer(-7, {5432}), group = devServer(20, {443, 3000, 22});
    container.groupPIDs.clear();
    group.groupPIDs = {20, 21, 22};
    const DevProject project{"app", "/srv/app", {devServer(10, {3000, 5173}), container, group}};
    EXPECT_EQ(project.allPorts(), (std::vector<int>{22, 443, 3000, 5173, 5432}));
    EXPECT_EQ(project.totalPIDCount(), 4u);
}

}  // namespace
