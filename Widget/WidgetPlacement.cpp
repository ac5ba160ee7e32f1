#include "Widget/WidgetPlacement.h"

#include <charconv>

#include "Platform/UserDefaults.h"

namespace WidgetPlacement {
namespace {

std::string key(WidgetFamily family) { return std::string(WidgetFamilies::name(family)) + "Origin"; }

Platform::UserDefaults& settings() {
    if (std::shared_ptr<Platform::UserDefaults> suite = Platform::UserDefaults::suite(settingsDomain)) return *suite;
    return Platform::UserDefaults::standard();
}

bool readInt(const char*& at, const char* end, int& value) {
    const auto [next, error] = std::from_chars(at, end, value);
    if (error != std::errc() || next == at) return false;
    at = next;
    return true;
}

}  // namespace

std::string originText(Origin origin) { return std::to_string(origin.x) + "," + std::to_string(origin.y); }

std::optional<Origin> parseOrigin(const std::string& text) {
    Origin origin;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    if (!readInt(at, end, origin.x) || at == end || *at++ != ',' || !readInt(at, end, origin.y) || at != end)
        return std::nullopt;
    return origin;
}

std::optional<Origin> remembered(WidgetFamily family) {
    const std::optional<std::string> text = settings().string(key(family));
    return text ? parseOrigin(*text) : std::nullopt;
}

void remember(WidgetFamily family, Origin origin) { settings().set(key(family), originText(origin)); }

}  // namespace WidgetPlacement
