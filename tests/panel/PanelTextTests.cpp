// The panel's texts that follow its state, and the list's height rule.

#include <gtest/gtest.h>

#include "App/PanelModel/PanelText.h"

namespace {

TEST(PanelText, CountsAndQuestionsTakeThePluralOfTheirTotal) {
    EXPECT_EQ(PanelText::countChip(false, 0, 0), "0 servers");
    EXPECT_EQ(PanelText::countChip(false, 1, 1), "1 server");
    EXPECT_EQ(PanelText::countChip(true, 2, 5), "2 of 5 servers");
    EXPECT_EQ(PanelText::countChip(true, 1, 1), "1 of 1 server");
    EXPECT_EQ(PanelText::countChip(true, 1, 2), "1 of 2 servers");
    EXPECT_EQ(PanelText::stopAllQuestion(1, "shop"), "Stop all 1 server in shop?");
    EXPECT_EQ(PanelText::stopAllQuestion(3, "shop"), "Stop all 3 servers in shop?");
}

TEST(PanelText, BannerNoResultsAndPathLines) {
    EXPECT_EQ(PanelText::conflictNames({"web", "api"}, 3), "web + api  +2 more");
    EXPECT_EQ(PanelText::conflictNames({"web"}, 1), "web");
    EXPECT_EQ(PanelText::noResultsTitle(" \tvite\n \t"), "No servers match \u201Cvite\n\u201D");
    EXPECT_EQ(PanelText::pathLine("service://redis-server", "/home/alice"), "Background service");
    EXPECT_EQ(PanelText::pathLine("/home/alice", "/home/alice"), "~");
    EXPECT_EQ(PanelText::pathLine("/home/alice/Development/shop", "/home/alice"), "~/Development/shop");
    EXPECT_EQ(PanelText::pathLine("/home/alicebob/shop", "/home/alice"), "/home/alicebob/shop");
}

TEST(PanelText, TheListIsAsTallAsTheScreenAllowsWithinItsBounds) {
    EXPECT_EQ(PanelText::listMaximumHeight(300), 180);
    EXPECT_EQ(PanelText::listMaximumHeight(600), 440);
    EXPECT_EQ(PanelText::listMaximumHeight(1000), 560);
    EXPECT_EQ(PanelText::listMaximumHeight(std::nullopt), 560);
}

}  // namespace
