#pragma once
// Where each family's widget stands on the desktop: the window's top left corner, remembered in
// the widget's own settings ("io.kestrow.v3lk.widget", one "<family>Origin" text "x,y" per family)
// whenever the user moves it, and used at the next start. Any thread.

#include <optional>
#include <string>

#include "Widget/VellumarkWidget.h"

namespace WidgetPlacement {

inline constexpr const char* settingsDomain = "io.kestrow.v3lk.widget";

struct Origin {
    int x = 0, y = 0;
    bool operator==(const Origin&) const = default;
};

// None when nothing (or something unreadable) is stored for the family.
std::optional<Origin> remembered(WidgetFamily family);
void remember(WidgetFamily family, Origin origin);

// "x,y" and back; the text must be two integers and nothing else.
std::string originText(Origin origin);
std::optional<Origin> parseOrigin(const std::string& text);

}  // namespace WidgetPlacement
