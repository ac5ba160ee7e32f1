// "snapshot.json" as the panel and the widget read it. Whatever decodes must survive the way back:
// encoded again, it decodes to the same snapshot, so a snapshot the application writes is always one
// its readers can read. Nesting deeper than any snapshot is refused unparsed, and the file grown
// past a snapshot's size (sparse, so it costs no disk) is no snapshot, unread.

#include <unistd.h>

#include <filesystem>
#include <string>

#include "Platform/JSONNesting.h"
#include "Shared/ProcessSnapshot.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Store/DataStore.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder = *AppGroup::containerURL();
    static const std::string file = (folder / DataStore::fileName).string();
    fuzzing::replaceFile(file.c_str(), fuzzing::text(data, size));
    ::truncate(file.c_str(), DataStore::maximumFileSize + 1);
    FUZZ_EXPECT(!DataStore::read(folder));

    const std::optional<ProcessSnapshot> snapshot = ProcessSnapshot::decode(fuzzing::text(data, size));
    if (!snapshot) return 0;
    FUZZ_EXPECT(!Platform::JSONNesting::isDeeperThan(fuzzing::text(data, size)));
    const std::string encoded = snapshot->encode();
    const std::optional<ProcessSnapshot> again = ProcessSnapshot::decode(encoded);
    FUZZ_EXPECT(again.has_value());
    FUZZ_EXPECT(again->encode() == encoded);
    return 0;
}
