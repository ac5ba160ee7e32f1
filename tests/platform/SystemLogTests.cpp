#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "Platform/SystemLog.h"

namespace {

TEST(SystemLog, CapturesLinesFromEveryThreadWhileAlive) {
    Platform::systemLog("Vellumark: before capture");
    std::vector<std::string> lines;
    {
        Platform::LogCapture capture;
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([t] {
                for (int i = 0; i < 50; ++i) Platform::systemLog("Vellumark: line " + std::to_string(t * 100 + i));
            });
        }
        for (auto& thread : threads) thread.join();
        lines = capture.lines();
        EXPECT_TRUE(capture.contains("line 349"));
        EXPECT_FALSE(capture.contains("before capture"));
        capture.clear();
        EXPECT_TRUE(capture.lines().empty());
    }
    EXPECT_EQ(lines.size(), 200u);
    Platform::systemLog("Vellumark: after capture");  // a destroyed capture must not be written to
}

TEST(SystemLog, WritesTheLineToStandardError) {
    testing::internal::CaptureStderr();
    Platform::systemLog("Vellumark: failed to write snapshot: disk full");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Vellumark: failed to write snapshot: disk full\n");
}

}  // namespace
