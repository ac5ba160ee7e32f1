#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Shared/Settings/FilterRules.h"

namespace {

using Rejection = FilterRules::IncludeRejection;

const std::string home = "/home/dev";

std::optional<Rejection> rejection(const std::string& folder, const std::string& homeFolder = home) {
    return FilterRules::includeRejection(folder, homeFolder);
}

TEST(IncludeRejection, AgentFoldersComeFirst) {
    EXPECT_EQ(rejection(home + "/Library/LaunchAgents"), Rejection::agentFolder);
    EXPECT_EQ(rejection("/Library/LaunchDaemons"), Rejection::agentFolder);
    EXPECT_EQ(rejection("/opt/.hidden/LaunchAgents"), Rejection::agentFolder);
    EXPECT_EQ(rejection(home + "/code/LaunchAgents"), Rejection::agentFolder);
    EXPECT_EQ(rejection("/opt/LaunchAgents/"), Rejection::agentFolder);
    EXPECT_EQ(rejection("/opt/LaunchAgentsOld"), std::nullopt);
    EXPECT_EQ(rejection("/opt/LaunchAgents/jobs"), std::nullopt);
    EXPECT_EQ(rejection("/opt/launchagents"), std::nullopt);
}

TEST(IncludeRejection, LibraryFoldersAndBelow) {
    EXPECT_EQ(rejection("/Library/WebServer"), Rejection::libraryFolder);
    EXPECT_EQ(rejection("/Library"), Rejection::libraryFolder);
    EXPECT_EQ(rejection("/Library/"), Rejection::libraryFolder);
    EXPECT_EQ(rejection("/System/Library/CoreServices"), Rejection::libraryFolder);
    EXPECT_EQ(rejection(home + "/Library"), Rejection::libraryFolder);
    EXPECT_EQ(rejection(home + "/Library/Application Support/.x"), Rejection::libraryFolder);
    EXPECT_EQ(rejection("/Library2"), std::nullopt);
    EXPECT_EQ(rejection("/System/Libraryish"), std::nullopt);
    EXPECT_EQ(rejection("/System"), std::nullopt);
    EXPECT_EQ(rejection("/opt/Library"), std::nullopt);
}

TEST(IncludeRejection, HiddenComponents) {
    EXPECT_EQ(rejection("/opt/.cache/x"), Rejection::hiddenFolder);
    EXPECT_EQ(rejection("/.config"), Rejection::hiddenFolder);
    EXPECT_EQ(rejection(home + "/.nvm"), Rejection::hiddenFolder) << "hidden is tested before inside home";
    EXPECT_EQ(rejection("/opt/work/.."), Rejection::hiddenFolder);
    EXPECT_EQ(rejection("/opt//.x/"), Rejection::hiddenFolder);
    EXPECT_EQ(rejection("/opt/x.y/z."), std::nullopt);
}

TEST(IncludeRejection, InsideHome) {
    EXPECT_EQ(rejection(home), Rejection::insideHome);
    EXPECT_EQ(rejection(home + "/"), Rejection::insideHome);
    EXPECT_EQ(rejection(home + "/code"), Rejection::insideHome);
    EXPECT_EQ(rejection(home + "2/code"), std::nullopt);
    EXPECT_EQ(rejection("/home"), std::nullopt);
}

TEST(IncludeRejection, FoldersOutsideHomeMayBeAdded) {
    EXPECT_EQ(rejection("/opt/work"), std::nullopt);
    EXPECT_EQ(rejection("/srv/app/"), std::nullopt);
    EXPECT_EQ(rejection("/Volumes/External/site"), std::nullopt);
}

TEST(IncludeRejection, ATrailingSlashOnTheHomeFolderChangesNothing) {
    for (const std::string& folder : std::vector<std::string>{home + "/Library/LaunchAgents", "/Library/WebServer", home + "/Library/Caches", "/opt/.cache/x", home,
          home + "/code", "/opt/work", home + "2"}) {
        EXPECT_EQ(rejection(folder, home + "/"), rejection(folder, home)) << folder;
    }
}

}  // namespace
