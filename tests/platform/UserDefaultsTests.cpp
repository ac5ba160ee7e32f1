#include "Platform/UserDefaults.h"

#include "Platform/ISO8601.h"
#include "Platform/ProcessRunner.h"
#include "Platform/SystemLog.h"
#include "support/ForkedChild.h"
#include "support/PropertyLists.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Platform::UserDefaults;
using Data = UserDefaults::Data;
using namespace std::string_literals;

constexpr const char* suiteName = "test.suite";
const std::string unicodeText = "Grüße — 日本語 😀 <&> \"q\" ]]> \t tail\r\n";

// The peer runs in this test's environment, so it sees the same HOME and XDG folders.
Platform::ProcessResult runPeer(std::vector<std::string> arguments) {
    return Platform::runProcess({VELLUMARK_BUILD_DIR "/tests/defaults_peer", std::move(arguments), {}});
}

class UserDefaultsTest : public ::testing::Test {
protected:
    testing_support::TempHome home;

    UserDefaults& suite() {
        auto opened = UserDefaults::suite(suiteName);
        return opened ? *opened : throw std::runtime_error("suite could not be opened");
    }
    fs::path suiteFile() const { return home.configHome() / "vellumark" / (std::string(suiteName) + ".plist"); }
};

TEST_F(UserDefaultsTest, EveryValueKindReachesAnotherProcessAndNulInKeysOrTextsIsRefused) {
    auto& defaults = suite();
    struct Case {
        std::string key;
        UserDefaults::Value value;
        std::string peerSees;
    };
    const Case cases[] = {{"binary", Data{0x00, 0x01, 0xff, 0x00, 'a', 0x80, 0x00}, "d:\0\1\xff\0a\x80\0"s},
                          {"empty", Data{}, "d:"},
                          {"text", unicodeText, "s:" + unicodeText},
                          {"no", false, "b:0"},
                          {"min", std::int64_t{INT64_MIN}, "i:" + std::to_string(INT64_MIN)},
                          {"max", std::int64_t{INT64_MAX}, "i:" + std::to_string(INT64_MAX)},
                          {"ключ 🔑", "key"s, "s:key"},
                          {"gone", true, ""}};
    for (const Case& c : cases) ASSERT_TRUE(defaults.set(c.key, c.value)) << c.key;
    ASSERT_TRUE(defaults.remove("gone"));
    for (const Case& c : cases) EXPECT_EQ(runPeer({suiteName, "get", c.key}).output, c.peerSees) << c.key;
    EXPECT_EQ(runPeer({suiteName, "get", "gone"}).exitStatus, 1);
    EXPECT_FALSE(defaults.string("binary") || defaults.integer("text") || defaults.data("no")) << "another kind";
    Platform::LogCapture capture;
    EXPECT_FALSE(defaults.set("text\0b"s, "after"s));
    EXPECT_FALSE(defaults.set("text", "af\0ter"s));
    EXPECT_EQ(defaults.string("text"), unicodeText);
    EXPECT_TRUE(capture.contains("NUL"));
}

// Threads here and another process write different keys all at once: a lost update shows as a gap.
TEST_F(UserDefaultsTest, WritersInThreadsAndAnotherProcessLoseNothing) {
    constexpr int peerWrites = 200, threads = 4;
    auto& defaults = suite();
    std::atomic<bool> peerDone{false};
    std::vector<int> written(threads, 0);
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([&, t] {
            for (int& i = written[t]; !peerDone || i < 50; ++i)
                if (!defaults.set("t" + std::to_string(t) + "-" + std::to_string(i), std::int64_t{i})) break;
        });
    }
    const auto peer = runPeer({suiteName, "set-many", "peer", std::to_string(peerWrites)});
    peerDone = true;
    for (auto& writer : writers) writer.join();
    ASSERT_EQ(peer.exitStatus, 0);
    EXPECT_EQ(runPeer({suiteName, "count", "peer"}).output, std::to_string(peerWrites));
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(runPeer({suiteName, "count", "t" + std::to_string(t)}).output, std::to_string(written[t]));
}

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::ranges::sort(names);
    return names;
}

// A damaged file may still hold what the user set: it is moved aside, under a name that tells when,
// before anything is written, whether a read or a write meets it first. A file nested a few hundred
// thousand levels deep would crash the parser (refused before it sees it; what else the guard
// refuses: PropertyListTests), a file far larger than settings can be is not taken into memory.
TEST_F(UserDefaultsTest, ACorruptFileIsMovedAsideWithALogLineBeforeAnythingIsWritten) {
    const std::string unreadable = "Vellumark: unreadable defaults file " + suiteFile().string() + " moved aside to ";
    const std::string asidePrefix = suiteFile().filename().string() + ".corrupt-";
    const std::string cases[] = {
        "\x00\xff garbage \x01\x02 bytes"s,
        R"(<?xml version="1.0"?><plist version="1.0"><dict><key>a</key><string>x</str)"s,
        R"(<?xml version="1.0"?><plist version="1.0"><array><string>a</string></array></plist>)"s,
        testing_support::nestedXMLPlist(300'000), "sparse"};
    fs::create_directories(suiteFile().parent_path());
    for (std::size_t index = 0; index < std::size(cases); ++index) {
        const std::string& bytes = cases[index];
        SCOPED_TRACE(testing::PrintToString(bytes.substr(0, 120)));
        Platform::LogCapture capture;
        std::ofstream(suiteFile(), std::ios::binary | std::ios::trunc) << bytes;
        if (bytes == "sparse") fs::resize_file(suiteFile(), std::uintmax_t{64} << 20);
        const std::string written = fileBytes(suiteFile());
        const auto before = std::chrono::system_clock::now();
        if (index % 2 == 0) {
            EXPECT_FALSE(suite().object("a"));
            EXPECT_FALSE(fs::exists(suiteFile())) << "moved aside on reading";
        }
        ASSERT_TRUE(suite().set("a", "repaired"s));
        EXPECT_EQ(runPeer({suiteName, "get", "a"}).output, "s:repaired");

        std::vector<std::string> asides;
        for (const std::string& name : namesIn(suiteFile().parent_path()))
            if (name.starts_with(asidePrefix)) asides.push_back(name);
        ASSERT_EQ(asides.size(), 1u) << testing::PrintToString(namesIn(suiteFile().parent_path()));
        const fs::path aside = suiteFile().parent_path() / asides[0];
        EXPECT_EQ(fileBytes(aside), written) << "the damaged file is kept as it was";
        const auto when = Platform::parseISO8601(asides[0].substr(asidePrefix.size()));
        ASSERT_TRUE(when) << asides[0];
        EXPECT_GE(*when, std::chrono::floor<std::chrono::seconds>(before));
        EXPECT_LE(*when, std::chrono::system_clock::now());
        EXPECT_EQ(std::ranges::count(capture.lines(), unreadable + aside.string() + ", starting empty"), 1)
            << testing::PrintToString(capture.lines());
        fs::remove(aside);
    }
    fs::remove(suiteFile());
    ASSERT_EQ(mkfifo(suiteFile().c_str(), 0600), 0);  // must not hang the reader
    EXPECT_FALSE(suite().object("a"));
    EXPECT_TRUE(suite().set("a", true));
}

// A file this user may not read (mode 000) still holds the user's settings: it is never replaced.
// The process goes on with the defaults, keeps what it sets in memory, and says so once. Root reads
// any file, so as root the child that meets the file runs as the user nobody.
TEST_F(UserDefaultsTest, AFileItMayNotReadIsNeverOverwrittenAndSettingsLiveInMemory) {
    ASSERT_TRUE(suite().set("filters", "mine"s));
    const std::string stored = fileBytes(suiteFile());
    fs::permissions(suiteFile(), fs::perms::none);
    const testing_support::ChildOutcome child = testing_support::runInChild(
        [&] {
            std::string problems;
            Platform::LogCapture log;
            UserDefaults& defaults = suite();
            if (::access(suiteFile().c_str(), R_OK) == 0) return "the file is readable: the case cannot be tried"s;
            if (defaults.object("filters")) problems += "read a value from a file it may not read; ";
            if (!defaults.set("hotKey", "⌥⌘P"s) || !defaults.set("seen", true) || !defaults.remove("seen"))
                problems += "a change was refused; ";
            if (defaults.string("hotKey") != "⌥⌘P" || defaults.object("seen")) problems += "not kept in memory; ";
            const auto said = std::ranges::count_if(log.lines(), [&](const std::string& line) {
                return line.starts_with("Vellumark: cannot read defaults file " + suiteFile().string() + ": ");
            });
            if (said != 1)
                problems += "said " + std::to_string(said) + " times: " + testing::PrintToString(log.lines());
            return problems;
        },
        {.unprivilegedIn = home.home().parent_path()});
    ASSERT_TRUE(child.finished) << child.ending;
    EXPECT_EQ(child.problems, "");
    fs::permissions(suiteFile(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fileBytes(suiteFile()), stored);
    EXPECT_EQ(namesIn(suiteFile().parent_path()),
              (std::vector<std::string>{suiteFile().filename(), suiteFile().filename().string() + ".lock"}));
}

// Under umask 000 as well: folders only the user may enter, files only the user may read; and a
// symbolic link planted as the lock file is not followed to create its target.
TEST_F(UserDefaultsTest, WhatItCreatesIsPrivateWhateverTheUmaskAndAPlantedLockLinkIsNotFollowed) {
    fs::remove_all(home.configHome());
    const mode_t umaskBefore = ::umask(0);
    const bool written = UserDefaults::standard().set("a", true);
    ::umask(umaskBefore);
    ASSERT_TRUE(written);
    const fs::path standardFile = Platform::userDefaultsFilePath(UserDefaults::standardDomain);
    for (const fs::path& folder : {home.configHome(), standardFile.parent_path()})
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << folder;
    for (const fs::path& file : {standardFile, fs::path(standardFile.string() + ".lock")})
        EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write) << file;

    const fs::path planted = home.home() / "planted";
    fs::create_symlink(planted, suiteFile().string() + ".lock");
    Platform::LogCapture log;
    EXPECT_FALSE(suite().set("a", true));
    EXPECT_FALSE(fs::exists(fs::symlink_status(planted)));
    EXPECT_TRUE(log.contains("Vellumark: failed to lock defaults file " + suiteFile().string() + ".lock: "));
}

TEST_F(UserDefaultsTest, ASuiteIsOnePerPlainFileNameAndNoneWhileItsFolderCannotBeMade) {
    EXPECT_EQ(UserDefaults::suite("shared.group"), UserDefaults::suite("shared.group"));
    for (const std::string& name : {""s, ".."s, "a/b"s, "../escape"s, "a\0b"s, std::string(300, 'x')})
        EXPECT_EQ(UserDefaults::suite(name), nullptr) << name;
    std::ofstream(home.home() / "not-a-folder") << "x";
    setenv("XDG_CONFIG_HOME", (home.home() / "not-a-folder").c_str(), 1);  // TempHome restores it
    EXPECT_EQ(UserDefaults::suite(suiteName), nullptr);
    EXPECT_FALSE(UserDefaults::standard().set("k", true)) << "a failed write is reported";
}

// Another process's writes are read here, but they are no change made in this process.
TEST_F(UserDefaultsTest, ObserversHearChangesMadeHereOnTheirDomainUntilRemovedEvenFromWithin) {
    auto& defaults = suite();
    std::vector<std::string> heard;
    UserDefaults::ObserverToken once = defaults.addObserver([&](const std::string& key) {
        heard.push_back("once " + key);
        defaults.removeObserver(once);
    });
    const auto token = defaults.addObserver([&](const std::string& key) {
        heard.push_back(key + (defaults.object(key) ? "=set" : "=gone"));  // the write is done first
    });
    // Observers live as long as the domain, the whole process: no early return before removing them.
    EXPECT_TRUE(defaults.set("a", true) && defaults.remove("a") && UserDefaults::standard().set("other", true));
    EXPECT_FALSE(defaults.object("count"));   // read first, so later reads must notice the change
    for (const char* value : {"41", "42"}) {  // same size, possibly the same second
        EXPECT_EQ(runPeer({suiteName, "set", "count", value}).exitStatus, 0);
        EXPECT_EQ(defaults.integer("count"), std::stoll(value)) << "another process's write was not read";
    }
    defaults.removeObserver(token);
    defaults.removeObserver(once);
    EXPECT_TRUE(defaults.set("b", true));
    EXPECT_EQ(heard, (std::vector<std::string>{"once a", "a=set", "a=gone"}));
}

}  // namespace
