// `ps -axwwo pid=,pgid=,pcpu=,pmem=,rss=,etime=,time=,command=` output as the scanner hands it over
// (made UTF-8), each line's one-pass reading against its column-by-column one, the table with the
// listeners' command lines only, and the instant CPU taken from two such tables.

#include <cmath>

#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/ScanText.h"
#include "Shared/UTF8.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = replacingInvalidUTF8(fuzzing::text(data, size));
    ScanText::forEachLine(text, [](std::string_view line) {
        // Which reading took a line never shows.
        if (const auto plain = ProcessScannerParsing::Testing::readPlainPSLine(line))
            FUZZ_EXPECT(ProcessScannerParsing::Testing::readGeneralPSLine(line) == plain);
    });
    const ProcessScannerParsing::ProcessTable table = ProcessScannerParsing::parsePS(text);
    ProcessScannerParsing::CPUTimes previous;
    ProcessScannerParsing::ListeningPorts listeners;
    auto listenersTable = table;
    for (auto& [pid, entry] : listenersTable) {
        FUZZ_EXPECT(std::isfinite(entry.cpu) && std::isfinite(entry.mem));
        FUZZ_EXPECT(!entry.cpuTimeSeconds || std::isfinite(*entry.cpuTimeSeconds));
        FUZZ_EXPECT(!entry.commandLine || isValidUTF8(*entry.commandLine));
        if (entry.cpuTimeSeconds) previous[pid] = *entry.cpuTimeSeconds / 2;
        if (pid % 2 == 0) listeners[pid].insert(3000);
        else entry.commandLine.reset();
    }
    FUZZ_EXPECT(ProcessScannerParsing::parsePS(text, listeners) == listenersTable);
    for (const auto& [pid, entry] : ProcessScannerParsing::withInstantCPU(table, previous, 5.0)) {
        FUZZ_EXPECT(std::isfinite(entry.cpu));
        FUZZ_EXPECT(!previous.contains(pid) || entry.cpu >= 0);  // a pid reused would give less
    }
    return 0;
}
