#pragma once
// CPU time as the application pays it: this process's (all threads), user and system, and its
// children's once they have been waited for. Wall time would count the other work of a shared machine.

#include <sys/resource.h>

#include <utility>

inline double processCPUSeconds() {
    const auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    rusage self{}, children{};
    ::getrusage(RUSAGE_SELF, &self);
    ::getrusage(RUSAGE_CHILDREN, &children);
    return seconds(self.ru_utime) + seconds(self.ru_stime) + seconds(children.ru_utime) + seconds(children.ru_stime);
}

// The CPU seconds that `work` costs, children included.
template <typename Work>
double cpuSecondsOf(Work&& work) {
    const double before = processCPUSeconds();
    std::forward<Work>(work)();
    return processCPUSeconds() - before;
}
