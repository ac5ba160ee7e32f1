#pragma once
// Where tests leave the pictures they take for people to look at: the folder VELLUMARK_SCREENSHOTS
// names when it is set, else screenshots/ in the build folder. Made when missing.

#include <cstdlib>
#include <filesystem>

namespace testing_support {

inline std::filesystem::path screenshotFolder() {
    const char* chosen = std::getenv("VELLUMARK_SCREENSHOTS");
    const std::filesystem::path folder = chosen && *chosen ? chosen : VELLUMARK_BUILD_DIR "/screenshots";
    std::filesystem::create_directories(folder);
    return folder;
}

}  // namespace testing_support
