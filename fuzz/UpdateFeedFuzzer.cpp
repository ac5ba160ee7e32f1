// The update feed as it arrives from the network (at most AppUpdater::maximumFeedSize bytes, any of
// them), read by parseUpdateFeed and judged by judgeUpdateFeed. Any bytes give a feed or a sentence
// for the user: one line without control characters, of bounded length, whatever the feed quotes.
// A feed gives a version number and a web address; judged, it is newer exactly when its version is
// greater, never up to date when it failed, and up to date for a program of its own version.

#include <algorithm>
#include <string>

#include "Core/Updates/UpdateFeed.h"
#include "Core/Updates/VersionNumber.h"
#include "Shared/UTF8.h"
#include "fuzz/FuzzSupport.h"

namespace {

constexpr const char* ownVersion = "0.1.0";

bool startsWithWebScheme(std::string url) {
    std::transform(url.begin(), url.end(), url.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return url.starts_with("http://") || url.starts_with("https://");
}

bool isOneShortLine(const std::string& sentence) {
    return !sentence.empty() && sentence.size() <= maximumUpdateProblemLength && isValidUTF8(sentence) &&
           std::none_of(sentence.begin(), sentence.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzzing::text(data, size);
    const auto parsed = parseUpdateFeed(bytes);
    const UpdateCheckResult judged = judgeUpdateFeed(bytes, ownVersion);
    FUZZ_EXPECT(judged.currentVersion == ownVersion);

    const auto* feed = std::get_if<UpdateFeed>(&parsed);
    if (!feed) {
        FUZZ_EXPECT(isOneShortLine(std::get<std::string>(parsed)));
        FUZZ_EXPECT(judged.kind == UpdateCheckResult::Kind::failed);
        FUZZ_EXPECT(judged.problem == std::get<std::string>(parsed));
        FUZZ_EXPECT(judged.latestVersion.empty() && judged.url.empty());
        return 0;
    }

    const auto latest = VersionNumber::parse(feed->version);
    FUZZ_EXPECT(latest.has_value());
    FUZZ_EXPECT(VersionNumber::parse(feed->version + ".0") == latest);  // 1.2 is 1.2.0
    FUZZ_EXPECT(startsWithWebScheme(feed->url));
    FUZZ_EXPECT(std::none_of(feed->url.begin(), feed->url.end(),
                             [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }));

    FUZZ_EXPECT(judged.latestVersion == feed->version);
    FUZZ_EXPECT(judged.problem.empty());
    const auto current = *VersionNumber::parse(ownVersion);
    if (*latest > current) {
        FUZZ_EXPECT(judged.kind == UpdateCheckResult::Kind::newerVersion);
        FUZZ_EXPECT(judged.url == feed->url);
        FUZZ_EXPECT(current < *latest);  // the comparison agrees when its sides are swapped
    } else {
        FUZZ_EXPECT(judged.kind == UpdateCheckResult::Kind::upToDate);
        FUZZ_EXPECT(judged.url.empty());
    }
    FUZZ_EXPECT(judgeUpdateFeed(bytes, feed->version).kind == UpdateCheckResult::Kind::upToDate);
    return 0;
}
