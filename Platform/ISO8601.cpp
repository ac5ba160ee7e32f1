#include "Platform/ISO8601.h"

#include <cstdio>
#include <ctime>

namespace Platform {
namespace {

bool readDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

}  // namespace

std::string formatISO8601(Date date) {
    auto seconds = std::chrono::floor<std::chrono::seconds>(date);
    std::time_t time = static_cast<std::time_t>(seconds.time_since_epoch().count());
    std::tm parts{};
    gmtime_r(&time, &parts);
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return buffer;
}

std::optional<Date> parseISO8601(std::string_view text) {
    // Exactly YYYY-MM-DDTHH:MM:SSZ.
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z') {
        return std::nullopt;
    }
    int year, month, day, hour, minute, second;
    if (!readDigits(text, 0, 4, year) || !readDigits(text, 5, 2, month) || !readDigits(text, 8, 2, day) ||
        !readDigits(text, 11, 2, hour) || !readDigits(text, 14, 2, minute) || !readDigits(text, 17, 2, second)) {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59) {
        return std::nullopt;
    }
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    const std::time_t time = timegm(&parts);
    // A Date counts nanoseconds in 64 bits, which reach only from 1677 to 2262: a year such as 0026
    // would overflow into some other date.
    constexpr auto earliest = std::chrono::ceil<std::chrono::seconds>(Date::min().time_since_epoch()).count();
    constexpr auto latest = std::chrono::floor<std::chrono::seconds>(Date::max().time_since_epoch()).count();
    if (time < earliest || time > latest) return std::nullopt;
    return Date(std::chrono::seconds(time));
}

}  // namespace Platform
