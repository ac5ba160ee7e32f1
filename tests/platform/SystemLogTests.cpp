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

// A name from the file system may hold any byte but "/" and NUL: a line break in a folder's name
// must not start a log line of that folder's making, nor an escape sequence reach a terminal.
TEST(SystemLog, ControlCharactersInALineAreEscapedAndTheRestKept) {
    Platform::LogCapture capture;
    testing::internal::CaptureStderr();
    Platform::systemLog("Vellumark: cannot use /tmp/a\nVellumark: forged\r\t\x1b[31m\x7f \\n ü\u0085.");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Vellumark: cannot use /tmp/a\\nVellumark: forged\\r\\t\\x1B[31m\\x7F \\n ü\\u0085.\n");
    EXPECT_EQ(
        capture.lines(),
        std::vector<std::string>{"Vellumark: cannot use /tmp/a\\nVellumark: forged\\r\\t\\x1B[31m\\x7F \\n ü\\u0085."});
}

}  // namespace
