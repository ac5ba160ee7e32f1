#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Shared/Settings/FilterRules.h"

namespace {

using Rejection = FilterRules::IncludeRejection;

// The first test that applies decides: agent folders, then Library, then hidden, then inside home.
TEST(IncludeRejection, AgentThenLibraryThenHiddenThenInsideHome) {
    const std::string home = "/home/dev";
    const std::pair<std::string, std::optional<Rejection>> cases[] = {
        {home + "/Library/LaunchAgents", Rejection::agentFolder}, {"/Library/LaunchDaemons", Rejection::agentFolder},
        {"/opt/.hidden/LaunchAgents", Rejection::agentFolder}, {"/opt/LaunchAgents/", Rejection::agentFolder},
        {"/opt/LaunchAgentsOld", std::nullopt}, {"/opt/LaunchAgents/jobs", std::nullopt},
        {"/Library/", Rejection::libraryFolder}, {"/System/Library/CoreServices", Rejection::libraryFolder},
        {home + "/Library/Application Support/.x", Rejection::libraryFolder}, {"/Library2", std::nullopt},
        {"/opt/Library", std::nullopt}, {"/opt/.cache/x", Rejection::hiddenFolder},
        {home + "/.nvm", Rejection::hiddenFolder}, {"/opt/work/..", Rejection::hiddenFolder},
        {"/opt/x.y/z.", std::nullopt}, {home, Rejection::insideHome}, {home + "/code", Rejection::insideHome},
        {home + "2/code", std::nullopt}, {"/home", std::nullopt},
    };
    for (const auto& [folder, expected] : cases) {
        EXPECT_EQ(FilterRules::includeRejection(folder, home), expected) << folder;
        EXPECT_EQ(FilterRules::includeRejection(folder, home + "/"), expected) << folder << " with home/";
    }
}

}  // namespace
