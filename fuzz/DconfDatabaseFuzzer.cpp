// A dconf database, the settings file GNOME's tools write in the user's config folder, as the check
// for reduced motion reads it: any bytes give an answer or none, and nothing outside them is read.

#include "Platform/DconfDatabase.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes = fuzzing::text(data, size);
    // A value's key, and the key of the table's root: an item that holds no value.
    for (const char* key : {"/org/gnome/desktop/interface/enable-animations", "/"})
        (void)Platform::DconfDatabase::boolean(bytes, key);
    return 0;
}
