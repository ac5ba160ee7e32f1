// `lsof -d cwd -Fpcn` output as the scanner hands it over (made UTF-8): the command and folder of
// every process, with lsof's escapes undone.

#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/UTF8.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const auto& [pid, entry] : ProcessScannerParsing::parseCWDs(replacingInvalidUTF8(fuzzing::text(data, size)))) {
        // Names reach the snapshot's JSON, which holds only UTF-8.
        FUZZ_EXPECT(isValidUTF8(entry.command));
        FUZZ_EXPECT(isValidUTF8(entry.cwd));
    }
    return 0;
}
