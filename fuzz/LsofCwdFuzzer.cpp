// `lsof -d cwd -Fpcn` output as the scanner hands it over (made UTF-8): the command and folder of
// every process, with lsof's escapes undone, and the same entries when only the listeners' are read.

#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/UTF8.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = replacingInvalidUTF8(fuzzing::text(data, size));
    const auto all = ProcessScannerParsing::parseCWDs(text);
    ProcessScannerParsing::ListeningPorts listeners;
    ProcessScannerParsing::WorkingDirectories listenersEntries;
    for (const auto& [pid, entry] : all) {
        // Names reach the snapshot's JSON, which holds only UTF-8.
        FUZZ_EXPECT(isValidUTF8(entry.command));
        FUZZ_EXPECT(isValidUTF8(entry.cwd));
        if (pid % 2 == 0) {
            listeners[pid].insert(3000);
            listenersEntries.emplace(pid, entry);
        }
    }
    FUZZ_EXPECT(ProcessScannerParsing::parseCWDs(text, listeners) == listenersEntries);
    return 0;
}
