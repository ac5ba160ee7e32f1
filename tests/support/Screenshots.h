#pragma once
// Screenshots of a test's desktop with ImageMagick's `import`: a region of the root window, saved
// for people to look at (support/ScreenshotFolder.h); and what tesseract reads on a picture.

#include <filesystem>
#include <string>
#include <vector>

#include "Platform/ProcessRunner.h"
#include "support/DesktopSession.h"
#include "support/ScreenshotFolder.h"

namespace app_test {

// A region of the root window into `target` (a PNG); whether import wrote it.
inline bool importRegion(int x, int y, int width, int height, const std::filesystem::path& target) {
    const std::string region =
        std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" + std::to_string(y);
    const auto result =
        Platform::runProcess({"/usr/bin/env",
                              {"import", "-window", "root", "-crop", region, "+repage", target.string()},
                              std::chrono::seconds(20)});
    return result.outcome == Platform::ProcessResult::Outcome::exited && result.exitStatus == 0;
}

// The path of the PNG written, or an empty path when import failed.
inline std::filesystem::path screenshot(const std::string& name, int x, int y, int width, int height) {
    const std::filesystem::path target = testing_support::screenshotFolder() / (name + ".png");
    return importRegion(x, y, width, height, target) ? target : std::filesystem::path();
}

// How much a picture is enlarged for tesseract, which reads small text poorly.
constexpr int ocrScale = 3;

// What tesseract reads on the picture, enlarged in place first; `options` follow the output
// ("tsv" for each word with its box).
inline std::string ocr(const std::filesystem::path& shot, std::vector<std::string> options = {}) {
    run({"convert", shot.string(), "-resize", std::to_string(ocrScale * 100) + "%", "-colorspace", "Gray",
         shot.string()});
    // One thread: tesseract's thread pool crawls on a machine that is busy with other work.
    std::vector<std::string> arguments{"OMP_THREAD_LIMIT=1", "tesseract", shot.string(), "stdout"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return run(std::move(arguments));
}

// What tesseract reads on the window (an X window id), photographed into `folder`.
inline std::string textOnWindow(const std::string& windowId, const std::filesystem::path& folder) {
    const std::filesystem::path shot = folder / "ocr.png";
    run({"import", "-window", windowId, shot.string()});
    return ocr(shot);
}

}  // namespace app_test
