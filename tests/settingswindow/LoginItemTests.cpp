// Launch at login as an XDG autostart entry: the Exec line that starts exactly the running program,
// whatever its path holds, and what counts as enabled. A folder that cannot be written is met through
// the settings window's switch (SettingsWindowTests).

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "Core/LoginItem/DesktopEntry.h"
#include "Core/LoginItem/LoginItem.h"
#include "Platform/AtomicFile.h"
#include "Platform/SystemLog.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

TEST(DesktopEntry, ExecQuotesAPathOnlyWhenItMustAndReadsEveryPathBack) {
    EXPECT_EQ(DesktopEntry::execValue("/usr/bin/vellumark"), "/usr/bin/vellumark");
    EXPECT_EQ(DesktopEntry::execValue("/opt/My Apps/vellumark"), "\"/opt/My Apps/vellumark\"");
    // '"', '`', '$' and '\' are escaped inside the quotes, and the backslashes escaped again for the
    // key file; "%" is doubled.
    EXPECT_EQ(DesktopEntry::execValue("/a\\b/$x`\"/100%"), "\"/a\\\\\\\\b/\\\\$x\\\\`\\\\\"/100%%\"");
    for (const char* path : {"/usr/bin/vellumark", "/opt/My Apps/vellumark", "/a\\b/$x`\"/100%", "/tmp/line\nbreak",
                             "/tmp/tab\tand 'quote' ~ & ; * ? # | < >", "/home/ü/Développement/vellumark"}) {
        EXPECT_EQ(DesktopEntry::execProgram(DesktopEntry::execValue(path)), path) << path;
    }
    // Not ours to read: field codes, broken quotes, nothing.
    for (const char* value : {"", "\"/unterminated", "/bin/prog%f", "\"/a\"b", "\"/a\\q\"", "/a;b"})
        EXPECT_EQ(DesktopEntry::execProgram(value), std::nullopt) << value;
    EXPECT_EQ(DesktopEntry::execProgram("/usr/bin/vellumark --flag"), "/usr/bin/vellumark");
}

// Under umask 000 as well: another user must not be able to plant an entry in a folder it made.
TEST(LoginItem, TogglingWritesAndRemovesTheAutostartEntryForThisProgramInPrivateFolders) {
    testing_support::TempHome home;
    fs::remove_all(home.configHome());
    const fs::path entry = home.configHome() / "autostart/io.kestrow.v3lk.desktop";
    EXPECT_FALSE(LoginItem::isEnabled());

    const mode_t umaskBefore = ::umask(0);
    EXPECT_TRUE(LoginItem::toggle());
    ::umask(umaskBefore);
    for (const fs::path& made : {home.configHome(), entry.parent_path()})
        EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all) << made;
    EXPECT_EQ(fs::status(entry).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    const std::string text = Platform::readWholeFile(entry, LoginItem::maximumEntrySize).value_or("");
    EXPECT_EQ(text, "[Desktop Entry]\nType=Application\nName=Vellumark\nExec=" +
                        DesktopEntry::execValue(LoginItem::programPath().string()) + "\n");
    EXPECT_EQ(DesktopEntry::execProgram(*DesktopEntry::read(text).exec), fs::read_symlink("/proc/self/exe").string());
    EXPECT_TRUE(LoginItem::isEnabled());

    EXPECT_FALSE(LoginItem::toggle());
    EXPECT_FALSE(fs::exists(entry));
    // Asking for the state it is in changes nothing; asking for the other state reaches it.
    EXPECT_FALSE(LoginItem::setEnabled(false));
    EXPECT_TRUE(LoginItem::setEnabled(true));
    EXPECT_TRUE(LoginItem::setEnabled(true));
    EXPECT_TRUE(fs::exists(entry));
}

TEST(LoginItem, AnEntrySwitchedOffByTheDesktopOrStartingAnotherProgramIsNotEnabled) {
    testing_support::TempHome home;
    const fs::path entry = home.configHome() / "autostart/io.kestrow.v3lk.desktop";
    fs::create_directories(entry.parent_path());
    const std::string ours = DesktopEntry::autostartEntry("Vellumark", LoginItem::programPath().string());
    for (const std::string& text :
         {ours + "Hidden=true\n", std::string("[Desktop Entry]\nType=Application\nExec=/usr/bin/other\n"),
          "[Other Group]\n" + ours.substr(ours.find('\n') + 1), std::string("\x01\xff garbage")}) {
        ASSERT_FALSE(Platform::writeFileAtomically(entry, text));
        EXPECT_FALSE(LoginItem::isEnabled()) << text;
    }
    // A sparse terabyte under the name is not read into memory, and says so.
    Platform::LogCapture log;
    fs::resize_file(entry, std::uintmax_t{1} << 40);
    EXPECT_FALSE(LoginItem::isEnabled());
    EXPECT_TRUE(log.contains("Vellumark: not reading " + entry.string() + ": larger than "));
    // Turning it on replaces such an entry by ours.
    EXPECT_TRUE(LoginItem::setEnabled(true));
    EXPECT_EQ(Platform::readWholeFile(entry, LoginItem::maximumEntrySize), ours);
}

}  // namespace
