// A second process reading or writing the display preferences the way the widget does, in the
// environment it was started with:  settings_peer print-display | save-display <json>

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "print-display" && argc == 2)
            return std::puts(nlohmann::json(DisplayPrefs::load(AppGroup::sharedDefaults())).dump().c_str()) < 0;
        if (command == "save-display" && argc == 3) {
            nlohmann::json::parse(argv[2]).get<DisplayPrefs>().save(AppGroup::sharedDefaults());
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "settings_peer: %s\n", error.what());
        return 1;
    }
    return 2;
}
