#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "Platform/SystemLog.h"

namespace {

TEST(SystemLog, GoesToStandardErrorAndToACaptureFromEveryThreadWhileItLives) {
    {
        Platform::LogCapture capture;
        testing::internal::CaptureStderr();
        std::vector<std::thread> threads;
        for (int t = 0; t < 200; ++t)
            threads.emplace_back([t] { Platform::systemLog("Vellumark: " + std::to_string(t)); });
        for (auto& thread : threads) thread.join();
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Vellumark: 199\n"), std::string::npos);
        EXPECT_EQ(capture.lines().size(), 200u);
        EXPECT_TRUE(capture.contains("Vellumark: 42"));
    }
    Platform::systemLog("Vellumark: after capture");  // a destroyed capture must not be written to
}

}  // namespace
