#include <gtest/gtest.h>

#include <cstdlib>

#include "App/Restart/RestartPlan.h"
#include "Platform/LoginShell.h"

namespace {

using ServerRestarter::plan;

TEST(RestartPlan, OnlyAPlainCommandLineInAnAbsoluteFolderGetsAPlan) {
    EXPECT_EQ(plan("npm run dev -- --port=3000", "/Users/a/shop", "/bin/zsh"),
              (ServerRestarter::Plan{"/bin/zsh", {"-l", "-c", "exec npm run dev -- --port=3000"}, "/Users/a/shop"}));
    // Unicode spaces and line separators are white space too.
    EXPECT_EQ(plan(" \t\xC2\xA0npm start\n\xE3\x80\x80\xE2\x80\xA8", "/", "/bin/sh")->arguments.at(2), "exec npm start");
    EXPECT_TRUE(plan("x" + std::string(ServerRestarter::shellSafe), "/w", "/bin/sh").has_value());

    const std::pair<std::optional<std::string>, std::optional<std::string>> refused[] = {
        {"npm start", std::nullopt}, {"npm start", ""}, {"npm start", "~/shop"}, {"npm start", "shop"},
        {"npm start", std::string("/w\0/etc", 7)}, {std::nullopt, "/w"}, {"", "/w"}, {" \n\t", "/w"},
        {"\xC2\xA0", "/w"}, {std::string("npm\0start", 9), "/w"},
    };
    for (const auto& [line, folder] : refused) {
        EXPECT_FALSE(plan(line, folder, "/bin/sh").has_value()) << line.value_or("(none)") << " in " << folder.value_or("(none)");
    }
    // Anything the shell could read as syntax.
    for (std::string unsafe : {"'", "\"", "$HOME", ";", "&", "|", ">", "<", "*", "?", "[", "\\", "`", "!", "#", "(",
                               "{", "a\tb", "a\nb", "caf\xC3\xA9", "\xE3\x80\x80", "\x01"}) {
        EXPECT_FALSE(plan("npm run dev " + unsafe + " x", "/w", "/bin/sh").has_value()) << unsafe;
    }
}

TEST(RestartPlan, TheShellIsSHELLOnlyWhenAbsolute) {
    const char* saved = std::getenv("SHELL");
    const std::string restore = saved ? saved : "";
    setenv("SHELL", "/usr/local/bin/fish", 1);
    EXPECT_EQ(ServerRestarter::userShell(), "/usr/local/bin/fish");
    setenv("SHELL", "fish", 1);
    EXPECT_EQ(ServerRestarter::userShell(), Platform::defaultLoginShell());
    saved ? setenv("SHELL", restore.c_str(), 1) : unsetenv("SHELL");
    EXPECT_TRUE(Platform::defaultLoginShell().starts_with('/'));
}

}  // namespace
