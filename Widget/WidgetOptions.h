#pragma once
// The widget program's command line: "--family small|medium|large" (also "--family=NAME"; medium
// when absent) and "--preview" (the placeholder with its sample data). Other arguments are left to
// Qt ("-platform", "-display", ...). "--help" asks for the usage text.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Widget/VellumarkWidget.h"

namespace WidgetOptions {

struct Options {
    WidgetFamily family = WidgetFamily::medium;
    bool preview = false;
    bool operator==(const Options&) const = default;
};

struct Help {};
struct Refused {
    std::string message;  // one line for standard error
};

// The arguments without the program's name.
std::variant<Options, Help, Refused> parse(const std::vector<std::string>& arguments);

std::string usage();

}  // namespace WidgetOptions
