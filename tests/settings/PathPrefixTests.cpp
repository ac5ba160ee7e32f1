#include <gtest/gtest.h>

#include "Shared/PathPrefix.h"

namespace {

TEST(PathPrefix, TheFolderAndWhatLiesBelowItUpToOneTrailingSlash) {
    struct Case { const char* path; const char* folder; bool matches; };
    for (const Case& c : {Case{"/a/b", "/a/b", true}, {"/a/b/c/d", "/a/b", true}, {"/a/b/", "/a/b", true},
                          {"/a/b", "/a/b/", true}, {"/a/b/c", "/a/b/", true}, {"/a", "/a/b", false},
                          {"/x/a/b", "/a/b", false}, {"", "/a/b", false}, {"/a/bc", "/a/b", false},
                          {"/a/b.c/d", "/a/b", false}, {"/a/bc", "/a/b/", false}, {"/opt/Work", "/opt/work", false},
                          // Only one slash is dropped: "/a/b//" names "/a/b/", which "/a/b" does not reach.
                          {"/a/b", "/a/b//", false}}) {
        EXPECT_EQ(hasPathPrefix(c.path, c.folder), c.matches) << c.path << " in " << c.folder;
    }
    for (const char* path : {"", "/", "/a", "relative"}) {
        EXPECT_FALSE(hasPathPrefix(path, "")) << path;
        EXPECT_FALSE(hasPathPrefix(path, "/")) << path;
    }
}

}  // namespace
