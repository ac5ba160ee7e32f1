#pragma once
// Which ports, servers and folders the scan ignores, adds or always shows. Stored in the standard
// defaults (never the shared suite: the widget does not read them) under "FilterRules" and loaded
// anew by every scan, so a change takes effect with the next scan.

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "Platform/UserDefaults.h"

struct FilterRules {
    static constexpr const char* key = "FilterRules";

    // Ports are stored as 64-bit integers, as every stored integer is; one beyond the TCP range is
    // kept and simply never matches.
    std::set<std::int64_t> ignoredPorts;  // removed from every server; a server left without ports disappears
    std::set<std::string>
        hiddenServers;  // "<command>:<port>" (hiddenServerKey); a server with any matching key disappears
    std::vector<std::string> excludedFolders;  // servers below these are never in scope
    std::vector<std::string> includedFolders;  // folders outside the home folder whose servers are in scope
    std::set<std::int64_t> watchedPorts;       // listeners always shown, as background services when out of scope

    // "<command>:<port>": the key in hiddenServers that hides a server with this command on this port.
    static std::string hiddenServerKey(std::string_view command, int port);

    // All five collections empty: the rules change nothing.
    bool isEmpty() const;

    // The stored value, or empty rules when there is none; a corrupt value is logged, removed and
    // replaced by empty rules.
    static FilterRules load(Platform::UserDefaults& defaults);
    void save(Platform::UserDefaults& defaults) const;

    // A port the Filters page offers to watch with one click.
    struct KnownService {
        std::string_view name;
        int port = 0;
        bool operator==(const KnownService&) const = default;
    };
    static constexpr std::array<KnownService, 6> knownServices{{
        {"Ollama", 11434},
        {"LM Studio", 1234},
        {"Jan", 1337},
        {"GPT4All", 4891},
        {"ComfyUI", 8188},
        {"Gradio apps (SD WebUI, TextGen)", 7860},
    }};

    // Why a folder may not become an included folder.
    enum class IncludeRejection { agentFolder, libraryFolder, hiddenFolder, insideHome };

    // Absent when the folder may be added. The first test that applies decides: a LaunchAgents or
    // LaunchDaemons folder; the user's, the system's or the machine's Library folder or anything below
    // it; a path with a component beginning with "."; the home folder or anything below it (already
    // in scope). A trailing "/" on the home folder changes nothing.
    static std::optional<IncludeRejection> includeRejection(std::string_view folder, std::string_view home);

    bool operator==(const FilterRules&) const = default;
};

// JSON: an object with the five field names as keys, each a JSON array (a set's order carries no
// meaning). Every key is optional (missing or null gives an empty collection); a present key of the
// wrong type, or an element of the wrong type, throws DecodingError.
void to_json(nlohmann::json& json, const FilterRules& rules);
void from_json(const nlohmann::json& json, FilterRules& rules);
