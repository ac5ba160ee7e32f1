#include <gtest/gtest.h>

#include "Shared/PathPrefix.h"

namespace {

TEST(PathPrefix, FolderItselfAndEverythingBelowIt) {
    EXPECT_TRUE(hasPathPrefix("/a/b", "/a/b"));
    EXPECT_TRUE(hasPathPrefix("/a/b/c", "/a/b"));
    EXPECT_TRUE(hasPathPrefix("/a/b/c/d/e", "/a/b"));
    EXPECT_TRUE(hasPathPrefix("/a/b/", "/a/b"));
    EXPECT_FALSE(hasPathPrefix("/a", "/a/b"));
    EXPECT_FALSE(hasPathPrefix("/x/a/b", "/a/b"));
    EXPECT_FALSE(hasPathPrefix("", "/a/b"));
}

TEST(PathPrefix, MatchEndsAtAComponentBoundary) {
    EXPECT_FALSE(hasPathPrefix("/a/bc", "/a/b"));
    EXPECT_FALSE(hasPathPrefix("/a/b.c/d", "/a/b"));
    EXPECT_FALSE(hasPathPrefix("/a/bc", "/a/b/"));
    EXPECT_FALSE(hasPathPrefix("/home/user2/code", "/home/user"));
}

TEST(PathPrefix, OneTrailingSlashOfTheFolderIsIgnored) {
    EXPECT_TRUE(hasPathPrefix("/a/b", "/a/b/"));
    EXPECT_TRUE(hasPathPrefix("/a/b/c", "/a/b/"));
    // Only one: "/a/b//" names the folder "/a/b/", which "/a/b" does not reach.
    EXPECT_FALSE(hasPathPrefix("/a/b", "/a/b//"));
}

TEST(PathPrefix, EmptyFolderAndRootMatchNothing) {
    for (const char* path : {"", "/", "/a", "/a/b", "relative"}) {
        EXPECT_FALSE(hasPathPrefix(path, "")) << path;
        EXPECT_FALSE(hasPathPrefix(path, "/")) << path;
    }
}

}  // namespace
