#pragma once
// ISO-8601 date-times in UTC without fractional seconds: 2026-12-05T20:18:14Z.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace Platform {

using Date = std::chrono::system_clock::time_point;

// Fractions of a second are dropped (truncated towards the past).
std::string formatISO8601(Date date);

// Reads exactly the form above ("Z" only, no offset, no fraction); anything else gives no value, and
// so does a date a Date cannot hold (before 1677-09-22 or after 2262-04-11).
std::optional<Date> parseISO8601(std::string_view text);

}  // namespace Platform
