// `launchctl print` output: the path of the job's property list.

#include "Shared/Launchd/LaunchdParsing.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzzing::text(data, size);
    if (const auto path = LaunchdParsing::parsePlistPath(text)) {
        FUZZ_EXPECT(!path->empty() && text.find(*path) != std::string_view::npos);
    }
    return 0;
}
