#pragma once
// The parts of a posix_spawn call that every child of ours needs: file actions and attributes that
// are released whatever happens, a clean signal state, and argument vectors.

#include <spawn.h>

#include <string>
#include <vector>

namespace Platform {

class SpawnSetup {
public:
    SpawnSetup();
    ~SpawnSetup();
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Non-zero when the file actions or attributes could not be made; nothing else works then.
    int error() const { return actionsError_ ? actionsError_ : attributesError_; }

    // The child starts with no blocked signal and every signal at its default, whatever the calling
    // thread blocks or the application ignores: otherwise it could not be stopped with SIGTERM.
    // `extraFlags` are added to the attribute flags (a new process group, for instance).
    int resetSignals(short extraFlags = 0);

    posix_spawn_file_actions_t* actions() { return &actions_; }
    posix_spawnattr_t* attributes() { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
    int actionsError_ = 0;
    int attributesError_ = 0;
};

// The program path followed by its arguments, as owned strings.
std::vector<std::string> argumentStrings(const std::string& program, const std::vector<std::string>& arguments);

// posix_spawn wants mutable char pointers ending in a null entry; the strings stay owned by the vector.
std::vector<char*> nullTerminated(std::vector<std::string>& strings);

}  // namespace Platform
