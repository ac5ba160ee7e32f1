// A second process for the settings tests: it reads or writes the display preferences and filter
// rules the way the application and the widget do, in the environment it was started with.
//
//   settings_peer print-display          prints the shared DisplayPrefs as JSON
//   settings_peer save-display <json>    saves that DisplayPrefs to the shared defaults
//   settings_peer print-filters          prints the standard FilterRules as JSON

#include <cstdio>
#include <cstring>
#include <exception>

#include <nlohmann/json.hpp>

#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "Shared/Settings/FilterRules.h"

int main(int argc, char** argv) {
    try {
        if (argc == 2 && std::strcmp(argv[1], "print-display") == 0) {
            std::puts(nlohmann::json(DisplayPrefs::load(AppGroup::sharedDefaults())).dump().c_str());
            return 0;
        }
        if (argc == 3 && std::strcmp(argv[1], "save-display") == 0) {
            nlohmann::json::parse(argv[2]).get<DisplayPrefs>().save(AppGroup::sharedDefaults());
            return 0;
        }
        if (argc == 2 && std::strcmp(argv[1], "print-filters") == 0) {
            std::puts(nlohmann::json(FilterRules::load(Platform::UserDefaults::standard())).dump().c_str());
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "settings_peer: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: settings_peer print-display | save-display <json> | print-filters\n");
    return 2;
}
