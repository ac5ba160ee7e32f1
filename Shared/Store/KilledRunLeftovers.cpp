#include "Shared/Store/KilledRunLeftovers.h"

#include <string_view>

#include "Platform/AtomicFile.h"
#include "Platform/NotifyCenter.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Store/DataStore.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"

namespace KilledRunLeftovers {

void remove() {
    if (const auto container = AppGroup::containerURL()) {
        Platform::removeLeftoverTemporaryFiles(*container, [](std::string_view target) {
            return target == DataStore::fileName || target == WidgetCommandQueue::fileName;
        });
    }
    Platform::removeLeftoverDefaultsFiles();
    Platform::NotifyCenter::removeStaleObservers();
}

}  // namespace KilledRunLeftovers
