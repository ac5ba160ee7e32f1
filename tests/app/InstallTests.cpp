// What `cmake --install` puts in place: both programs, their desktop entries (valid by the
// desktop-file-validate of desktop-file-utils) naming the application's icon, and that icon in the
// hicolor theme as its SVG and as PNGs at the theme's usual sizes.

#include <gtest/gtest.h>

#include <unistd.h>

#include <QImage>

#include <fstream>
#include <sstream>

#include "Look/ApplicationIcon.h"
#include "Platform/ProcessRunner.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

std::string fileText(const fs::path& path) { return (std::ostringstream() << std::ifstream(path).rdbuf()).str(); }

Platform::ProcessResult run(std::vector<std::string> arguments) {
    return Platform::runProcess({"/usr/bin/env", std::move(arguments), std::chrono::seconds(60)});
}

TEST(Installation, PutsBothProgramsTheirDesktopEntriesAndTheIconInPlace) {
    testing_support::TempDir prefix;
    const auto install = run({"cmake", "--install", VELLUMARK_BUILD_DIR, "--prefix", prefix.path().string()});
    ASSERT_EQ(install.exitStatus, 0) << install.output;
    for (const char* program : {"bin/vellumark", "bin/vellumark-widget"})
        EXPECT_EQ(::access((prefix.path() / program).c_str(), X_OK), 0) << program;

    const fs::path applications = prefix.path() / "share/applications";
    const struct {
        const char* file;
        std::vector<const char*> lines;
    } entries[] = {
        {"io.kestrow.v3lk.desktop", {"Type=Application\n", "Name=Vellumark\n", "Exec=vellumark\n"}},
        {"vellumark-widget.desktop",
         {"Name=Vellumark\n", "Comment=Dev servers running on your machine, grouped by project.\n",
          "Actions=small;medium;large;\n", "Exec=vellumark-widget --family small\n",
          "Exec=vellumark-widget --family medium\n", "Exec=vellumark-widget --family large\n"}},
    };
    for (const auto& [file, lines] : entries) {
        const std::string text = fileText(applications / file);
        for (const char* line : lines) EXPECT_NE(text.find(line), std::string::npos) << file << ": " << line;
        EXPECT_NE(text.find("\nIcon=io.kestrow.v3lk\n"), std::string::npos) << file;
        // Not a word to say, hints included.
        const auto valid = run({"desktop-file-validate", (applications / file).string()});
        EXPECT_EQ(valid.exitStatus, 0) << valid.output;
        EXPECT_EQ(valid.output, "") << file;
    }

    const fs::path theme = prefix.path() / "share/icons/hicolor";
    EXPECT_EQ(fileText(theme / "scalable/apps/io.kestrow.v3lk.svg"),
              fileText(fs::path(VELLUMARK_TEST_FIXTURES) / "../../Look/io.kestrow.v3lk.svg"));
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const QImage png(QString::fromStdString((theme / name / "apps/io.kestrow.v3lk.png").string()));
        ASSERT_EQ(png.size(), QSize(size, size)) << name;
        // The ghost in the middle, the corners clear: the image the programs' windows carry.
        EXPECT_EQ(qAlpha(png.pixel(0, 0)), 0) << name;
        EXPECT_EQ(png.convertToFormat(QImage::Format_ARGB32),
                  applicationIconImage(size).convertToFormat(QImage::Format_ARGB32))
            << name;
    }
}

}  // namespace
