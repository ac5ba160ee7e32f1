// Output captured on Linux from lsof 4.95 and procps-ng 4.0.2 while Python HTTP servers listened:
// a process group 8664 (a shell started two servers: 8675 on 127.0.0.1:43117 in
// /tmp/h5cap/Development/shop/web and 8674 on 127.0.0.1:43119 in .../shop/api), 8666 on [::1]:43118 in
// /tmp/h5cap/code/site, 8668 on 43120 in /tmp/h5cap/.cache/tool and 8670 on the ephemeral port 50123.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Shared/Scan/ProcessScannerParsing.h"

using namespace ProcessScannerParsing;

namespace {

std::string fixture(const char* name) {
    std::ifstream file(std::string(VELLUMARK_TEST_FIXTURES) + "/scan/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    EXPECT_FALSE(text.str().empty()) << name;
    return text.str();
}

const std::string home = "/tmp/h5cap";

}  // namespace

TEST(RealToolOutput, groupsTheCapturedServersIntoProjects) {
    const auto cwds = parseCWDs(fixture("lsof-cwd.txt"));
    const auto ports = parseListeningPorts(fixture("lsof-listen.txt"));
    EXPECT_EQ(ports, (ListeningPorts{{8666, {43118}}, {8668, {43120}}, {8674, {43119}}, {8675, {43117}}}));
    const auto table = parsePS(fixture("ps.txt"));
    EXPECT_EQ(table.size(), 31u);  // every captured line
    EXPECT_EQ(table.at(8675).commandLine,
              "/root/.pyenv/versions/3.11.7/bin/python3 -m http.server 43117 --bind 127.0.0.1");
    const auto projects = buildProjects(cwds, ports, table, home, home + "/Development", 1, {}, {}, {});
    ASSERT_EQ(projects.size(), 2u);                           // the hidden folder's server is out of scope
    EXPECT_EQ(projects[0].path, home + "/Development/shop");  // more CPU than site
    ASSERT_EQ(projects[0].servers.size(), 1u);
    const auto& shop = projects[0].servers[0];
    EXPECT_EQ(std::tie(shop.pid, shop.uptimeSeconds, shop.cwd), std::tuple(8675, 2, home + "/Development/shop/web"));
    EXPECT_EQ(shop.ports, (std::vector<int>{43117, 43119}));
    EXPECT_EQ(shop.groupPIDs, (std::vector<std::int32_t>{8664, 8671, 8672, 8674, 8675}));
    EXPECT_EQ(shop.rss, (3164 + 1880 + 1880 + 21232 + 21240) * 1024LL);
    EXPECT_DOUBLE_EQ(shop.cpu, 3.3 + 2.9);
    EXPECT_EQ(projects[1].path, home + "/code/site");

    const auto watched = buildProjects(cwds, ports, table, home, home + "/Development", 1, {}, {}, {43120});
    ASSERT_EQ(watched.size(), 3u);
    EXPECT_EQ(watched[1].path, "service://python3");  // 4.3 % CPU, between shop and site
    EXPECT_EQ(std::tie(watched[1].servers[0].pid, watched[1].servers[0].cwd), std::tuple(8668, std::nullopt));
}
