#pragma once
// Screenshots of a test's desktop with ImageMagick's `import`: a region of the root window, saved
// under VELLUMARK_SCREENSHOTS when that names a folder (to look at them), else in `fallback`.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Platform/ProcessRunner.h"

namespace app_test {

// The path of the PNG written, or an empty path when import failed.
inline std::filesystem::path screenshot(const std::string& name, int x, int y, int width, int height,
                                        const std::filesystem::path& fallback) {
    const char* folder = std::getenv("VELLUMARK_SCREENSHOTS");
    const std::filesystem::path target = (folder && *folder ? std::filesystem::path(folder) : fallback) / (name + ".png");
    const std::string region = std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" +
                               std::to_string(y);
    const auto result = Platform::runProcess(
        {"/usr/bin/env", {"import", "-window", "root", "-crop", region, "+repage", target.string()}, std::chrono::seconds(20)});
    return result.outcome == Platform::ProcessResult::Outcome::exited && result.exitStatus == 0 ? target
                                                                                               : std::filesystem::path();
}

}  // namespace app_test
