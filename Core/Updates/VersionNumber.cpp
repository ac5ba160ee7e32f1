#include "Core/Updates/VersionNumber.h"

#include <algorithm>

std::optional<VersionNumber> VersionNumber::parse(std::string_view text) {
    VersionNumber version;
    for (;;) {
        const std::size_t dot = text.find('.');
        std::string_view digits = text.substr(0, dot);
        if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
        version.components_.emplace_back(digits);
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    // Trailing zero components change nothing, so equal versions end up with equal components.
    while (version.components_.size() > 1 && version.components_.back().empty()) version.components_.pop_back();
    return version;
}

std::strong_ordering VersionNumber::operator<=>(const VersionNumber& other) const {
    const std::size_t count = std::max(components_.size(), other.components_.size());
    static const std::string zero;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& mine = i < components_.size() ? components_[i] : zero;
        const std::string& theirs = i < other.components_.size() ? other.components_[i] : zero;
        // Without leading zeros, the longer run of digits is the larger number.
        if (const auto order = mine.size() <=> theirs.size(); order != 0) return order;
        if (const int order = mine.compare(theirs); order != 0)
            return order < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
    }
    return std::strong_ordering::equal;
}
