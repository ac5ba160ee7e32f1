#include "Platform/SpawnSetup.h"

#include <signal.h>

namespace Platform {

SpawnSetup::SpawnSetup() {
    actionsError_ = posix_spawn_file_actions_init(&actions_);
    attributesError_ = posix_spawnattr_init(&attributes_);
}

SpawnSetup::~SpawnSetup() {
    if (actionsError_ == 0) posix_spawn_file_actions_destroy(&actions_);
    if (attributesError_ == 0) posix_spawnattr_destroy(&attributes_);
}

int SpawnSetup::resetSignals(short extraFlags) {
    if (int failure = error()) return failure;
    sigset_t noSignals, allSignals;
    sigemptyset(&noSignals);
    sigfillset(&allSignals);
    if (int failure = posix_spawnattr_setsigmask(&attributes_, &noSignals)) return failure;
    if (int failure = posix_spawnattr_setsigdefault(&attributes_, &allSignals)) return failure;
    return posix_spawnattr_setflags(&attributes_,
                                    static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | extraFlags));
}

std::vector<std::string> argumentStrings(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> strings;
    strings.reserve(arguments.size() + 1);
    strings.push_back(program);
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    return strings;
}

std::vector<char*> nullTerminated(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (auto& string : strings) pointers.push_back(string.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace Platform
