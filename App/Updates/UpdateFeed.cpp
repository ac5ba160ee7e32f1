#include "App/Updates/UpdateFeed.h"

#include <algorithm>
#include <optional>

#include <nlohmann/json.hpp>

#include "App/Updates/VersionNumber.h"

namespace {

using Json = nlohmann::json;

bool startsWithCaseless(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
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
    return hasHost && std::none_of(url.begin(), url.end(), [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F;
    });
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
    if (!VersionNumber::parse(*version)) return "The update feed’s version “" + *version + "” is not a version number.";
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
        result.problem = "This build’s own version “" + std::string(currentVersion) + "” is not a version number.";
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
