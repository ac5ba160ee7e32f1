#pragma once
// A command from the widget to the application: stop processes, reveal a folder, open a local
// address. The widget never acts itself; it queues one of these (WidgetCommandQueue.h).

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json_fwd.hpp>

struct WidgetCommand {
    // SIGTERM to each process pids[i] that is still in process group pgids[i]; the lists are read
    // pairwise up to the shorter one.
    struct Kill {
        std::vector<std::int32_t> pids;
        std::vector<std::int32_t> pgids;
        bool operator==(const Kill&) const = default;
    };
    // Show the item at this absolute path selected in the file manager.
    struct RevealFolder {
        std::string path;
        bool operator==(const RevealFolder&) const = default;
    };
    // Open http://localhost:<port> in the default browser.
    struct OpenLocalhost {
        std::int64_t port = 0;
        bool operator==(const OpenLocalhost&) const = default;
    };

    std::variant<Kill, RevealFolder, OpenLocalhost> action;

    static WidgetCommand kill(std::vector<std::int32_t> pids, std::vector<std::int32_t> pgids);
    static WidgetCommand revealFolder(std::string path);
    static WidgetCommand openLocalhost(std::int64_t port);

    bool operator==(const WidgetCommand&) const = default;
};

// JSON form: an object with exactly one key, the case name, holding the values under their labels:
//   {"kill":{"pids":[4242,4243],"pgids":[4242,4242]}}  {"revealFolder":{"path":"/a/b"}}
//   {"openLocalhost":{"port":3000}}
// Decoding ignores keys that are not case names (outside) or labels (inside) and throws
// DecodingError (Shared/JSONCoding.h) when
// - none or several case keys are present: "Invalid number of keys found, expected one.";
// - a label is missing or has the wrong type, or a pid or pgid does not fit 32 signed bits.
void to_json(nlohmann::json& json, const WidgetCommand& command);
void from_json(const nlohmann::json& json, WidgetCommand& command);
