// Reading the desktop's wish for less motion from the settings the desktops really write.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "App/StatusTile/ReducedMotion.h"
#include "support/ForkedChild.h"
#include "support/TempHome.h"

namespace {

TEST(ReducedMotion, ReadsEachDesktopsSettingInTheConfigHome) {
    using namespace ReducedMotion;
    EXPECT_TRUE(gtkSettingsDisableAnimations("[Settings]\n  gtk-enable-animations = 0  \n"));
    EXPECT_TRUE(kdeGlobalsDisableAnimations("[General]\nfoo=1\n[KDE]\nAnimationDurationFactor=0.0\n"));
    const std::string animated[] = {
        "[Other]\ngtk-enable-animations=false\n", "[Settings]\n# gtk-enable-animations=false\n",
        "[Settings]\ngtk-enable-animations=false\ngtk-enable-animations=true\n", std::string("\0\xff[Settings", 10)};
    for (const std::string& text : animated) EXPECT_FALSE(gtkSettingsDisableAnimations(text)) << text;
    EXPECT_FALSE(kdeGlobalsDisableAnimations("[KDE]\nAnimationDurationFactor=0x\n"));
    EXPECT_FALSE(kdeGlobalsDisableAnimations("[General]\nAnimationDurationFactor=0\n"));

    testing_support::TempHome home;
    const char* backend = std::getenv("GSETTINGS_BACKEND");
    const std::string savedBackend = backend ? backend : "";
    setenv("GSETTINGS_BACKEND", "keyfile", 1);  // GNOME's switch then lives in the test's own home
    EXPECT_FALSE(isRequested());
    for (const auto& [file, text] :
         {std::pair{"gtk-4.0/settings.ini", "[Settings]\ngtk-enable-animations=0\n"},
          {"kdeglobals", "[KDE]\nAnimationDurationFactor=0\n"},
          {"glib-2.0/settings/keyfile", "[org/gnome/desktop/interface]\nenable-animations=false\n"}}) {
        if (std::string(file).starts_with("glib") && !std::filesystem::exists("/usr/bin/gsettings")) continue;
        std::filesystem::create_directories((home.configHome() / file).parent_path());
        std::ofstream(home.configHome() / file) << text;
        EXPECT_TRUE(isRequested()) << file;
        std::filesystem::remove(home.configHome() / file);
    }
    backend ? setenv("GSETTINGS_BACKEND", savedBackend.c_str(), 1) : unsetenv("GSETTINGS_BACKEND");
}

// A FIFO in a settings file's place must not hang the read, nor a sparse file of hundreds of
// megabytes (no disk used) be taken into memory: either reads as no wish.
TEST(ReducedMotion, AFIFOOrAnOversizedFileInASettingsFilesPlaceIsNoWish) {
    testing_support::TempHome home;
    std::filesystem::create_directories(home.configHome() / "gtk-3.0");
    ASSERT_EQ(::mkfifo((home.configHome() / "kdeglobals").c_str(), 0600), 0);
    std::ofstream(home.configHome() / "gtk-3.0/settings.ini") << "[Settings]\ngtk-enable-animations=0\n";
    std::filesystem::resize_file(home.configHome() / "gtk-3.0/settings.ini", std::uintmax_t{256} << 20);
    const testing_support::ChildOutcome child = testing_support::runInChild([] {
        setenv("GSETTINGS_BACKEND", "keyfile", 1);  // GNOME's switch in the test's own home: unset
        return ReducedMotion::isRequested() ? "a wish read" : "";
    });
    ASSERT_TRUE(child.finished) << child.ending;
    EXPECT_EQ(child.problems, "");
    EXPECT_LT(child.peakGrowthKiB, 64 * 1024) << "the file was taken into memory";
}

}  // namespace
