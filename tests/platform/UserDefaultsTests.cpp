#include "Platform/UserDefaults.h"

#include "Platform/AtomicFile.h"
#include "Platform/ProcessRunner.h"
#include "Platform/SystemLog.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using Platform::UserDefaults;
using Data = UserDefaults::Data;
using namespace std::string_literals;

constexpr const char* suiteName = "test.suite";
const Data binaryWithNuls{0x00, 0x01, 0xff, 0x00, 'a', 0x80, 0x00};
const std::string binaryHex = "0001ff00618000";
const std::string unicodeText = "Grüße — 日本語 😀 <&> \"q\" ]]> \t tail\r\n";

struct PeerResult {
    int status = -1;
    std::string output;
};

// The peer runs in this test's environment, so it sees the same HOME and XDG folders.
PeerResult runPeer(std::vector<std::string> arguments) {
    const auto result = Platform::runProcess({VELLUMARK_BUILD_DIR "/tests/defaults_peer", std::move(arguments), {}});
    if (result.outcome != Platform::ProcessResult::Outcome::exited) return {};
    return {result.exitStatus, result.output};
}

void writeRawFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Registered domains live for the whole process, so each test's observers must go with the test.
class ScopedObserver {
public:
    ScopedObserver(UserDefaults& defaults, UserDefaults::Observer observer)
        : defaults_(defaults), token_(defaults.addObserver(std::move(observer))) {}
    ~ScopedObserver() { defaults_.removeObserver(token_); }

private:
    UserDefaults& defaults_;
    UserDefaults::ObserverToken token_;
};

class UserDefaultsTest : public ::testing::Test {
protected:
    testing_support::TempHome home;

    UserDefaults& suite() {
        auto opened = UserDefaults::suite(suiteName);
        if (!opened) throw std::runtime_error("suite could not be opened");
        return *opened;
    }
    fs::path suiteFile() const { return home.configHome() / "vellumark" / (std::string(suiteName) + ".plist"); }
};

// ---- values -------------------------------------------------------------------------------------

TEST_F(UserDefaultsTest, EveryValueKindRoundTripsThroughTheFileToAnotherProcess) {
    auto& defaults = suite();
    ASSERT_TRUE(defaults.set("empty data", Data{}));
    ASSERT_TRUE(defaults.set("binary", binaryWithNuls));
    ASSERT_TRUE(defaults.set("text", unicodeText));
    ASSERT_TRUE(defaults.set("empty text", std::string()));
    ASSERT_TRUE(defaults.set("min", std::int64_t{INT64_MIN}));
    ASSERT_TRUE(defaults.set("max", std::int64_t{INT64_MAX}));
    ASSERT_TRUE(defaults.set("no", false));
    ASSERT_TRUE(defaults.set("ключ 🔑", std::string("unicode key")));
    ASSERT_TRUE(defaults.set("gone", true));
    ASSERT_TRUE(defaults.remove("gone"));
    EXPECT_TRUE(defaults.remove("never there"));

    EXPECT_EQ(defaults.data("empty data"), Data{});
    EXPECT_EQ(defaults.data("binary"), binaryWithNuls);
    EXPECT_EQ(defaults.string("text"), unicodeText);
    EXPECT_EQ(defaults.string("empty text"), "");
    EXPECT_EQ(defaults.integer("min"), INT64_MIN);
    EXPECT_EQ(defaults.boolean("no"), false);
    EXPECT_FALSE(defaults.object("gone"));
    EXPECT_EQ(Platform::userDefaultsFilePath(suiteName), suiteFile().string());

    // What this process keeps in memory proves little; another process must decode the same values.
    struct Case { const char* command; const char* key; std::string output; };
    for (const Case& c : {Case{"get-data", "empty data", ""}, Case{"get-data", "binary", binaryHex},
                          Case{"get-string", "text", unicodeText}, Case{"get-int", "min", std::to_string(INT64_MIN)},
                          Case{"get-int", "max", std::to_string(INT64_MAX)}, Case{"get-bool", "no", "0"},
                          Case{"get-string", "ключ 🔑", "unicode key"}}) {
        const auto peer = runPeer({suiteName, c.command, c.key});
        EXPECT_EQ(peer.status, 0) << c.key;
        EXPECT_EQ(peer.output, c.output) << c.key;
    }
    EXPECT_EQ(runPeer({suiteName, "get-bool", "gone"}).status, 1);
    EXPECT_EQ(runPeer({suiteName, "get-bool", "text"}).status, 1) << "another kind is no value";
}

TEST_F(UserDefaultsTest, TypedReadsGiveNothingForAnotherKindAndNulIsRefused) {
    auto& defaults = suite();
    ASSERT_TRUE(defaults.set("n", std::int64_t{1}));
    ASSERT_TRUE(defaults.set("b", true));
    ASSERT_TRUE(defaults.set("s", std::string("1")));
    ASSERT_TRUE(defaults.set("d", Data{'1'}));
    EXPECT_FALSE(defaults.boolean("n") || defaults.string("n") || defaults.data("n") || defaults.integer("b") ||
                 defaults.integer("s") || defaults.string("d") || defaults.data("s") || defaults.object("missing"));
    EXPECT_EQ(defaults.object("b"), UserDefaults::Value(true));

    // Replacing a value with one of another kind leaves only the new kind readable.
    ASSERT_TRUE(defaults.set("n", std::string("now text")));
    EXPECT_FALSE(defaults.integer("n"));
    EXPECT_EQ(defaults.string("n"), "now text");

    // Keys and texts holding NUL are refused, not truncated; data values keep NUL bytes.
    Platform::LogCapture capture;
    EXPECT_FALSE(defaults.set("n\0b"s, std::string("after")));
    EXPECT_FALSE(defaults.set("n", "af\0ter"s));
    EXPECT_EQ(defaults.string("n"), "now text");
    EXPECT_TRUE(capture.contains("NUL"));
}

TEST_F(UserDefaultsTest, ValuesOfKindsWeDoNotWriteAreKeptAcrossAWrite) {
    writeRawFile(suiteFile(), R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>ratio</key><real>1.5</real>
<key>list</key><array><string>x</string></array>
<key>negative</key><integer>-7</integer>
</dict></plist>)");
    auto& defaults = suite();
    EXPECT_FALSE(defaults.object("ratio"));
    EXPECT_EQ(defaults.integer("negative"), -7);
    ASSERT_TRUE(defaults.set("new", true));
    const std::string file = Platform::readWholeFile(suiteFile()).value_or("");
    EXPECT_NE(file.find("<key>ratio</key>"), std::string::npos);
    EXPECT_NE(file.find("<key>list</key>"), std::string::npos);
    EXPECT_EQ(defaults.integer("negative"), -7);
}

// ---- two processes ------------------------------------------------------------------------------

TEST_F(UserDefaultsTest, ValuesWrittenByAnotherProcessAreReadHereAndKeepOurs) {
    auto& defaults = suite();
    ASSERT_TRUE(defaults.set("ours", std::string("hello")));
    EXPECT_FALSE(defaults.object("count"));  // read first, so later reads must notice the change

    ASSERT_EQ(runPeer({suiteName, "set-string", "text", unicodeText}).status, 0);
    ASSERT_EQ(runPeer({suiteName, "set-int", "count", "-42"}).status, 0);
    ASSERT_EQ(runPeer({suiteName, "set-bool", "flag", "1"}).status, 0);
    ASSERT_EQ(runPeer({suiteName, "set-data", "blob", binaryHex}).status, 0);
    EXPECT_EQ(defaults.string("text"), unicodeText);
    EXPECT_EQ(defaults.integer("count"), -42);
    EXPECT_EQ(defaults.boolean("flag"), true);
    EXPECT_EQ(defaults.data("blob"), binaryWithNuls);
    EXPECT_EQ(defaults.string("ours"), "hello");

    ASSERT_EQ(runPeer({suiteName, "set-int", "count", "43"}).status, 0);
    EXPECT_EQ(defaults.integer("count"), 43);
    ASSERT_EQ(runPeer({suiteName, "remove", "flag"}).status, 0);
    EXPECT_FALSE(defaults.boolean("flag"));

    // The standard domain is a file of its own.
    ASSERT_EQ(runPeer({"standard", "set-string", "std", "s"}).status, 0);
    EXPECT_EQ(UserDefaults::standard().string("std"), "s");
    EXPECT_FALSE(defaults.object("std"));
}

TEST_F(UserDefaultsTest, TwoProcessesWritingDifferentKeysAtOnceLoseNothing) {
    constexpr int peerWrites = 200;
    auto& defaults = suite();
    std::atomic<bool> peerDone{false};
    PeerResult peer;
    std::thread runner([&] {
        peer = runPeer({suiteName, "set-many", "peer", std::to_string(peerWrites)});
        peerDone = true;
    });
    // Keep writing for as long as the peer runs, so every one of its writes races with ours.
    int ours = 0;
    for (bool ok = true; ok && (!peerDone || ours < peerWrites); ++ours)
        ok = defaults.set("ours-" + std::to_string(ours), std::int64_t{ours});
    runner.join();
    ASSERT_EQ(peer.status, 0);

    int peerKeys = 0;
    while (defaults.integer("peer-" + std::to_string(peerKeys)) == peerKeys) ++peerKeys;
    EXPECT_EQ(peerKeys, peerWrites);
    EXPECT_EQ(runPeer({suiteName, "count-prefix", "ours"}).output, std::to_string(ours));
    EXPECT_EQ(runPeer({suiteName, "count-prefix", "peer"}).output, std::to_string(peerWrites));
}

// ---- damaged files ------------------------------------------------------------------------------

TEST_F(UserDefaultsTest, ADamagedFileReadsAsEmptyIsLoggedOnceAndTheNextSetRepairsIt) {
    const std::string logged = "Vellumark: unreadable defaults file " + suiteFile().string() + ", starting empty";
    for (const std::string& bytes :
         {"\x00\xff garbage \x01\x02 bytes"s, ""s, "bplist00\xd1\x01\x02"s,
          R"(<?xml version="1.0"?><plist version="1.0"><dict><key>a</key><string>x</str)"s,
          R"(<?xml version="1.0"?><plist version="1.0"><array><string>a</string></array></plist>)"s}) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        Platform::LogCapture capture;
        auto loggedLines = [&] { return std::ranges::count(capture.lines(), logged); };
        writeRawFile(suiteFile(), bytes);
        auto& defaults = suite();
        EXPECT_FALSE(defaults.object("a"));
        EXPECT_FALSE(defaults.string("a"));
        EXPECT_EQ(loggedLines(), 1) << "one line per damaged file, not per read";

        // Removing an absent key leaves the damaged file alone.
        EXPECT_TRUE(defaults.remove("a"));
        EXPECT_EQ(Platform::readWholeFile(suiteFile()).value_or(""), bytes);

        ASSERT_TRUE(defaults.set("a", std::string("repaired")));
        EXPECT_EQ(runPeer({suiteName, "get-string", "a"}).output, "repaired");
        EXPECT_EQ(loggedLines(), 1);
    }
}

TEST_F(UserDefaultsTest, AFolderOrPipeWhereTheFileShouldBeNeitherCrashesNorHangs) {
    Platform::LogCapture capture;
    fs::create_directories(suiteFile());
    auto& defaults = suite();
    EXPECT_FALSE(defaults.object("a"));
    EXPECT_FALSE(defaults.set("a", true));
    EXPECT_TRUE(capture.contains("Vellumark: failed to write defaults file " + suiteFile().string()));

    fs::remove(suiteFile());
    ASSERT_EQ(mkfifo(suiteFile().c_str(), 0600), 0);
    EXPECT_FALSE(defaults.object("a"));
    EXPECT_TRUE(capture.contains("Vellumark: unreadable defaults file " + suiteFile().string()));
    EXPECT_TRUE(defaults.set("a", true));  // the pipe is replaced by a real file
    EXPECT_EQ(defaults.boolean("a"), true);
}

// ---- suites and the environment -----------------------------------------------------------------

TEST_F(UserDefaultsTest, OneSuitePerPlainFileNameAndNoneForAnythingElse) {
    EXPECT_EQ(UserDefaults::suite("shared.group"), UserDefaults::suite("shared.group"));
    EXPECT_NE(UserDefaults::suite("shared.group"), UserDefaults::suite("other.group"));
    EXPECT_NE(UserDefaults::suite(".hidden..but.plain"), nullptr);
    for (const std::string& name : {""s, "."s, ".."s, "a/b"s, "/etc/passwd"s, "../escape"s, "a\0b"s, std::string(300, 'x')})
        EXPECT_EQ(UserDefaults::suite(name), nullptr) << name;
    EXPECT_FALSE(fs::exists(home.configHome() / "escape.plist"));
}

TEST_F(UserDefaultsTest, AnUncreatableSettingsFolderGivesNoSuiteAndFailsStandardWrites) {
    const fs::path blocker = home.home() / "not-a-folder";
    writeRawFile(blocker, "x");
    setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);  // TempHome restores it

    Platform::LogCapture capture;
    EXPECT_EQ(UserDefaults::suite(suiteName), nullptr);
    auto& standard = UserDefaults::standard();
    int heard = 0;
    ScopedObserver observer(standard, [&](const std::string&) { ++heard; });
    EXPECT_FALSE(standard.set("k", true));
    EXPECT_FALSE(standard.object("k"));
    EXPECT_EQ(heard, 0) << "a failed write is no change";
    EXPECT_TRUE(capture.contains("Vellumark: failed to create settings folder"));

    setenv("XDG_CONFIG_HOME", home.configHome().c_str(), 1);
    EXPECT_NE(UserDefaults::suite(suiteName), nullptr);
    EXPECT_TRUE(standard.set("k", true));
    EXPECT_EQ(standard.boolean("k"), true);

    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(Platform::userDefaultsFilePath(suiteName),
              (home.home() / ".config" / "vellumark" / (std::string(suiteName) + ".plist")).string());
}

// ---- observers ----------------------------------------------------------------------------------

TEST_F(UserDefaultsTest, ObserversHearTheirOwnDomainsChangesMadeHereUntilRemoved) {
    auto& defaults = suite();
    std::vector<std::string> heard, standardHeard;
    ScopedObserver standard(UserDefaults::standard(), [&](const std::string& key) { standardHeard.push_back(key); });
    std::optional<ScopedObserver> observer;
    observer.emplace(defaults, [&](const std::string& key) {
        heard.push_back(key + (defaults.object(key) ? "=set" : "=gone"));  // the write is done first
    });
    ASSERT_TRUE(defaults.set("a", true));
    ASSERT_TRUE(defaults.set("b", std::string("x")));
    ASSERT_TRUE(defaults.remove("a"));
    ASSERT_TRUE(UserDefaults::standard().set("FilterRules", Data{'{', '}'}));
    EXPECT_EQ(heard, (std::vector<std::string>{"a=set", "b=set", "a=gone"}));
    EXPECT_EQ(standardHeard, std::vector<std::string>{"FilterRules"});

    observer.reset();
    ASSERT_TRUE(defaults.set("c", true));
    EXPECT_EQ(heard.size(), 3u);

    // Another process's write is no change made in this process.
    ScopedObserver again(defaults, [&](const std::string& key) { heard.push_back(key); });
    ASSERT_EQ(runPeer({suiteName, "set-string", "peer", "x"}).status, 0);
    EXPECT_EQ(defaults.string("peer"), "x");
    EXPECT_EQ(heard.size(), 3u);
}

TEST_F(UserDefaultsTest, AnObserverMayRemoveItselfWhileBeingCalled) {
    auto& defaults = suite();
    int calls = 0, otherCalls = 0;
    UserDefaults::ObserverToken token = 0;
    token = defaults.addObserver([&](const std::string&) {
        ++calls;
        defaults.removeObserver(token);
    });
    ScopedObserver other(defaults, [&](const std::string&) { ++otherCalls; });
    ASSERT_TRUE(defaults.set("a", true));
    ASSERT_TRUE(defaults.set("a", false));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(otherCalls, 2);
}

TEST_F(UserDefaultsTest, ManyThreadsWritingAndReadingTheSameDomainLoseNothing) {
    constexpr int threads = 8, keysPerThread = 25;
    auto& defaults = suite();
    std::atomic<int> heard{0};
    ScopedObserver counter(defaults, [&](const std::string&) { heard.fetch_add(1); });
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < keysPerThread; ++i) {
                const std::string key = "t" + std::to_string(t) + "-" + std::to_string(i);
                EXPECT_TRUE(defaults.set(key, std::int64_t{i}));
                EXPECT_EQ(defaults.integer(key), i);
                ScopedObserver transient(defaults, [](const std::string&) {});  // observers come and go
            }
        });
    }
    for (auto& worker : workers) worker.join();
    EXPECT_EQ(heard.load(), threads * keysPerThread);
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(runPeer({suiteName, "count-prefix", "t" + std::to_string(t)}).output, std::to_string(keysPerThread));
}

}  // namespace
