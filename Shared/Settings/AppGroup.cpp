#include "Shared/Settings/AppGroup.h"

#include <memory>
#include <string>

#include "Platform/AppGroupContainer.h"

namespace AppGroup {

std::optional<std::filesystem::path> containerURL() { return Platform::appGroupContainer(std::string(identifier)); }

Platform::UserDefaults& sharedDefaults() {
    // The platform keeps one suite object per name for the life of the process, so handing out a
    // reference is safe.
    if (std::shared_ptr<Platform::UserDefaults> suite = Platform::UserDefaults::suite(std::string(identifier))) {
        return *suite;
    }
    return Platform::UserDefaults::standard();
}

}  // namespace AppGroup
