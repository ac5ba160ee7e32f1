// The rules about folders: a folder and what lies below it, the home folder shown as a tilde, and
// which folders "Also watch" refuses.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Shared/PathPrefix.h"
#include "Shared/Settings/FilterRules.h"

namespace {

// Only one trailing slash is dropped: "/a/b//" names "/a/b/", which "/a/b" does not reach; "" and "/" match nothing.
TEST(PathPrefix, TheFolderAndWhatLiesBelowItUpToOneTrailingSlash) {
    struct Case {
        const char* path;
        const char* folder;
        bool matches;
    };
    for (const Case& c : {Case{"/a/b", "/a/b", true},
                          {"/a/b/c/d", "/a/b", true},
                          {"/a/b/", "/a/b", true},
                          {"/a/b/c", "/a/b/", true},
                          {"/a", "/a/b", false},
                          {"/x/a/b", "/a/b", false},
                          {"/a/bc", "/a/b", false},
                          {"/a/bc", "/a/b/", false},
                          {"/opt/Work", "/opt/work", false},
                          {"/a/b", "/a/b//", false},
                          {"", "", false},
                          {"/a", "", false},
                          {"/", "/", false},
                          {"/a", "/", false}}) {
        EXPECT_EQ(hasPathPrefix(c.path, c.folder), c.matches) << c.path << " in " << c.folder;
    }
}

TEST(PathPrefix, OnlyTheHomeFolderItselfAndWhatLiesBelowItAreShortenedToATilde) {
    EXPECT_EQ(abbreviatingHome("/home/alice", "/home/alice"), "~");
    EXPECT_EQ(abbreviatingHome("/home/alice/", "/home/alice"), "~/");
    EXPECT_EQ(abbreviatingHome("/home/alice/Development/shop", "/home/alice/"), "~/Development/shop");
    EXPECT_EQ(abbreviatingHome("/home/alicebob/x", "/home/alice"), "/home/alicebob/x");
    EXPECT_EQ(abbreviatingHome("/srv/app", "/home/alice"), "/srv/app");
    EXPECT_EQ(abbreviatingHome("/srv/app", "/"), "/srv/app");
    EXPECT_EQ(abbreviatingHome("/srv/app", ""), "/srv/app");
}

using Rejection = FilterRules::IncludeRejection;

// The first test that applies decides: agent folders, then Library, then hidden, then inside home.
TEST(IncludeRejection, AgentThenLibraryThenHiddenThenInsideHome) {
    const std::string home = "/home/dev";
    const std::pair<std::string, std::optional<Rejection>> cases[] = {
        {home + "/Library/LaunchAgents", Rejection::agentFolder},
        {"/Library/LaunchDaemons", Rejection::agentFolder},
        {"/opt/.hidden/LaunchAgents", Rejection::agentFolder},
        {"/opt/LaunchAgents/", Rejection::agentFolder},
        {"/opt/LaunchAgentsOld", std::nullopt},
        {"/opt/LaunchAgents/jobs", std::nullopt},
        {"/Library/", Rejection::libraryFolder},
        {"/System/Library/CoreServices", Rejection::libraryFolder},
        {home + "/Library/Application Support/.x", Rejection::libraryFolder},
        {"/Library2", std::nullopt},
        {"/opt/Library", std::nullopt},
        {"/opt/.cache/x", Rejection::hiddenFolder},
        {home + "/.nvm", Rejection::hiddenFolder},
        {"/opt/work/..", Rejection::hiddenFolder},
        {"/opt/x.y/z.", std::nullopt},
        {home, Rejection::insideHome},
        {home + "/code", Rejection::insideHome},
        {home + "2/code", std::nullopt},
        {"/home", std::nullopt},
    };
    for (const auto& [folder, expected] : cases) {
        EXPECT_EQ(FilterRules::includeRejection(folder, home), expected) << folder;
        EXPECT_EQ(FilterRules::includeRejection(folder, home + "/"), expected) << folder << " with home/";
    }
}

}  // namespace
