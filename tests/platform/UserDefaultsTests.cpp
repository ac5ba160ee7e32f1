#include "Platform/UserDefaults.h"

#include "Platform/SystemLog.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Platform::UserDefaults;
using Data = UserDefaults::Data;
using namespace std::string_literals;

constexpr const char* suiteName = "test.suite";

// ---- the second process -------------------------------------------------------------------------

struct PeerResult {
    int status = -1;
    std::string output;
};

pid_t spawnPeer(const std::vector<std::string>& arguments, int stdoutFd) {
    std::vector<std::string> all{VELLUMARK_BUILD_DIR "/tests/defaults_peer"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

int exitStatusOf(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs the peer in the test's environment (same HOME and XDG folders) and collects its output.
PeerResult runPeer(const std::vector<std::string>& arguments) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    const pid_t pid = spawnPeer(arguments, fds[1]);
    close(fds[1]);
    PeerResult result;
    char buffer[4096];
    ssize_t count;
    while ((count = read(fds[0], buffer, sizeof buffer)) != 0) {
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) break;
        result.output.append(buffer, static_cast<size_t>(count));
    }
    close(fds[0]);
    if (pid > 0) result.status = exitStatusOf(pid);
    return result;
}

std::string hexOf(const Data& data) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (auto byte : data) out += {digits[byte >> 4], digits[byte & 0xf]};
    return out;
}

// ---- helpers ------------------------------------------------------------------------------------

void writeRawFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string readRawFile(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

size_t linesContaining(const Platform::LogCapture& capture, const std::string& text) {
    auto lines = capture.lines();
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// Removes the observer when the test ends, so registered domains (which live for the whole process)
// carry no observers into the next test.
class ScopedObserver {
public:
    ScopedObserver(UserDefaults& defaults, UserDefaults::Observer observer)
        : defaults_(defaults), token_(defaults.addObserver(std::move(observer))) {}
    ~ScopedObserver() { defaults_.removeObserver(token_); }
    UserDefaults::ObserverToken token() const { return token_; }

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

const Data binaryWithNuls{0x00, 0x01, 0xff, 0x00, 'a', 0x80, 0x00};
const std::string unicodeText = "Grüße — 日本語 😀 <&> \"q\" ]]> \t tail\r\n";

// ---- values -------------------------------------------------------------------------------------

TEST_F(UserDefaultsTest, EveryValueKindRoundTripsThroughTheFile) {
    auto& defaults = suite();
    ASSERT_TRUE(defaults.set("empty data", Data{}));
    ASSERT_TRUE(defaults.set("binary", binaryWithNuls));
    ASSERT_TRUE(defaults.set("text", unicodeText));
    ASSERT_TRUE(defaults.set("empty text", std::string()));
    ASSERT_TRUE(defaults.set("minus one", std::int64_t{-1}));
    ASSERT_TRUE(defaults.set("min", std::int64_t{INT64_MIN}));
    ASSERT_TRUE(defaults.set("max", std::int64_t{INT64_MAX}));
    ASSERT_TRUE(defaults.set("zero", std::int64_t{0}));
    ASSERT_TRUE(defaults.set("yes", true));
    ASSERT_TRUE(defaults.set("no", false));
    ASSERT_TRUE(defaults.set("ключ 🔑", std::string("unicode key")));

    EXPECT_EQ(defaults.data("empty data"), Data{});
    EXPECT_EQ(defaults.data("binary"), binaryWithNuls);
    EXPECT_EQ(defaults.string("text"), unicodeText);
    EXPECT_EQ(defaults.string("empty text"), "");
    EXPECT_EQ(defaults.integer("minus one"), -1);
    EXPECT_EQ(defaults.integer("min"), INT64_MIN);
    EXPECT_EQ(defaults.integer("max"), INT64_MAX);
    EXPECT_EQ(defaults.integer("zero"), 0);
    EXPECT_EQ(defaults.boolean("yes"), true);
    EXPECT_EQ(defaults.boolean("no"), false);
    EXPECT_EQ(defaults.string("ключ 🔑"), "unicode key");
    EXPECT_TRUE(fs::is_regular_file(suiteFile()));
    EXPECT_EQ(Platform::userDefaultsFilePath(suiteName), suiteFile().string());

    // What this process keeps in memory proves little; another process must decode the same values.
    EXPECT_EQ(runPeer({suiteName, "get-data", "empty data"}).output, "");
    EXPECT_EQ(runPeer({suiteName, "get-data", "empty data"}).status, 0);
    EXPECT_EQ(runPeer({suiteName, "get-data", "binary"}).output, hexOf(binaryWithNuls));
    EXPECT_EQ(runPeer({suiteName, "get-string", "text"}).output, unicodeText);
    EXPECT_EQ(runPeer({suiteName, "get-int", "min"}).output, std::to_string(INT64_MIN));
    EXPECT_EQ(runPeer({suiteName, "get-int", "max"}).output, std::to_string(INT64_MAX));
    EXPECT_EQ(runPeer({suiteName, "get-int", "minus one"}).output, "-1");
    EXPECT_EQ(runPeer({suiteName, "get-bool", "no"}).output, "0");
    EXPECT_EQ(runPeer({suiteName, "get-string", "ключ 🔑"}).output, "unicode key");
}

TEST_F(UserDefaultsTest, TypedReadsGiveNothingForAnotherKindOrAMissingKey) {
    auto& defaults = suite();
    ASSERT_TRUE(defaults.set("n", std::int64_t{1}));
    ASSERT_TRUE(defaults.set("b", true));
    ASSERT_TRUE(defaults.set("s", std::string("1")));
    ASSERT_TRUE(defaults.set("d", Data{'1'}));

    EXPECT_FALSE(defaults.boolean("n"));
    EXPECT_FALSE(defaults.string("n"));
    EXPECT_FALSE(defaults.data("n"));
    EXPECT_FALSE(defaults.integer("b"));
    EXPECT_FALSE(defaults.integer("s"));
    EXPECT_FALSE(defaults.string("d"));
    EXPECT_FALSE(defaults.data("s"));
    EXPECT_FALSE(defaults.object("missing"));
    EXPECT_FALSE(defaults.integer("missing"));
    EXPECT_EQ(defaults.object("b"), UserDefaults::Value(true));

    // Replacing a value with one of another kind leaves only the new kind readable.
    ASSERT_TRUE(defaults.set("n", std::string("now text")));
    EXPECT_FALSE(defaults.integer("n"));
    EXPECT_EQ(defaults.string("n"), "now text");
}

TEST_F(UserDefaultsTest, RemoveDeletesOnlyThatKey) {
    auto& defaults = suite();
    ASSERT_TRUE(defaults.set("gone", std::string("x")));
    ASSERT_TRUE(defaults.set("kept", std::string("y")));
    ASSERT_TRUE(defaults.remove("gone"));
    EXPECT_FALSE(defaults.object("gone"));
    EXPECT_EQ(defaults.string("kept"), "y");
    EXPECT_TRUE(defaults.remove("never there"));
    EXPECT_EQ(runPeer({suiteName, "get-string", "gone"}).status, 1);
    EXPECT_EQ(runPeer({suiteName, "get-string", "kept"}).output, "y");
}

TEST_F(UserDefaultsTest, KeysAndTextsHoldingNulAreRefusedNotTruncated) {
    Platform::LogCapture capture;
    auto& defaults = suite();
    ASSERT_TRUE(defaults.set("a", std::string("before")));
    EXPECT_FALSE(defaults.set(std::string("a\0b", 3), std::string("after")));
    EXPECT_FALSE(defaults.set("a", std::string("af\0ter", 6)));
    EXPECT_EQ(defaults.string("a"), "before");
    EXPECT_TRUE(capture.contains("NUL"));
    // Bytes with NUL belong in data values, which keep them.
    ASSERT_TRUE(defaults.set("a", Data{'x', 0, 'y'}));
    EXPECT_EQ(defaults.data("a"), (Data{'x', 0, 'y'}));
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
    const std::string file = readRawFile(suiteFile());
    EXPECT_NE(file.find("<key>ratio</key>"), std::string::npos);
    EXPECT_NE(file.find("<key>list</key>"), std::string::npos);
    EXPECT_EQ(defaults.integer("negative"), -7);
}

// ---- two processes ------------------------------------------------------------------------------

TEST_F(UserDefaultsTest, ValuesWrittenByAnotherProcessAreReadHere) {
    auto& defaults = suite();
    // Read first, so the later reads must notice that the file changed underneath.
    EXPECT_FALSE(defaults.object("from peer"));

    ASSERT_EQ(runPeer({suiteName, "set-string", "from peer", unicodeText}).status, 0);
    ASSERT_EQ(runPeer({suiteName, "set-int", "count", "-42"}).status, 0);
    ASSERT_EQ(runPeer({suiteName, "set-bool", "flag", "1"}).status, 0);
    ASSERT_EQ(runPeer({suiteName, "set-data", "blob", hexOf(binaryWithNuls)}).status, 0);
    EXPECT_EQ(defaults.string("from peer"), unicodeText);
    EXPECT_EQ(defaults.integer("count"), -42);
    EXPECT_EQ(defaults.boolean("flag"), true);
    EXPECT_EQ(defaults.data("blob"), binaryWithNuls);

    ASSERT_EQ(runPeer({suiteName, "set-int", "count", "43"}).status, 0);
    EXPECT_EQ(defaults.integer("count"), 43);
    ASSERT_EQ(runPeer({suiteName, "remove", "flag"}).status, 0);
    EXPECT_FALSE(defaults.boolean("flag"));

    // The standard domain is a file of its own.
    ASSERT_EQ(runPeer({"standard", "set-string", "std", "s"}).status, 0);
    EXPECT_EQ(UserDefaults::standard().string("std"), "s");
    EXPECT_FALSE(defaults.object("std"));
}

TEST_F(UserDefaultsTest, ValuesWrittenHereAreReadByAnotherProcess) {
    auto& defaults = suite();
    ASSERT_TRUE(defaults.set("ours", std::string("hello")));
    ASSERT_TRUE(defaults.set("number", std::int64_t{-9000000000}));
    EXPECT_EQ(runPeer({suiteName, "get-string", "ours"}).output, "hello");
    EXPECT_EQ(runPeer({suiteName, "get-int", "number"}).output, "-9000000000");
    EXPECT_EQ(runPeer({suiteName, "get-bool", "ours"}).status, 1);
    EXPECT_EQ(runPeer({suiteName, "get-string", "absent"}).status, 1);

    // A peer's write must keep what this process wrote before.
    ASSERT_EQ(runPeer({suiteName, "set-string", "theirs", "x"}).status, 0);
    EXPECT_EQ(defaults.string("ours"), "hello");
    EXPECT_EQ(runPeer({suiteName, "get-string", "ours"}).output, "hello");
}

TEST_F(UserDefaultsTest, TwoProcessesWritingDifferentKeysAtOnceLoseNothing) {
    constexpr int peerWrites = 200;
    auto& defaults = suite();
    const pid_t peer = spawnPeer({suiteName, "set-many", "peer", std::to_string(peerWrites)}, -1);
    ASSERT_GT(peer, 0);

    // Keep writing for as long as the peer runs, so every one of its writes races with ours.
    int ours = 0;
    int status = 0;
    bool peerDone = false;
    while (!peerDone || ours < peerWrites) {
        ASSERT_TRUE(defaults.set("ours-" + std::to_string(ours), std::int64_t{ours}));
        ++ours;
        if (!peerDone && waitpid(peer, &status, WNOHANG) == peer) peerDone = true;
    }
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    int peerKeys = 0;
    while (defaults.integer("peer-" + std::to_string(peerKeys)) == peerKeys) ++peerKeys;
    EXPECT_EQ(peerKeys, peerWrites);
    for (int i = 0; i < ours; ++i) ASSERT_EQ(defaults.integer("ours-" + std::to_string(i)), i) << i;
    EXPECT_EQ(runPeer({suiteName, "count-prefix", "ours"}).output, std::to_string(ours));
    EXPECT_EQ(runPeer({suiteName, "count-prefix", "peer"}).output, std::to_string(peerWrites));
}

// ---- damaged files ------------------------------------------------------------------------------

struct DamagedFile {
    const char* name;
    std::string bytes;
};

void PrintTo(const DamagedFile& file, std::ostream* out) { *out << file.name; }

class DamagedDefaultsFileTest : public UserDefaultsTest, public ::testing::WithParamInterface<DamagedFile> {};

TEST_P(DamagedDefaultsFileTest, ReadsAsEmptyIsLoggedOnceAndTheNextSetRepairsIt) {
    Platform::LogCapture capture;
    writeRawFile(suiteFile(), GetParam().bytes);
    auto& defaults = suite();
    const std::string logged = "Vellumark: unreadable defaults file " + suiteFile().string() + ", starting empty";

    EXPECT_FALSE(defaults.object("a"));
    EXPECT_FALSE(defaults.string("a"));
    EXPECT_EQ(linesContaining(capture, logged), 1u) << "one line per damaged file, not per read";

    // Removing an absent key leaves the damaged file alone and does not log again.
    EXPECT_TRUE(defaults.remove("a"));
    EXPECT_EQ(readRawFile(suiteFile()), GetParam().bytes);

    ASSERT_TRUE(defaults.set("a", std::string("repaired")));
    EXPECT_EQ(defaults.string("a"), "repaired");
    EXPECT_EQ(runPeer({suiteName, "get-string", "a"}).output, "repaired");
    EXPECT_EQ(linesContaining(capture, logged), 1u);

    // A new damage is a new state and is reported again.
    writeRawFile(suiteFile(), "still <not> a property list");
    EXPECT_FALSE(defaults.object("a"));
    EXPECT_EQ(linesContaining(capture, logged), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Corruptions, DamagedDefaultsFileTest,
    ::testing::Values(
        DamagedFile{"Garbage", "\x00\xff garbage \x01\x02 bytes"s},
        DamagedFile{"ArrayRoot",
                    R"(<?xml version="1.0"?><plist version="1.0"><array><string>a</string></array></plist>)"},
        DamagedFile{"TruncatedXml", R"(<?xml version="1.0"?><plist version="1.0"><dict><key>a</key><string>x</str)"},
        DamagedFile{"TruncatedBinary", "bplist00\xd1\x01\x02"s},
        DamagedFile{"Empty", ""}),
    [](const auto& info) { return std::string(info.param.name); });

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

TEST_F(UserDefaultsTest, ASuiteIsOneObjectPerName) {
    auto first = UserDefaults::suite("shared.group");
    auto second = UserDefaults::suite("shared.group");
    auto other = UserDefaults::suite("other.group");
    ASSERT_TRUE(first && second && other);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
    EXPECT_EQ(first->domain(), "shared.group");
    EXPECT_EQ(UserDefaults::standard().domain(), UserDefaults::standardDomain);
    EXPECT_EQ(&UserDefaults::standard(), &UserDefaults::standard());
}

TEST_F(UserDefaultsTest, NamesThatAreNotPlainFileNamesGiveNoSuite) {
    for (const std::string& name : {std::string(), std::string("."), std::string(".."), std::string("a/b"),
                                    std::string("/etc/passwd"), std::string("../escape"), std::string("a\0b", 3),
                                    std::string(300, 'x')}) {
        EXPECT_EQ(UserDefaults::suite(name), nullptr) << name;
    }
    EXPECT_FALSE(fs::exists(home.configHome() / "escape.plist"));
    EXPECT_NE(UserDefaults::suite(".hidden..but.plain"), nullptr);
}

TEST_F(UserDefaultsTest, AnUncreatableSettingsFolderGivesNoSuiteAndFailsStandardWrites) {
    const fs::path blocker = home.home() / "not-a-folder";
    writeRawFile(blocker, "x");
    setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);  // TempHome restores it

    Platform::LogCapture capture;
    EXPECT_EQ(UserDefaults::suite(suiteName), nullptr);
    auto& standard = UserDefaults::standard();
    EXPECT_FALSE(standard.object("k"));
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
}

TEST_F(UserDefaultsTest, TheFileIsLookedUpAgainWhenTheEnvironmentMoves) {
    auto& defaults = suite();
    ASSERT_TRUE(defaults.set("first home", true));
    {
        testing_support::TempHome other;
        EXPECT_FALSE(defaults.object("first home"));
        ASSERT_TRUE(defaults.set("second home", true));
        EXPECT_TRUE(fs::exists(other.configHome() / "vellumark" / (std::string(suiteName) + ".plist")));
    }
    EXPECT_EQ(defaults.boolean("first home"), true);
    EXPECT_FALSE(defaults.object("second home"));

    // XDG_CONFIG_HOME unset: the folder under HOME.
    unsetenv("XDG_CONFIG_HOME");
    const fs::path underHome = home.home() / ".config" / "vellumark" / (std::string(suiteName) + ".plist");
    EXPECT_EQ(Platform::userDefaultsFilePath(suiteName), underHome.string());
}

// ---- observers ----------------------------------------------------------------------------------

TEST_F(UserDefaultsTest, ObserversHearEverySetAndRemoveUntilRemoved) {
    auto& defaults = suite();
    std::vector<std::string> heard;
    std::optional<ScopedObserver> observer;
    observer.emplace(defaults, [&](const std::string& key) {
        heard.push_back(key + (defaults.object(key) ? "=set" : "=gone"));  // the write is done first
    });

    ASSERT_TRUE(defaults.set("a", true));
    ASSERT_TRUE(defaults.set("b", std::string("x")));
    ASSERT_TRUE(defaults.remove("a"));
    EXPECT_EQ(heard, (std::vector<std::string>{"a=set", "b=set", "a=gone"}));

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
    int calls = 0;
    UserDefaults::ObserverToken token = 0;
    token = defaults.addObserver([&](const std::string&) {
        ++calls;
        defaults.removeObserver(token);
    });
    int otherCalls = 0;
    ScopedObserver other(defaults, [&](const std::string&) { ++otherCalls; });

    ASSERT_TRUE(defaults.set("a", true));
    ASSERT_TRUE(defaults.set("a", false));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(otherCalls, 2);
}

TEST_F(UserDefaultsTest, TheStandardDomainAndASuiteDoNotNotifyEachOther) {
    auto& standard = UserDefaults::standard();
    auto& shared = suite();
    std::vector<std::string> standardHeard, suiteHeard;
    ScopedObserver a(standard, [&](const std::string& key) { standardHeard.push_back(key); });
    ScopedObserver b(shared, [&](const std::string& key) { suiteHeard.push_back(key); });

    ASSERT_TRUE(standard.set("FilterRules", Data{'{', '}'}));
    ASSERT_TRUE(shared.set("DisplayPrefs", Data{'{', '}'}));
    ASSERT_TRUE(shared.remove("DisplayPrefs"));
    EXPECT_EQ(standardHeard, std::vector<std::string>{"FilterRules"});
    EXPECT_EQ(suiteHeard, (std::vector<std::string>{"DisplayPrefs", "DisplayPrefs"}));
    EXPECT_FALSE(shared.object("FilterRules"));
}

// ---- threads ------------------------------------------------------------------------------------

TEST_F(UserDefaultsTest, ManyThreadsWritingAndReadingTheSameDomainLoseNothing) {
    constexpr int threads = 8, keysPerThread = 25;
    auto& defaults = suite();
    std::atomic<int> heard{0};
    ScopedObserver counter(defaults, [&](const std::string&) { heard.fetch_add(1); });

    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            const std::string prefix = "t" + std::to_string(t);
            for (int i = 0; i < keysPerThread; ++i) {
                ASSERT_TRUE(defaults.set(prefix + "-" + std::to_string(i), std::int64_t{i}));
                // Reads, and observers coming and going, while others write.
                ASSERT_EQ(defaults.integer(prefix + "-" + std::to_string(i)), i);
                ScopedObserver transient(defaults, [](const std::string&) {});
            }
        });
    }
    for (auto& worker : workers) worker.join();

    EXPECT_EQ(heard.load(), threads * keysPerThread);
    for (int t = 0; t < threads; ++t) {
        const std::string prefix = "t" + std::to_string(t);
        for (int i = 0; i < keysPerThread; ++i)
            EXPECT_EQ(defaults.integer(prefix + "-" + std::to_string(i)), i) << prefix << "-" << i;
        EXPECT_EQ(runPeer({suiteName, "count-prefix", prefix}).output, std::to_string(keysPerThread));
    }
}

}  // namespace
