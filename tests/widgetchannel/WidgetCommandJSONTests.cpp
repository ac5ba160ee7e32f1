#include "Shared/WidgetChannel/WidgetCommand.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Shared/JSONCoding.h"

namespace {

using Json = nlohmann::json;

WidgetCommand decode(const std::string& text) { return Json::parse(text).get<WidgetCommand>(); }

std::string decodingError(const std::string& text) {
    try {
        decode(text);
    } catch (const DecodingError& error) {
        return error.what();
    }
    return "(decoded)";
}

TEST(WidgetCommandJSON, EachCaseIsOneKeyHoldingItsLabels) {
    EXPECT_EQ(Json(WidgetCommand::kill({4242, 4243}, {4242, 4242})),
              Json::parse(R"({"kill":{"pids":[4242,4243],"pgids":[4242,4242]}})"));
    EXPECT_EQ(Json(WidgetCommand::revealFolder("/Users/me/site")),
              Json::parse(R"({"revealFolder":{"path":"/Users/me/site"}})"));
    EXPECT_EQ(Json(WidgetCommand::openLocalhost(3000)), Json::parse(R"({"openLocalhost":{"port":3000}})"));
    EXPECT_EQ(Json(WidgetCommand::kill({}, {})), Json::parse(R"({"kill":{"pids":[],"pgids":[]}})"));
}

TEST(WidgetCommandJSON, WhatIsWrittenReadsBackTheSame) {
    const WidgetCommand commands[] = {
        WidgetCommand::kill({1, INT32_MAX, INT32_MIN}, {1, 2}),
        WidgetCommand::revealFolder("/tmp/ünïcode folder/\"quoted\""),
        WidgetCommand::openLocalhost(INT64_MAX),
        WidgetCommand::openLocalhost(-5),
    };
    for (const WidgetCommand& command : commands) {
        EXPECT_EQ(decode(Json(command).dump()), command) << Json(command).dump();
    }
}

TEST(WidgetCommandJSON, KeysInAnyOrderAndUnknownKeysAreAccepted) {
    EXPECT_EQ(decode(R"({"kill":{"pids":[1],"pgids":[1]},"note":1})"), WidgetCommand::kill({1}, {1}));
    EXPECT_EQ(decode(R"({"kill":{"pgids":[7,7],"extra":"x","pids":[7,8]}})"), WidgetCommand::kill({7, 8}, {7, 7}));
    EXPECT_EQ(decode(R"({"revealFolder":{"path":"/p","hidden":true}})"), WidgetCommand::revealFolder("/p"));
    EXPECT_EQ(decode(R"({"openLocalhost":{"port":8080.0}})"), WidgetCommand::openLocalhost(8080));
}

TEST(WidgetCommandJSON, NoneOrSeveralCaseKeysAreRefusedWithTheStandardText) {
    const std::string text = "Invalid number of keys found, expected one.";
    EXPECT_EQ(decodingError(R"({"kill":{"pids":[1],"pgids":[1]},"revealFolder":{"path":"/p"}})"), text);
    EXPECT_EQ(decodingError(R"({"openLocalhost":{"port":1},"revealFolder":{"path":"/p"},"kill":{}})"), text);
    EXPECT_EQ(decodingError(R"({})"), text);
    EXPECT_EQ(decodingError(R"({"note":1,"Kill":{"pids":[],"pgids":[]}})"), text);
}

TEST(WidgetCommandJSON, MissingOrMistypedValuesAreRefused) {
    const char* refused[] = {
        R"({"openLocalhost":{}})",
        R"({"openLocalhost":{"port":"3000"}})",
        R"({"openLocalhost":{"port":1.5}})",
        R"({"openLocalhost":{"port":null}})",
        R"({"openLocalhost":null})",
        R"({"openLocalhost":3000})",
        R"({"revealFolder":{"path":7}})",
        R"({"revealFolder":{}})",
        R"({"kill":{"pids":[1]}})",
        R"({"kill":{"pgids":[1]}})",
        R"({"kill":{"pids":1,"pgids":[1]}})",
        R"({"kill":{"pids":["1"],"pgids":[1]}})",
        R"({"kill":{"pids":[2147483648],"pgids":[1]}})",
        R"({"kill":{"pids":[1],"pgids":[-2147483649]}})",
        R"([{"openLocalhost":{"port":1}}])",
        R"("openLocalhost")",
    };
    for (const char* text : refused) {
        EXPECT_THROW(decode(text), DecodingError) << text;
    }
}

TEST(WidgetCommandJSON, ThirtyTwoBitLimitsAreAccepted) {
    EXPECT_EQ(decode(R"({"kill":{"pids":[2147483647],"pgids":[-2147483648]}})"),
              WidgetCommand::kill({2147483647}, {-2147483648}));
}

}  // namespace
