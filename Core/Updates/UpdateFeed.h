#pragma once
// The update feed and what one check of it comes to.
//
// The feed is a JSON object {"version": "1.2.0", "url": "https://…"}: the newest version and the web
// page that tells how to get it. Reading it is a pure function that takes any bytes (it faces the
// network): whatever they are, the result is a feed or a sentence saying what is wrong with them.
// A check ends in one of three ways, and a failure is never taken for "up to date". A sentence
// that quotes the feed quotes at most 40 characters of it, without control characters, so it stays
// one short line in the dialog and the log. Pure; any thread.

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

struct UpdateFeed {
    std::string version;
    std::string url;  // http or https
    bool operator==(const UpdateFeed&) const = default;
};

// The longest sentence that says why a feed was refused, in bytes: the feed's own text is quoted
// short, so no feed can make the dialog or the log line long.
inline constexpr std::size_t maximumUpdateProblemLength = 256;

// The feed, or why the bytes are not one (a sentence for the user).
std::variant<UpdateFeed, std::string> parseUpdateFeed(std::string_view bytes);

struct UpdateCheckResult {
    enum class Kind { newerVersion, upToDate, failed };
    Kind kind = Kind::failed;
    std::string currentVersion;
    std::string latestVersion;  // newerVersion and upToDate
    std::string url;            // newerVersion: the new version's page
    std::string problem;        // failed: what went wrong, a sentence for the user

    static UpdateCheckResult failure(std::string problem);
};

// What the feed's bytes say to a program of `currentVersion`.
UpdateCheckResult judgeUpdateFeed(std::string_view bytes, std::string_view currentVersion);
