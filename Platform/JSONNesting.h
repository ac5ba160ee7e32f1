#pragma once
// A guard for JSON read from files anyone can write: the parser builds one value per level of
// nesting, so a file of a few megabytes of "[" holds gigabytes once parsed, and takes seconds to
// build. Such text is refused before the parser sees it, like text that is no JSON at all.

#include <cstddef>
#include <string_view>

namespace Platform::JSONNesting {

// Far more levels than any file of ours holds (a snapshot goes five deep, a queued command four).
inline constexpr std::size_t maximumDepth = 64;

// Whether arrays and objects open deeper than `depth` levels anywhere in the text. Brackets inside
// strings do not count; text that is not JSON gives whatever its brackets say, and the parser
// refuses it anyway. A linear scan that builds nothing.
bool isDeeperThan(std::string_view text, std::size_t depth = maximumDepth);

}  // namespace Platform::JSONNesting
