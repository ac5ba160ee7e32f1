#include "Widget/VellumarkWidget.h"

namespace WidgetFamilies {

std::string_view name(WidgetFamily family) {
    switch (family) {
    case WidgetFamily::small: return "small";
    case WidgetFamily::medium: return "medium";
    case WidgetFamily::large: return "large";
    }
    return {};
}

std::optional<WidgetFamily> named(std::string_view text) {
    for (WidgetFamily family : supported)
        if (name(family) == text) return family;
    return std::nullopt;
}

Size nominalSize(WidgetFamily family) {
    switch (family) {
    case WidgetFamily::small: return {170, 170};
    case WidgetFamily::medium: return {364, 170};
    case WidgetFamily::large: return {364, 382};
    }
    return {};
}

int rowLimit(WidgetFamily family) {
    switch (family) {
    case WidgetFamily::small: return 2;
    case WidgetFamily::medium: return 4;
    case WidgetFamily::large: return 9;
    }
    return 0;
}

}  // namespace WidgetFamilies
