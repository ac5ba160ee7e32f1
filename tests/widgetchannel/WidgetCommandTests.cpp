// Widget commands as JSON, and the queue file between the widget and the application: whole batches
// in order, damaged ones dropped, a batch an interrupted drain left aside recovered, and a lock held
// too long skipped.

#include "Shared/WidgetChannel/WidgetCommandQueue.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "Platform/AtomicFile.h"
#include "Platform/SystemLog.h"
#include "Platform/UniqueFd.h"
#include "Shared/JSONCoding.h"
#include "Shared/Settings/AppGroup.h"
#include "support/ForkedChild.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempHome;
using Commands = std::vector<WidgetCommand>;
using Json = nlohmann::json;

WidgetCommand decode(const std::string& text) { return Json::parse(text).get<WidgetCommand>(); }

TEST(WidgetCommandJSON, EachCaseIsOneKeyHoldingItsLabelsAndAnythingElseIsRefused) {
    const std::pair<WidgetCommand, const char*> cases[] = {
        {WidgetCommand::kill({4242, 4243}, {4242, 4242}), R"({"kill":{"pids":[4242,4243],"pgids":[4242,4242]}})"},
        {WidgetCommand::kill({INT32_MAX}, {INT32_MIN}), R"({"kill":{"pids":[2147483647],"pgids":[-2147483648]}})"},
        {WidgetCommand::revealFolder("/tmp/ünï \"q\""), R"({"revealFolder":{"path":"/tmp/ünï \"q\""}})"},
        {WidgetCommand::openLocalhost(INT64_MAX), R"({"openLocalhost":{"port":9223372036854775807}})"},
    };
    for (const auto& [command, text] : cases) {
        EXPECT_EQ(Json(command), Json::parse(text));
        EXPECT_EQ(decode(text), command) << text;
    }
    // Keys in any order, unknown keys and whole floating-point numbers are accepted.
    EXPECT_EQ(decode(R"({"kill":{"pgids":[7,7],"extra":"x","pids":[7,8]},"note":1})"),
              WidgetCommand::kill({7, 8}, {7, 7}));
    EXPECT_EQ(decode(R"({"openLocalhost":{"port":8080.0}})"), WidgetCommand::openLocalhost(8080));

    for (const char* refused :
         {R"({})", R"({"note":1,"Kill":{"pids":[],"pgids":[]}})", R"({"openLocalhost":{}})",
          R"({"openLocalhost":{"port":"3000"}})", R"({"openLocalhost":{"port":1.5}})",
          R"({"openLocalhost":{"port":null}})", R"({"openLocalhost":3000})", R"({"revealFolder":{"path":7}})",
          R"({"kill":{"pids":[1]}})", R"({"kill":{"pids":["1"],"pgids":[1]}})",
          R"({"kill":{"pids":[2147483648],"pgids":[1]}})", R"({"kill":{"pids":[1],"pgids":[-2147483649]}})",
          R"([{"openLocalhost":{"port":1}}])"})
        EXPECT_THROW(decode(refused), DecodingError) << refused;
    try {
        decode(R"({"openLocalhost":{"port":1},"revealFolder":{"path":"/p"}})");
        ADD_FAILURE() << "two case keys decoded";
    } catch (const DecodingError& error) {
        EXPECT_STREQ(error.what(), "Invalid number of keys found, expected one.");
    }
}

fs::path queueFile() { return *AppGroup::containerURL() / WidgetCommandQueue::fileName; }
void writeQueue(const std::string& text) { std::ofstream(queueFile(), std::ios::binary) << text; }
std::string readQueue() {
    return Platform::readWholeFile(queueFile(), WidgetCommandQueue::maximumFileSize).value_or("(missing)");
}

// The application's drain, given time enough for a lock nobody holds for long.
std::vector<WidgetCommandQueue::Batch> drainBatches() {
    WidgetCommandQueue::Drained drained = WidgetCommandQueue::tryDrain(std::chrono::seconds(2));
    EXPECT_FALSE(drained.busy);
    return std::move(drained.batches);
}

// Its commands, of every batch in queue order.
Commands drain() {
    Commands commands;
    for (WidgetCommandQueue::Batch& batch : drainBatches())
        commands.insert(commands.end(), batch.commands.begin(), batch.commands.end());
    return commands;
}

// Sets the file's modification time, as if its last write had been then.
void setWritten(const fs::path& file, Platform::Date written) {
    fs::last_write_time(file, fs::file_time_type::clock::from_sys(written));
}

TEST(WidgetCommandQueue, ADamagedBatchIsDroppedWholeAndTheNextEnqueueStartsAfresh) {
    TempHome home;
    for (const char* damaged : {R"([{"openLocalhost":{"port":3000}},{"openLocalhost":{}}])", "no json", ""}) {
        writeQueue(damaged);
        EXPECT_TRUE(drain().empty()) << damaged;
        EXPECT_FALSE(fs::exists(queueFile())) << damaged;
        writeQueue(damaged);
        WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(5173));
        EXPECT_EQ(readQueue(), R"([{"openLocalhost":{"port":5173}}])") << damaged;
        drain();
    }
    // Not UTF-8, so not JSON text: encoding fails and the file keeps what it held.
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(1));
    WidgetCommandQueue::enqueue(WidgetCommand::revealFolder("/tmp/\xff\xfe"));
    EXPECT_EQ(readQueue(), R"([{"openLocalhost":{"port":1}}])");
}

// Each file's batch keeps the time the file was last written, which decides which processes its
// stop commands may still reach.
TEST(WidgetCommandQueue, DrainRecoversTheBatchOfAnInterruptedDrainFirstEachWithItsFilesTime) {
    TempHome home;
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(5173));
    // What a drain killed between moving the file aside and removing it leaves behind.
    const fs::path aside = queueFile().string() + ".draining";
    std::ofstream(aside) << R"([{"openLocalhost":{"port":666}}])";
    const Platform::Date lastRun = std::chrono::system_clock::now() - std::chrono::hours(30);
    setWritten(aside, lastRun);
    WidgetCommandQueue::enqueue(WidgetCommand::revealFolder("/srv/site"));
    EXPECT_EQ(readQueue(), R"([{"openLocalhost":{"port":5173}},{"revealFolder":{"path":"/srv/site"}}])");
    const Platform::Date queued = std::chrono::system_clock::now() - std::chrono::milliseconds(1500);
    setWritten(queueFile(), queued);
    EXPECT_EQ(drainBatches(),
              (std::vector<WidgetCommandQueue::Batch>{
                  {{WidgetCommand::openLocalhost(666)}, lastRun},
                  {{WidgetCommand::openLocalhost(5173), WidgetCommand::revealFolder("/srv/site")}, queued}}));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(*AppGroup::containerURL())) left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"widget-commands.json.lock"});
}

// Files no widget writes: a sparse terabyte (no disk used) must not be taken into memory (it is
// logged), and a file nested a few million levels deep must not be built up level by level. Either
// batch is dropped, and its file removed wherever the drain found it (the queue, or aside where an
// interrupted drain left it), so it cannot come back at every start.
TEST(WidgetCommandQueue, AnOversizedOrDeeplyNestedFileIsDroppedAndRemovedSoItCannotComeBack) {
    TempHome home;
    const fs::path aside = queueFile().string() + ".draining";
    for (const fs::path& file : {queueFile(), aside}) {
        SCOPED_TRACE(file.filename().string());
        Platform::LogCapture log;
        std::ofstream(file).close();
        fs::resize_file(file, std::uintmax_t{1} << 40);
        EXPECT_TRUE(drain().empty());
        EXPECT_FALSE(fs::exists(queueFile()) || fs::exists(aside));
        // A drain reads the queue where it moved it.
        EXPECT_TRUE(log.contains("Vellumark: not reading " + aside.string() + ": larger than "));

        writeQueue(std::string(3'500'000, '['));
        if (file == aside) fs::rename(queueFile(), aside);
        const testing_support::ChildOutcome child =
            testing_support::runInChild([] { return drain().empty() ? "" : "commands drained from a nested file"; });
        ASSERT_TRUE(child.finished) << child.ending;
        EXPECT_EQ(child.problems, "");
        EXPECT_LT(child.peakGrowthKiB, 64 * 1024) << "the nesting was built up";
        EXPECT_FALSE(fs::exists(queueFile()) || fs::exists(aside));
        EXPECT_TRUE(drain().empty());
    }
}

// A widget stopped while holding the lock must not freeze the application's drain.
TEST(WidgetCommandQueue, ADrainThatCannotGetTheLockLeavesTheQueueForTheNextDrain) {
    TempHome home;
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(3000));
    const Platform::UniqueFd holder(::open((queueFile().string() + ".lock").c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_EQ(::flock(holder.get(), LOCK_EX), 0);
    Platform::LogCapture log;
    const WidgetCommandQueue::Drained busy = WidgetCommandQueue::tryDrain(std::chrono::milliseconds(50));
    EXPECT_TRUE(busy.batches.empty());
    EXPECT_TRUE(busy.busy) << "the caller must come back by itself";
    EXPECT_TRUE(log.lines().empty()) << "the caller decides what to log";
    EXPECT_EQ(readQueue(), R"([{"openLocalhost":{"port":3000}}])");
    ::flock(holder.get(), LOCK_UN);
    EXPECT_EQ(drain(), Commands{WidgetCommand::openLocalhost(3000)});
}

}  // namespace
