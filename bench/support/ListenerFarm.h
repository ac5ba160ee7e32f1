#pragma once
// Real dev servers for the benchmarks: `count` processes that each lead a process group of their
// own, work in a folder of their own (<home>/Development/p<i>, so each makes a project of its own)
// and listen on a loopback port below the dynamic range. They only wait. They go with the object,
// and with the benchmark program should it end first.

#include <sys/types.h>

#include <filesystem>
#include <vector>

class ListenerFarm {
public:
    ListenerFarm(int count, const std::filesystem::path& home);
    ~ListenerFarm();
    ListenerFarm(const ListenerFarm&) = delete;
    ListenerFarm& operator=(const ListenerFarm&) = delete;

    const std::vector<pid_t>& pids() const { return pids_; }

private:
    std::vector<pid_t> pids_;
};
