// "snapshot.json" as the panel and the widget read it. Whatever decodes must survive the way back:
// encoded again, it decodes to the same snapshot, so a snapshot the application writes is always one
// its readers can read.

#include "Shared/ProcessSnapshot.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<ProcessSnapshot> snapshot = ProcessSnapshot::decode(fuzzing::text(data, size));
    if (!snapshot) return 0;
    const std::string encoded = snapshot->encode();
    const std::optional<ProcessSnapshot> again = ProcessSnapshot::decode(encoded);
    FUZZ_EXPECT(again.has_value());
    FUZZ_EXPECT(again->encode() == encoded);
    return 0;
}
