#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include "App/Restart/RestartPlan.h"
#include "Platform/LoginShell.h"

namespace {

using ServerRestarter::plan;

TEST(RestartPlan, RunsTheTrimmedCommandLineThroughTheLoginShellInAnAbsoluteFolder) {
    EXPECT_EQ(plan("npm run dev -- --port=3000", "/Users/a/shop", "/bin/zsh"),
              (ServerRestarter::Plan{"/bin/zsh", {"-l", "-c", "exec npm run dev -- --port=3000"}, "/Users/a/shop"}));
    // Unicode spaces and line separators are white space too.
    EXPECT_EQ(plan(" \t\xC2\xA0npm start\n\xE3\x80\x80\xE2\x80\xA8", "/", "/bin/sh")->arguments.at(2), "exec npm start");
    const std::string safe(ServerRestarter::shellSafe);
    EXPECT_TRUE(plan("x" + safe, "/w", "/bin/sh").has_value());

    for (const std::optional<std::string>& folder : {std::optional<std::string>{}, {""}, {"~/shop"}, {"shop"},
                                                     {std::string("/w\0/etc", 7)}}) {
        EXPECT_FALSE(plan("npm start", folder, "/bin/sh").has_value()) << folder.value_or("(none)");
    }
    for (const std::optional<std::string>& line : {std::optional<std::string>{}, {""}, {" \n\t"}, {"\xC2\xA0"}}) {
        EXPECT_FALSE(plan(line, "/w", "/bin/sh").has_value());
    }
}

TEST(RestartPlan, AnyCharacterTheShellCouldReadAsSyntaxMeansNoPlan) {
    for (std::string unsafe : {"'", "\"", "$HOME", ";", "&", "|", ">", "<", "*", "?", "[", "\\", "`", "!", "#", "(",
                               "{", "a\tb", "a\nb", "caf\xC3\xA9", "\xE3\x80\x80", "\x01"}) {
        EXPECT_FALSE(plan("npm run dev " + unsafe + " x", "/w", "/bin/sh").has_value()) << unsafe;
    }
    EXPECT_FALSE(plan(std::string("npm\0start", 9), "/w", "/bin/sh").has_value());
}

TEST(UserShell, IsTheShellVariableOnlyWhenAbsoluteElseTheDefaultLoginShell) {
    const char* saved = std::getenv("SHELL");
    const std::string restore = saved ? saved : "";
    setenv("SHELL", "/usr/local/bin/fish", 1);
    EXPECT_EQ(ServerRestarter::userShell(), "/usr/local/bin/fish");
    setenv("SHELL", "fish", 1);
    EXPECT_EQ(ServerRestarter::userShell(), Platform::defaultLoginShell());
    unsetenv("SHELL");
    EXPECT_EQ(ServerRestarter::userShell(), Platform::defaultLoginShell());
    if (saved) setenv("SHELL", restore.c_str(), 1);

    const std::string shell = Platform::defaultLoginShell();
#ifdef __APPLE__
    EXPECT_EQ(shell, "/bin/zsh");
#else
    EXPECT_TRUE(shell.starts_with('/') && ::access(shell.c_str(), X_OK) == 0) << shell;
    EXPECT_EQ(shell.find("nologin"), std::string::npos);
#endif
}

}  // namespace
