#include <gtest/gtest.h>

#include "Shared/PathPrefix.h"

namespace {

// Only one trailing slash is dropped: "/a/b//" names "/a/b/", which "/a/b" does not reach; "" and "/" match nothing.
TEST(PathPrefix, TheFolderAndWhatLiesBelowItUpToOneTrailingSlash) {
    struct Case { const char* path; const char* folder; bool matches; };
    for (const Case& c : {Case{"/a/b", "/a/b", true}, {"/a/b/c/d", "/a/b", true}, {"/a/b/", "/a/b", true},
                          {"/a/b/c", "/a/b/", true}, {"/a", "/a/b", false}, {"/x/a/b", "/a/b", false},
                          {"/a/bc", "/a/b", false}, {"/a/bc", "/a/b/", false}, {"/opt/Work", "/opt/work", false},
                          {"/a/b", "/a/b//", false}, {"", "", false}, {"/a", "", false}, {"/", "/", false},
                          {"/a", "/", false}}) {
        EXPECT_EQ(hasPathPrefix(c.path, c.folder), c.matches) << c.path << " in " << c.folder;
    }
}

}  // namespace

namespace {

// "~" only for the home folder itself or a path that goes on with "/" below it.
TEST(PathPrefix, AbbreviatingHomeOnlyAtAComponentBoundary) {
    struct Case { const char* path; const char* home; const char* shown; };
    for (const Case& c : {Case{"/Users/alice", "/Users/alice", "~"}, {"/Users/alice/code/shop", "/Users/alice", "~/code/shop"},
                          {"/Users/alice/code", "/Users/alice/", "~/code"}, {"/Users/alicebob", "/Users/alice", "/Users/alicebob"},
                          {"/opt/work", "/Users/alice", "/opt/work"}, {"/opt/work", "/", "/opt/work"},
                          {"/opt/work", "", "/opt/work"}}) {
        EXPECT_EQ(abbreviatingHome(c.path, c.home), c.shown) << c.path << " with home " << c.home;
    }
}

}  // namespace
