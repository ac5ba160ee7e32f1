#include "Core/Docker/DockerScanner.h"

#include <utility>

#include "Core/Docker/DockerTool.h"
#include "Platform/Dispatch.h"

namespace DockerScanner {

namespace {

constexpr double listTimeoutSeconds = 3;
constexpr double stopTimeoutSeconds = 30;
constexpr double restartTimeoutSeconds = 60;

// Container actions report nothing but their end: the caller rescans and sees the outcome there.
void perform(std::vector<std::string> arguments, double timeoutSeconds, Completion completion) {
    const auto tool = cli();
    if (!tool) {
        if (completion) completion();
        return;
    }
    Platform::Dispatch::globalAsync(
        Platform::Dispatch::QoS::userInitiated,
        [tool = *tool, arguments = std::move(arguments), timeoutSeconds, completion = std::move(completion)] {
            run(tool, arguments, timeoutSeconds);
            if (completion) Platform::Dispatch::mainAsync(completion);
        });
}

}  // namespace

std::vector<DockerParsing::Container> scan() {
    // Without a socket there is no daemon to ask, and the tool would only wait for one.
    if (!socketPresent()) return {};
    const auto tool = cli();
    if (!tool) return {};
    const auto output = run(*tool, {"ps", "--no-trunc", "--format", "{{json .}}"}, listTimeoutSeconds);
    if (!output) return {};
    return DockerParsing::parsePS(*output);
}

void stop(const std::string& containerID, bool force, Completion completion) {
    perform({force ? "kill" : "stop", containerID}, stopTimeoutSeconds, std::move(completion));
}

void restart(const std::string& containerID, Completion completion) {
    perform({"restart", containerID}, restartTimeoutSeconds, std::move(completion));
}

}  // namespace DockerScanner
