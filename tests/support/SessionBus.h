#pragma once
// A D-Bus session bus of the test's own, so what the application says on the bus (its tray item)
// reaches only the test's stand-ins, and nothing of the machine's own session interferes.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/TestProcesses.h"

namespace app_test {

class SessionBus {
public:
    // Throws when no bus can be started.
    explicit SessionBus(const std::filesystem::path& logFolder) {
        const auto log = logFolder / "dbus-daemon.log";
        testing_support::SpawnOptions options;
        options.output = log;
        options.stopSignal = SIGTERM;
        daemon_ = std::make_unique<testing_support::ChildProcess>(
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--print-address"}, options);
        // The address comes on a line of its own once the bus accepts connections.
        testing_support::waitUntil(
            [&] {
                std::ifstream output(log);
                for (std::string line; address_.empty() && std::getline(output, line) && !output.eof();)
                    if (line.starts_with("unix:")) address_ = line;
                return !address_.empty() || daemon_->hasExited();
            },
            std::chrono::seconds(10));
        if (address_.empty()) throw std::runtime_error("no session bus could be started");
    }

    // For DBUS_SESSION_BUS_ADDRESS.
    const std::string& address() const { return address_; }

private:
    std::unique_ptr<testing_support::ChildProcess> daemon_;
    std::string address_;
};

}  // namespace app_test
