#include "App/Common/BuildInfo.h"

std::string BuildInfo::version() { return VELLUMARK_VERSION; }

std::string BuildInfo::updateFeed() { return VELLUMARK_UPDATE_FEED; }
