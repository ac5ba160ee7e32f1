#include "Shared/WidgetChannel/WidgetCommand.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Shared/JSONCoding.h"

namespace {

using Json = nlohmann::json;

WidgetCommand decode(const std::string& text) { return Json::parse(text).get<WidgetCommand>(); }

TEST(WidgetCommandJSON, EachCaseIsOneKeyHoldingItsLabelsAndReadsBackTheSame) {
    const std::pair<WidgetCommand, const char*> cases[] = {
        {WidgetCommand::kill({4242, 4243}, {4242, 4242}), R"({"kill":{"pids":[4242,4243],"pgids":[4242,4242]}})"},
        {WidgetCommand::kill({}, {}), R"({"kill":{"pids":[],"pgids":[]}})"},
        {WidgetCommand::kill({INT32_MAX}, {INT32_MIN}), R"({"kill":{"pids":[2147483647],"pgids":[-2147483648]}})"},
        {WidgetCommand::revealFolder("/tmp/ünï \"q\""), R"({"revealFolder":{"path":"/tmp/ünï \"q\""}})"},
        {WidgetCommand::openLocalhost(3000), R"({"openLocalhost":{"port":3000}})"},
        {WidgetCommand::openLocalhost(INT64_MAX), R"({"openLocalhost":{"port":9223372036854775807}})"},
    };
    for (const auto& [command, text] : cases) {
        EXPECT_EQ(Json(command), Json::parse(text));
        EXPECT_EQ(decode(text), command) << text;
    }
    // Keys in any order, unknown keys and whole floating-point numbers are accepted.
    EXPECT_EQ(decode(R"({"kill":{"pgids":[7,7],"extra":"x","pids":[7,8]},"note":1})"), WidgetCommand::kill({7, 8}, {7, 7}));
    EXPECT_EQ(decode(R"({"openLocalhost":{"port":8080.0}})"), WidgetCommand::openLocalhost(8080));
}

TEST(WidgetCommandJSON, AnythingElseIsRefused) {
    const char* refused[] = {
        R"({"kill":{"pids":[1],"pgids":[1]},"revealFolder":{"path":"/p"}})",
        R"({})",
        R"({"note":1,"Kill":{"pids":[],"pgids":[]}})",
        R"({"openLocalhost":{}})",
        R"({"openLocalhost":{"port":"3000"}})",
        R"({"openLocalhost":{"port":1.5}})",
        R"({"openLocalhost":{"port":null}})",
        R"({"openLocalhost":3000})",
        R"({"revealFolder":{"path":7}})",
        R"({"kill":{"pids":[1]}})",
        R"({"kill":{"pids":1,"pgids":[1]}})",
        R"({"kill":{"pids":["1"],"pgids":[1]}})",
        R"({"kill":{"pids":[2147483648],"pgids":[1]}})",
        R"({"kill":{"pids":[1],"pgids":[-2147483649]}})",
        R"([{"openLocalhost":{"port":1}}])",
    };
    for (const char* text : refused) EXPECT_THROW(decode(text), DecodingError) << text;
    try {
        decode(R"({"openLocalhost":{"port":1},"revealFolder":{"path":"/p"}})");
        ADD_FAILURE() << "two case keys decoded";
    } catch (const DecodingError& error) {
        EXPECT_STREQ(error.what(), "Invalid number of keys found, expected one.");
    }
}

}  // namespace
