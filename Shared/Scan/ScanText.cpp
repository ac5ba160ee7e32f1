#include "Shared/Scan/ScanText.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace ScanText {

namespace {

bool startsWithDigit(std::string_view text) {
    return !text.empty() && text.front() >= '0' && text.front() <= '9';
}

// from_chars reads a "-" itself but not a "+"; accept one "+" that a digit follows.
std::string_view withoutPlus(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    return text;
}

template <typename Integer>
std::optional<Integer> parseInteger(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    const auto digits = negative ? text.substr(1) : withoutPlus(text);
    if (!startsWithDigit(digits)) return std::nullopt;
    const auto number = negative ? text : digits;
    Integer value{};
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc{} || end != number.data() + number.size()) return std::nullopt;
    return value;
}

}  // namespace

std::string_view trimSpacesAndTabs(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<std::int64_t> parseInt64(std::string_view text) { return parseInteger<std::int64_t>(text); }

std::optional<std::int32_t> parseInt32(std::string_view text) { return parseInteger<std::int32_t>(text); }

std::optional<double> parseFiniteDouble(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    const auto unsignedPart = negative ? text.substr(1) : withoutPlus(text);
    // A digit or a point must lead, which keeps out "inf", "nan" and a second sign.
    if (unsignedPart.empty() || !(startsWithDigit(unsignedPart) || unsignedPart.front() == '.'))
        return std::nullopt;
    const auto number = negative ? text : unsignedPart;
    double value = 0;
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (error != std::errc{} || end != number.data() + number.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string_view lastPathComponent(std::string_view path) {
    const auto last = path.find_last_not_of('/');
    if (last == std::string_view::npos) return path.empty() ? path : std::string_view("/");
    path = path.substr(0, last + 1);
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace ScanText
