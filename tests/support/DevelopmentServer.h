#pragma once
// A development server as the scan finds one: Python's static file server listening on a free
// loopback port, started in the folder HOME/Development/<project>, leading a process group of its
// own, with its output in HOME/<project>-http.log. Stopped with its group when the object goes.

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/DesktopSession.h"

namespace app_test {

struct DevelopmentServer {
    // Throws when the server does not listen within 20 seconds.
    DevelopmentServer(const std::filesystem::path& home, const std::string& project)
        : folder(home / "Development" / project), port(testing_support::freePort()) {
        std::filesystem::create_directories(folder);
        auto options = logTo(home / (project + "-http.log"));
        options.cwd = folder;
        process = std::make_unique<testing_support::ChildProcess>(
            std::vector<std::string>{"python3", "-m", "http.server", std::to_string(port), "--bind", "127.0.0.1"},
            options);
        if (!testing_support::waitUntil([&] { return testing_support::acceptsConnections(port); }))
            throw std::runtime_error("the development server did not listen on port " + std::to_string(port));
    }

    std::filesystem::path folder;
    int port;
    std::unique_ptr<testing_support::ChildProcess> process;
};

}  // namespace app_test
