// Reading the desktop's wish for less motion from the settings the desktops really write.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "App/StatusTile/ReducedMotion.h"
#include "support/TempHome.h"

namespace {

void write(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

TEST(ReducedMotionSettings, GtkSettingsFile) {
    EXPECT_TRUE(ReducedMotion::gtkSettingsDisableAnimations("[Settings]\ngtk-enable-animations=false\n"));
    EXPECT_TRUE(ReducedMotion::gtkSettingsDisableAnimations("[Settings]\n  gtk-enable-animations = 0  \n"));
    EXPECT_FALSE(ReducedMotion::gtkSettingsDisableAnimations("[Settings]\ngtk-enable-animations=true\n"));
    // Only the [Settings] group counts, and comments are not settings.
    EXPECT_FALSE(ReducedMotion::gtkSettingsDisableAnimations("[Other]\ngtk-enable-animations=false\n"));
    EXPECT_FALSE(ReducedMotion::gtkSettingsDisableAnimations("[Settings]\n# gtk-enable-animations=false\n"));
    // The last assignment wins, as GTK reads it.
    EXPECT_FALSE(ReducedMotion::gtkSettingsDisableAnimations(
        "[Settings]\ngtk-enable-animations=false\ngtk-enable-animations=true\n"));
    EXPECT_FALSE(ReducedMotion::gtkSettingsDisableAnimations(""));
    EXPECT_FALSE(ReducedMotion::gtkSettingsDisableAnimations(std::string("\0\xff[Settings", 10)));
}

TEST(ReducedMotionSettings, KdeGlobals) {
    EXPECT_TRUE(ReducedMotion::kdeGlobalsDisableAnimations("[General]\nfoo=1\n[KDE]\nAnimationDurationFactor=0\n"));
    EXPECT_TRUE(ReducedMotion::kdeGlobalsDisableAnimations("[KDE]\nAnimationDurationFactor=0.0\n"));
    EXPECT_FALSE(ReducedMotion::kdeGlobalsDisableAnimations("[KDE]\nAnimationDurationFactor=0.5\n"));
    EXPECT_FALSE(ReducedMotion::kdeGlobalsDisableAnimations("[KDE]\nAnimationDurationFactor=0x\n"));
    EXPECT_FALSE(ReducedMotion::kdeGlobalsDisableAnimations("[General]\nAnimationDurationFactor=0\n"));
}

class ReducedMotionFromDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        // GSettings' file back end: the GNOME switch then lives in the test's own home, and the real
        // gsettings tool reads it.
        const char* backend = std::getenv("GSETTINGS_BACKEND");
        hadBackend_ = backend != nullptr;
        if (hadBackend_) savedBackend_ = backend;
        setenv("GSETTINGS_BACKEND", "keyfile", 1);
    }
    void TearDown() override {
        if (hadBackend_) setenv("GSETTINGS_BACKEND", savedBackend_.c_str(), 1);
        else unsetenv("GSETTINGS_BACKEND");
    }

    testing_support::TempHome home;
    bool hadBackend_ = false;
    std::string savedBackend_;
};

TEST_F(ReducedMotionFromDesktop, NothingSetMeansMotionIsFine) { EXPECT_FALSE(ReducedMotion::isRequested()); }

TEST_F(ReducedMotionFromDesktop, GtkFourSettingsFileInTheConfigHome) {
    write(home.configHome() / "gtk-4.0/settings.ini", "[Settings]\ngtk-enable-animations=0\n");
    EXPECT_TRUE(ReducedMotion::isRequested());
}

TEST_F(ReducedMotionFromDesktop, KdeGlobalsInTheConfigHome) {
    write(home.configHome() / "kdeglobals", "[KDE]\nAnimationDurationFactor=0\n");
    EXPECT_TRUE(ReducedMotion::isRequested());
}

TEST_F(ReducedMotionFromDesktop, GnomeSettingThroughGsettings) {
    if (!std::filesystem::exists("/usr/bin/gsettings")) GTEST_SKIP() << "gsettings is not installed";
    write(home.configHome() / "glib-2.0/settings/keyfile", "[org/gnome/desktop/interface]\nenable-animations=true\n");
    EXPECT_FALSE(ReducedMotion::isRequested());
    write(home.configHome() / "glib-2.0/settings/keyfile", "[org/gnome/desktop/interface]\nenable-animations=false\n");
    EXPECT_TRUE(ReducedMotion::isRequested());
}

}  // namespace
