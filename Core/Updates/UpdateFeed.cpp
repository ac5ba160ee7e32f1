#include "Core/Updates/UpdateFeed.h"

#include <algorithm>
#include <optional>

#include <nlohmann/json.hpp>

#include "Core/Updates/VersionNumber.h"
#include "Shared/UTF8.h"

namespace {

using Json = nlohmann::json;

bool startsWithCaseless(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return a == (b >= 'A' && b <= 'Z' ? char(b - 'A' + 'a') : b);
           });
}

// Only a web page is ever handed to the desktop to open: no file:, no scripts, no other schemes.
bool isWebAddress(std::string_view url) {
    std::string_view rest;
    if (startsWithCaseless(url, "https://")) rest = url.substr(8);
    else if (startsWithCaseless(url, "http://")) rest = url.substr(7);
    else return false;
    const bool hasHost = !rest.empty() && rest.front() != '/';
    return hasHost && std::none_of(url.begin(), url.end(),
                                   [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; });
}

// Text from the feed as a sentence for the user quotes it: the feed may hold anything, and the
// sentence goes into a dialog and onto one log line. Control characters (a line break would start a
// log line of the feed's making) are left out, and a text longer than fits is cut with "…".
std::string excerpt(std::string_view text) {
    constexpr std::size_t maximumCharacters = 40;
    const std::string valid = replacingInvalidUTF8(text);
    std::string shown;
    std::size_t characters = 0;
    for (std::size_t at = 0; at < valid.size();) {
        const auto lead = static_cast<unsigned char>(valid[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view character = std::string_view(valid).substr(at, length);
        at += length;
        const bool isControl =
            lead < 0x20 || lead == 0x7F || (lead == 0xC2 && static_cast<unsigned char>(character[1]) < 0xA0);  // C1
        if (isControl) continue;
        if (++characters > maximumCharacters) return shown + "\u2026";
        shown += character;
    }
    return shown;
}

std::optional<std::string> text(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

}  // namespace

std::variant<UpdateFeed, std::string> parseUpdateFeed(std::string_view bytes) {
    const Json json = Json::parse(bytes.begin(), bytes.end(), nullptr, /*allow_exceptions=*/false);
    if (json.is_discarded()) return std::string("The update feed is not valid JSON.");
    if (!json.is_object()) return std::string("The update feed is not a JSON object.");
    const auto version = text(json, "version");
    if (!version) return std::string("The update feed has no “version” text.");
    const auto url = text(json, "url");
    if (!url) return std::string("The update feed has no “url” text.");
    if (!VersionNumber::parse(*version))
        return "The update feed’s version “" + excerpt(*version) + "” is not a version number.";
    if (!isWebAddress(*url)) return std::string("The update feed’s “url” is not a web address.");
    return UpdateFeed{*version, *url};
}

UpdateCheckResult UpdateCheckResult::failure(std::string problem) {
    UpdateCheckResult result;
    result.kind = Kind::failed;
    result.problem = std::move(problem);
    return result;
}

UpdateCheckResult judgeUpdateFeed(std::string_view bytes, std::string_view currentVersion) {
    auto parsed = parseUpdateFeed(bytes);
    UpdateCheckResult result;
    if (auto* problem = std::get_if<std::string>(&parsed)) result = UpdateCheckResult::failure(std::move(*problem));
    result.currentVersion = currentVersion;
    const auto* feed = std::get_if<UpdateFeed>(&parsed);
    if (!feed) return result;

    const auto current = VersionNumber::parse(currentVersion);
    if (!current) {
        result.problem = "This build’s own version “" + excerpt(currentVersion) + "” is not a version number.";
        return result;
    }
    result.latestVersion = feed->version;
    if (*VersionNumber::parse(feed->version) > *current) {
        result.kind = UpdateCheckResult::Kind::newerVersion;
        result.url = feed->url;
    } else {
        result.kind = UpdateCheckResult::Kind::upToDate;
    }
    return result;
}
