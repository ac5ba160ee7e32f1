// Draws the application's icon as PNGs for the desktop's icon theme, at build time:
//   vellumark-icon-pngs <theme folder> <size>...
// writes <theme folder>/<size>x<size>/apps/io.kestrow.v3lk.png for each size.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Look/ApplicationIcon.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <theme folder> <size>...\n", argv[0]);
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0) {
            std::fprintf(stderr, "%s: not a size: %s\n", argv[0], argv[i]);
            return 2;
        }
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / name / "apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const std::filesystem::path file = folder / (std::string(applicationIconName) + ".png");
        if (error || !applicationIconImage(size).save(QString::fromStdString(file.string()), "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], file.c_str());
            return 1;
        }
    }
    return 0;
}
