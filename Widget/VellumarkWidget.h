#pragma once
// The widget itself: the name and description the desktop entry shows, and the three
// families it comes in, each with its size and the number of project rows it has room for.

#include <array>
#include <optional>
#include <string_view>

namespace VellumarkWidget {

inline constexpr std::string_view displayName = "Vellumark";
inline constexpr std::string_view description = "Dev servers running on your machine, grouped by project.";

}  // namespace VellumarkWidget

enum class WidgetFamily { small, medium, large };

namespace WidgetFamilies {

// In the order the desktop entry offers them.
inline constexpr std::array<WidgetFamily, 3> supported{WidgetFamily::small, WidgetFamily::medium, WidgetFamily::large};

std::string_view name(WidgetFamily family);  // "small", "medium", "large"
std::optional<WidgetFamily> named(std::string_view name);

struct Size {
    int width = 0, height = 0;  // logical pixels
};
// The family's size on the desktop: 170×170, 364×170, 364×382. A widget whose fonts need more
// height for the family's rows grows taller (WidgetView::sizeFor).
Size nominalSize(WidgetFamily family);

// Project rows shown before the rest is summed up as "+<n> more": 2, 4, 9.
int rowLimit(WidgetFamily family);

}  // namespace WidgetFamilies
