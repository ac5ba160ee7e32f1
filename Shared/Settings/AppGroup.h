#pragma once
// The App Group the application and the widget share: one identifier names both the shared folder
// and the shared defaults suite.

#include <filesystem>
#include <optional>
#include <string_view>

#include "Platform/UserDefaults.h"

namespace AppGroup {

inline constexpr std::string_view identifier = "Q4W9ZK2M7T.io.kestrow.v3lk";

// The shared folder; absent when the platform gives none.
std::optional<std::filesystem::path> containerURL();

// The defaults suite named by the identifier, or the standard defaults when the suite cannot be
// opened (the widget then no longer shares the application's display preferences). Opened anew on
// every call, so a suite that becomes available is used from then on.
Platform::UserDefaults& sharedDefaults();

}  // namespace AppGroup
