// What /proc says about a process, read from the kernel's text.

#include "Platform/ProcFS.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

namespace ProcFS = Platform::ProcFS;

TEST(ProcFS, ReadsGroupStartUserAndBootTimeFromTheKernelsTextAndNothingFromOtherText) {
    const std::string stat =
        "4242 (my (odd) name) S 1 4200 4200 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0 9128 10424320 2264\n";
    const auto identity = ProcFS::parseStatIdentity(stat);
    ASSERT_TRUE(identity);
    EXPECT_EQ(std::pair(identity->pgid, identity->startTicks), std::pair(4200, std::uint64_t{9128}));
    for (const char* bad : {"", "4242 name S 1 4200 4200 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0 9128",
                            "4242 (p) S 1 4200 4200 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0",
                            "4242 (p) S 1 -4200 4200 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0 9128",
                            "4242 (p) S 1 2147483648 1 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0 9128",
                            "4242 (p) S 1 4200 4200 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0 9x28"})
        EXPECT_EQ(ProcFS::parseStatIdentity(bad), std::nullopt) << bad;

    // The real user, not the effective one a setuid program runs as.
    EXPECT_EQ(ProcFS::parseRealUID("Name:\tpasswd\nState:\tS\nUid:\t1000\t0\t0\t0\nGid:\t1000\t1000\t1000\t1000\n"),
              1000u);
    EXPECT_EQ(ProcFS::parseRealUID("Uid:\t0\t0\t0\t0"), 0u);
    for (const char* bad : {"", "Name:\tx\n", "Uid:\t-1\t0\t0\t0\n", "Uid:\t4294967296\t0\n", "Uid:\n", "Gid:\t5\n"})
        EXPECT_EQ(ProcFS::parseRealUID(bad), std::nullopt) << bad;

    EXPECT_EQ(ProcFS::parseBootTime("cpu  1 2 3\nintr 5 6\nctxt 9\nbtime 1700000000\nprocesses 77\n"), 1700000000);
    for (const char* bad : {"", "cpu  1 2 3\n", "btime\n", "btime -5\n", "btimes 12\n"})
        EXPECT_EQ(ProcFS::parseBootTime(bad), std::nullopt) << bad;

    // This very process, as the kernel describes it.
    const auto self = ProcFS::identify(::getpid());
    ASSERT_TRUE(self);
    EXPECT_EQ(std::pair(self->pgid, self->realUID), std::pair(::getpgrp(), ::getuid()));
    EXPECT_TRUE(ProcFS::numbersProcessesAsWeDo());
    EXPECT_EQ(ProcFS::identify(0), std::nullopt);
}

}  // namespace
