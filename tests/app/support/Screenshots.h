#pragma once
// Screenshots of a test's desktop with ImageMagick's `import`: a region of the root window, saved
// under VELLUMARK_SCREENSHOTS when that names a folder (to look at them), else in `fallback`; and
// the text tesseract reads on a window.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Platform/ProcessRunner.h"
#include "app/support/DesktopSession.h"

namespace app_test {

// A region of the root window into `target` (a PNG); whether import wrote it.
inline bool importRegion(int x, int y, int width, int height, const std::filesystem::path& target) {
    const std::string region = std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" +
                               std::to_string(y);
    const auto result = Platform::runProcess(
        {"/usr/bin/env", {"import", "-window", "root", "-crop", region, "+repage", target.string()}, std::chrono::seconds(20)});
    return result.outcome == Platform::ProcessResult::Outcome::exited && result.exitStatus == 0;
}

// The path of the PNG written, or an empty path when import failed.
inline std::filesystem::path screenshot(const std::string& name, int x, int y, int width, int height,
                                        const std::filesystem::path& fallback) {
    const char* folder = std::getenv("VELLUMARK_SCREENSHOTS");
    const std::filesystem::path target = (folder && *folder ? std::filesystem::path(folder) : fallback) / (name + ".png");
    return importRegion(x, y, width, height, target) ? target : std::filesystem::path();
}

// What tesseract reads on the window (an X window id), photographed into `folder` and enlarged for it.
inline std::string textOnWindow(const std::string& windowId, const std::filesystem::path& folder) {
    const std::string shot = (folder / "ocr.png").string();
    run({"import", "-window", windowId, shot});
    run({"convert", shot, "-resize", "300%", "-colorspace", "Gray", shot});
    // One thread: tesseract's thread pool crawls on a machine that is busy with other work.
    return run({"OMP_THREAD_LIMIT=1", "tesseract", shot, "stdout"});
}

}  // namespace app_test
