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

TEST(PathPrefix, OnlyTheHomeFolderItselfAndWhatLiesBelowItAreShortenedToATilde) {
    EXPECT_EQ(abbreviatingHome("/home/alice", "/home/alice"), "~");
    EXPECT_EQ(abbreviatingHome("/home/alice/", "/home/alice"), "~/");
    EXPECT_EQ(abbreviatingHome("/home/alice/Development/shop", "/home/alice/"), "~/Development/shop");
    EXPECT_EQ(abbreviatingHome("/home/alicebob/x", "/home/alice"), "/home/alicebob/x");
    EXPECT_EQ(abbreviatingHome("/srv/app", "/home/alice"), "/srv/app");
    EXPECT_EQ(abbreviatingHome("/srv/app", "/"), "/srv/app");
    EXPECT_EQ(abbreviatingHome("/srv/app", ""), "/srv/app");
}

}  // namespace
