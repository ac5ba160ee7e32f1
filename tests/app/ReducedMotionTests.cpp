// Reading the desktop's wish for less motion from the settings the desktops really write: GNOME's
// in a real dconf database (compiled by dconf itself, and read back by gsettings to be sure), GTK's
// and KDE's in their INI files; a change shows at the next look, and no process is started for it.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "App/StatusTile/ReducedMotion.h"
#include "Platform/AtomicFile.h"
#include "Platform/DconfDatabase.h"
#include "Platform/ProcessRunner.h"
#include "support/ForkedChild.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* dconfTool = "/usr/bin/dconf";
constexpr const char* gsettingsTool = "/usr/bin/gsettings";

// A dconf database holding the keys of `keyfile` (dconf's own key-file form), at `target`, put in
// place by a rename as dconf's service does it.
void compileDconf(const std::string& keyfile, const fs::path& target) {
    const testing_support::TempDir sources;
    fs::create_directories(sources.path() / "db.d");
    std::ofstream(sources.path() / "db.d/settings") << keyfile;
    fs::create_directories(target.parent_path());
    const fs::path compiled = target.string() + ".new";
    const auto result =
        Platform::runProcess({dconfTool, {"compile", compiled.string(), (sources.path() / "db.d").string()}, 20s});
    ASSERT_EQ(result.exitStatus, 0) << "dconf compile failed";
    fs::rename(compiled, target);
}

// What gsettings reads from the same database, through dconf.
std::string gsettingsAnswer(const fs::path& configHome) {
    const auto result =
        Platform::runProcess({gsettingsTool,
                              {"get", "org.gnome.desktop.interface", "enable-animations"},
                              20s,
                              std::vector<std::string>{"XDG_CONFIG_HOME=" + configHome.string(),
                                                       "GSETTINGS_BACKEND=dconf", "HOME=/nonexistent"}});
    return result.output;
}

double childrenCPUSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(ReducedMotion, ReadsEachDesktopsSettingFromItsFile) {
    using namespace ReducedMotion;
    EXPECT_TRUE(gtkSettingsDisableAnimations("[Settings]\n  gtk-enable-animations = 0  \n"));
    EXPECT_TRUE(kdeGlobalsDisableAnimations("[General]\nfoo=1\n[KDE]\nAnimationDurationFactor=0.0\n"));
    const std::string animated[] = {
        "[Other]\ngtk-enable-animations=false\n", "[Settings]\n# gtk-enable-animations=false\n",
        "[Settings]\ngtk-enable-animations=false\ngtk-enable-animations=true\n", std::string("\0\xff[Settings", 10)};
    for (const std::string& text : animated) EXPECT_FALSE(gtkSettingsDisableAnimations(text)) << text;
    EXPECT_FALSE(kdeGlobalsDisableAnimations("[KDE]\nAnimationDurationFactor=0x\n"));
    EXPECT_FALSE(kdeGlobalsDisableAnimations("[General]\nAnimationDurationFactor=0\n"));

    if (::access(dconfTool, X_OK) != 0) GTEST_SKIP() << "no dconf to write GNOME's database with";
    testing_support::TempHome home;
    const fs::path database = home.configHome() / "dconf/user";
    const std::string neighbours =
        "[org/gnome/desktop/wm/preferences]\nnum-workspaces=3\n[org/gnome/desktop/a11y]\n"
        "always-show-universal-access-status=true\n";
    const std::pair<std::string, bool> databases[] = {
        {"[org/gnome/desktop/interface]\nclock-format='12h'\nenable-animations=false\n" + neighbours, true},
        {"[org/gnome/desktop/interface]\nenable-animations=true\n" + neighbours, false},
        {neighbours, false},
        // The same name elsewhere, and a value of another type, are no answer.
        {"[org/gnome/desktop/interface/x]\nenable-animations=false\n[org/gnome/desktop]\nenable-animations=false\n",
         false},
        {"[org/gnome/desktop/interface]\nenable-animations='false'\n", false}};
    for (const auto& [keyfile, requested] : databases) {
        compileDconf(keyfile, database);
        const std::string bytes = Platform::readWholeFile(database, 4 << 20).value();
        EXPECT_EQ(dconfDatabaseDisablesAnimations(bytes), requested) << keyfile;
        EXPECT_EQ(isRequested(), requested) << keyfile;
        if (::access(gsettingsTool, X_OK) == 0) {
            EXPECT_EQ(gsettingsAnswer(home.configHome()), requested ? "false\n" : "true\n") << keyfile;
        }
        // A file cut short gives no value or, where what the key needs lies before the cut, the
        // same; one bent in any byte gives whatever it gives, and neither reads past its end (the
        // sanitizer builds would tell).
        const std::string_view key = "/org/gnome/desktop/interface/enable-animations";
        const auto whole = Platform::DconfDatabase::boolean(bytes, key);
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            const auto cut = Platform::DconfDatabase::boolean(bytes.substr(0, size), key);
            EXPECT_TRUE(!cut || cut == whole) << size;
        }
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            std::string bent = bytes;
            bent[at] = static_cast<char>(~bent[at]);
            (void)Platform::DconfDatabase::boolean(bent, key);
        }
    }

    for (const auto& [file, text] : {std::pair{"gtk-4.0/settings.ini", "[Settings]\ngtk-enable-animations=0\n"},
                                     {"kdeglobals", "[KDE]\nAnimationDurationFactor=0\n"}}) {
        fs::remove(database);
        fs::create_directories((home.configHome() / file).parent_path());
        std::ofstream(home.configHome() / file) << text;
        EXPECT_TRUE(isRequested()) << file;
        fs::remove(home.configHome() / file);
    }
}

// The answer the status icon asks for before each pulse follows the files at once: dconf's
// database replaced by a rename, a GTK file written in place. Nothing is spawned to find out.
TEST(ReducedMotion, TheLastKnownAnswerFollowsAChangedFileAtOnceWithoutStartingAProcess) {
    if (::access(dconfTool, X_OK) != 0) GTEST_SKIP() << "no dconf to write GNOME's database with";
    testing_support::TempHome home;
    const fs::path database = home.configHome() / "dconf/user";
    const fs::path gtk = home.configHome() / "gtk-3.0/settings.ini";
    fs::create_directories(gtk.parent_path());
    const auto looked = [] {
        const double before = childrenCPUSeconds();
        const bool requested = ReducedMotion::lastKnown();
        EXPECT_EQ(childrenCPUSeconds(), before) << "a process was started to find out";
        return requested;
    };
    EXPECT_FALSE(looked());
    compileDconf("[org/gnome/desktop/interface]\nenable-animations=false\n", database);
    EXPECT_TRUE(looked());
    EXPECT_TRUE(looked());
    compileDconf("[org/gnome/desktop/interface]\nenable-animations=true\n", database);
    EXPECT_FALSE(looked());
    std::ofstream(gtk) << "[Settings]\ngtk-enable-animations=false\n";
    EXPECT_TRUE(looked());
    std::ofstream(gtk) << "[Settings]\ngtk-enable-animations=true\n";
    EXPECT_FALSE(looked());
    EXPECT_FALSE(ReducedMotion::isRequested());
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
