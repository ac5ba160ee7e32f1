// Reading the desktop's wish for less motion from the settings the desktops really write.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "App/StatusTile/ReducedMotion.h"
#include "support/TempHome.h"

namespace {

TEST(ReducedMotion, SettingsTexts) {
    using ReducedMotion::gtkSettingsDisableAnimations, ReducedMotion::kdeGlobalsDisableAnimations;
    EXPECT_TRUE(gtkSettingsDisableAnimations("[Settings]\ngtk-enable-animations=false\n"));
    EXPECT_TRUE(gtkSettingsDisableAnimations("[Settings]\n  gtk-enable-animations = 0  \n"));
    for (const char* text : {"[Settings]\ngtk-enable-animations=true\n", "[Other]\ngtk-enable-animations=false\n",
                             "[Settings]\n# gtk-enable-animations=false\n", "",
                             "[Settings]\ngtk-enable-animations=false\ngtk-enable-animations=true\n"}) {
        EXPECT_FALSE(gtkSettingsDisableAnimations(text)) << text;
    }
    EXPECT_FALSE(gtkSettingsDisableAnimations(std::string("\0\xff[Settings", 10)));
    EXPECT_TRUE(kdeGlobalsDisableAnimations("[General]\nfoo=1\n[KDE]\nAnimationDurationFactor=0.0\n"));
    for (const char* text : {"[KDE]\nAnimationDurationFactor=0.5\n", "[KDE]\nAnimationDurationFactor=0x\n",
                             "[General]\nAnimationDurationFactor=0\n"}) {
        EXPECT_FALSE(kdeGlobalsDisableAnimations(text)) << text;
    }
}

TEST(ReducedMotion, AnyDesktopsSettingInTheConfigHomeCounts) {
    testing_support::TempHome home;
    const char* backend = std::getenv("GSETTINGS_BACKEND");
    const std::string savedBackend = backend ? backend : "";
    setenv("GSETTINGS_BACKEND", "keyfile", 1);  // GNOME's switch then lives in the test's own home
    const auto write = [&](const std::string& file, const std::string& text) {
        std::filesystem::create_directories((home.configHome() / file).parent_path());
        std::ofstream(home.configHome() / file) << text;
    };
    const bool gsettings = std::filesystem::exists("/usr/bin/gsettings");
    EXPECT_FALSE(ReducedMotion::isRequested());
    if (gsettings) {
        write("glib-2.0/settings/keyfile", "[org/gnome/desktop/interface]\nenable-animations=false\n");
        EXPECT_TRUE(ReducedMotion::isRequested());
        std::filesystem::remove(home.configHome() / "glib-2.0/settings/keyfile");
    }
    write("gtk-4.0/settings.ini", "[Settings]\ngtk-enable-animations=0\n");
    EXPECT_TRUE(ReducedMotion::isRequested());
    std::filesystem::remove(home.configHome() / "gtk-4.0/settings.ini");
    write("kdeglobals", "[KDE]\nAnimationDurationFactor=0\n");
    EXPECT_TRUE(ReducedMotion::isRequested());
    backend ? setenv("GSETTINGS_BACKEND", savedBackend.c_str(), 1) : unsetenv("GSETTINGS_BACKEND");
}

}  // namespace
