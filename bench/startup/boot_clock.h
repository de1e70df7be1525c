#pragma once
// CLOCK_BOOTTIME in nanoseconds: the clock of /proc/<pid>/stat's start times, and one that
// a process and its parent read alike.
#include <ctime>

namespace veldo::bench {

inline long long BootTimeNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

} // namespace veldo::bench
