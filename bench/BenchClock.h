#pragma once

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

// Wall clock and processor time of one measured run. The build machine is shared: runs are
// repeated and the best kept, and ratios are taken between runs of the same process.
struct Timing {
    double seconds = 1e300;
    double cpuSeconds = 1e300;
    void keepBest(const Timing& t)
    {
        seconds = std::min(seconds, t.seconds);
        cpuSeconds = std::min(cpuSeconds, t.cpuSeconds);
    }
};

inline double ClockSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Times one call of work.
template <typename Work>
Timing Measure(Work&& work)
{
    const double wall = ClockSeconds(CLOCK_MONOTONIC), cpu = ClockSeconds(CLOCK_PROCESS_CPUTIME_ID);
    work();
    return {ClockSeconds(CLOCK_MONOTONIC) - wall, ClockSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu};
}

inline long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// "what: 1.23 s (processor 1.10 s)"
inline void PrintTiming(const char* what, const Timing& t)
{
    std::printf("%s: %.2f s (processor %.2f s)\n", what, t.seconds, t.cpuSeconds);
}

// "ratio to the plain reader: 1.31 (processor 1.25); goal <= 1.5: met"
inline void PrintRatio(const Timing& job, const Timing& plain, double goal)
{
    const double ratio = job.seconds / plain.seconds;
    std::printf("ratio to the plain reader: %.2f (processor %.2f); goal <= %.1f: %s\n", ratio,
                job.cpuSeconds / plain.cpuSeconds, goal, ratio <= goal ? "met" : "NOT met");
}
