// `lsof -iTCP -sTCP:LISTEN -Fpn` output as the scanner hands it over (made UTF-8): the listening
// ports of every process.

#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/UTF8.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const auto& [pid, ports] :
         ProcessScannerParsing::parseListeningPorts(replacingInvalidUTF8(fuzzing::text(data, size)))) {
        // Only TCP ports below the dynamic range count as a server's.
        for (const int port : ports) FUZZ_EXPECT(port >= 1 && port < 49152);
    }
    return 0;
}
