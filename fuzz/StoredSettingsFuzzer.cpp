// The stored FilterRules and DisplayPrefs, through the path every reader takes (StoredRecord): a
// value that does not decode (nested deeper than any record, say) gives the defaults and is
// removed, one that does comes back the same after a save.

#include <string>

#include "Platform/JSONNesting.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "Shared/Settings/FilterRules.h"
#include "fuzz/FuzzSupport.h"

namespace {

template <typename Record>
void loadStored(Platform::UserDefaults& defaults, const Platform::UserDefaults::Data& bytes) {
    FUZZ_EXPECT(defaults.set(Record::key, bytes));
    const Record loaded = Record::load(defaults);
    const bool tooDeep = Platform::JSONNesting::isDeeperThan(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!defaults.data(Record::key)) {
        FUZZ_EXPECT(loaded == Record{});  // corrupt: removed, defaults given
        return;
    }
    FUZZ_EXPECT(!tooDeep);
    loaded.save(defaults);
    FUZZ_EXPECT(Record::load(defaults) == loaded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Platform::UserDefaults::Data bytes(data, data + size);
    loadStored<FilterRules>(Platform::UserDefaults::standard(), bytes);
    loadStored<DisplayPrefs>(AppGroup::sharedDefaults(), bytes);
    return 0;
}
