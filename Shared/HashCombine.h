#pragma once
// Folding several field hashes into one, for the records' std::hash specialisations.

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace HashCombine {

template <typename T>
void combine(std::size_t& seed, const T& value) {
    seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

// Presence is folded in too, so an absent value and a present one never cancel out.
template <typename T>
void combine(std::size_t& seed, const std::optional<T>& value) {
    combine(seed, value.has_value());
    if (value) combine(seed, *value);
}

template <typename T>
void combine(std::size_t& seed, const std::vector<T>& values) {
    combine(seed, values.size());
    for (const T& value : values) combine(seed, value);
}

}  // namespace HashCombine
