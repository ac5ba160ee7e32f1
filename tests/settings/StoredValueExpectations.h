#pragma once
// Checks shared by the DisplayPrefs and FilterRules tests: what a load does with a stored value.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"

namespace settings_tests {

inline Platform::UserDefaults::Data bytes(std::string_view text) { return {text.begin(), text.end()}; }

inline std::string storedText(const Platform::UserDefaults& defaults, const std::string& key) {
    const auto data = defaults.data(key);
    return data ? std::string(data->begin(), data->end()) : std::string();
}

// A corrupt value is logged once with the record's text, removed and replaced by the defaults; the
// next load finds nothing and stays silent.
template <typename Record>
void expectResetToDefaults(Platform::UserDefaults& defaults, const Platform::UserDefaults::Data& stored) {
    ASSERT_TRUE(defaults.set(Record::key, stored));
    Platform::LogCapture log;

    EXPECT_EQ(Record::load(defaults), Record{});
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    const std::string prefix = std::string("Vellumark: corrupt ") + Record::key + ", resetting to defaults: ";
    EXPECT_EQ(lines[0].rfind(prefix, 0), 0u) << lines[0];
    EXPECT_GT(lines[0].size(), prefix.size()) << "the reason is missing";
    EXPECT_FALSE(defaults.object(Record::key).has_value()) << "the corrupt value was not removed";

    log.clear();
    EXPECT_EQ(Record::load(defaults), Record{});
    EXPECT_TRUE(log.lines().empty());
}

template <typename Record>
void expectResetToDefaults(Platform::UserDefaults& defaults, std::string_view stored) {
    expectResetToDefaults<Record>(defaults, bytes(stored));
}

}  // namespace settings_tests
