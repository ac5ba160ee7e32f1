#include "Widget/WidgetOptions.h"

namespace WidgetOptions {
namespace {

const std::string familyOption = "--family";

std::optional<WidgetFamily> family(const std::string& name) { return WidgetFamilies::named(name); }

Refused unknownFamily(const std::string& name) {
    return {"vellumark-widget: unknown family \"" + name + "\"; use small, medium or large"};
}

}  // namespace

std::variant<Options, Help, Refused> parse(const std::vector<std::string>& arguments) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") return Help{};
        if (argument == "--preview") {
            options.preview = true;
        } else if (argument == familyOption) {
            if (i + 1 == arguments.size()) return Refused{"vellumark-widget: --family needs small, medium or large"};
            const std::string& name = arguments[++i];
            const auto chosen = family(name);
            if (!chosen) return unknownFamily(name);
            options.family = *chosen;
        } else if (argument.starts_with(familyOption + "=")) {
            const std::string name = argument.substr(familyOption.size() + 1);
            const auto chosen = family(name);
            if (!chosen) return unknownFamily(name);
            options.family = *chosen;
        }
    }
    return options;
}

std::string usage() {
    return "Usage: vellumark-widget [--family small|medium|large] [--preview]\n"
           "Shows the development servers Vellumark found on the desktop, in one widget of the given\n"
           "family (medium when none is given). --preview shows sample data whose buttons do nothing.\n";
}

}  // namespace WidgetOptions
