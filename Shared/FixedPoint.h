#pragma once
// Numbers written with a fixed count of decimals, always with a point.

#include <charconv>
#include <string>
#include <system_error>

// std::to_chars ignores the C locale, so the decimal separator stays a point even when the
// program has switched LC_NUMERIC to a language that writes a comma. "?" for a value that does
// not fit (none that is finite).
inline std::string fixedPoint(double value, int precision) {
    char buffer[400];  // enough for any finite double in fixed notation
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    if (error != std::errc()) return "?";
    return std::string(buffer, end);
}
