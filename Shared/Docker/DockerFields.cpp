// The single-field parsers of the docker listing: ports, labels, running time, image name, and the
// made-up process group of a container.

#include <cstdint>
#include <set>

#include "Shared/Docker/DockerParsing.h"
#include "Shared/ScanText.h"

namespace DockerParsing {

namespace {

// 49152 and up is the registered dynamic/private port range; a host port published there is taken
// as a helper's, not a server's.
constexpr std::int64_t highestHostPort = 49151;

std::optional<int> hostPortOf(std::string_view piece) {
    piece = ScanText::trimSpacesAndTabs(piece);
    const auto arrow = piece.find("->");
    if (arrow == std::string_view::npos) return std::nullopt;  // exposed, not published
    const auto hostSide = piece.substr(0, arrow);
    // The last ":" also splits IPv6 host sides such as "[::]:8080" and ":::8080".
    const auto colon = hostSide.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto number = ScanText::parseInt64(hostSide.substr(colon + 1));  // a range does not parse
    if (!number || *number < 1 || *number > highestHostPort) return std::nullopt;
    return static_cast<int>(*number);
}

struct Unit {
    std::string_view prefix;
    std::int64_t seconds;
};

// Prefixes, so plurals count; checked in this order.
constexpr Unit units[] = {
    {"second", 1},    {"minute", 60},     {"hour", 3600},     {"day", 86400},
    {"week", 604800}, {"month", 2592000}, {"year", 31536000},
};

std::string lowercasedASCII(std::string_view text) {
    std::string lowered(text);
    for (auto& character : lowered)
        if (character >= 'A' && character <= 'Z') character = static_cast<char>(character - 'A' + 'a');
    return lowered;
}

}  // namespace

std::vector<int> hostPorts(std::string_view ports) {
    std::set<int> found;
    ScanText::forEachPiece(ports, ',', [&](std::string_view piece) {
        if (const auto port = hostPortOf(piece)) found.insert(*port);
    });
    return {found.begin(), found.end()};
}

std::optional<std::string> label(std::string_view labels, std::string_view key) {
    std::optional<std::string> result;
    bool matched = false;
    ScanText::forEachPiece(labels, ',', [&](std::string_view piece) {
        if (matched) return;
        const auto equals = piece.find('=');
        if (equals == std::string_view::npos || piece.substr(0, equals) != key) return;
        matched = true;
        const auto value = piece.substr(equals + 1);
        if (!value.empty()) result = std::string(value);
    });
    return result;
}

std::optional<std::int64_t> parseRunningFor(std::string_view runningFor) {
    const auto lowered = lowercasedASCII(runningFor);
    std::optional<std::int64_t> value;
    std::optional<std::int64_t> unitSeconds;
    ScanText::forEachPiece(lowered, ' ', [&](std::string_view piece) {
        if (const auto number = ScanText::parseInt64(piece)) {
            value = number;
        } else if (piece == "a" || piece == "an" || piece == "about") {
            if (!value) value = 1;
        } else {
            for (const auto& unit : units) {
                if (piece.starts_with(unit.prefix)) {
                    unitSeconds = unit.seconds;
                    break;
                }
            }
        }
    });
    if (!value || !unitSeconds) return std::nullopt;
    std::int64_t seconds = 0;
    if (__builtin_mul_overflow(*value, *unitSeconds, &seconds)) return std::nullopt;
    return seconds;
}

std::int32_t syntheticPGID(std::string_view containerID) {
    std::uint32_t hash = 0x811C9DC5u;
    for (const char character : containerID) {
        hash ^= static_cast<unsigned char>(character);
        hash *= 0x01000193u;  // unsigned: wraps modulo 2^32
    }
    const auto magnitude = static_cast<std::int32_t>(hash & 0x7FFFFFFFu);
    return magnitude == 0 ? -1 : -magnitude;
}

std::string imageShortName(std::string_view image) {
    std::string_view last;
    ScanText::forEachPiece(image, '/', [&](std::string_view piece) { last = piece; });
    return std::string(last.empty() ? image : last);
}

}  // namespace DockerParsing
