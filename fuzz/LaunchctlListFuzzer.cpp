// `launchctl list` output: the running jobs' main processes and labels.

#include "Shared/Launchd/LaunchdParsing.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const auto& [pid, label] : LaunchdParsing::parseList(fuzzing::text(data, size))) FUZZ_EXPECT(!label.empty());
    return 0;
}
