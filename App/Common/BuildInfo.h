#pragma once
// What the build fixed: the application's version (the CMake project version) and the address of
// its update feed (the CMake option VELLUMARK_UPDATE_FEED, empty when the build has none). Only
// BuildInfo.cpp sees the compile definitions, so changing the feed rebuilds one file.

#include <string>

namespace BuildInfo {

std::string version();
std::string updateFeed();

}  // namespace BuildInfo
