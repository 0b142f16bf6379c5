// Wall and CPU time for the benchmarks, and the best of several runs. CPU time
// is the steadier figure on a shared machine.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using BenchClock = std::chrono::steady_clock;

// Wall seconds since since.
inline double Seconds(BenchClock::time_point since) {
    return std::chrono::duration<double>(BenchClock::now() - since).count();
}

// CPU seconds (user + system) of this process (RUSAGE_SELF) or of its finished children (RUSAGE_CHILDREN).
inline double CpuSeconds(int who = RUSAGE_SELF) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Reads the whole file once, so that the contenders timed on it all start from the page cache.
inline void WarmPageCache(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    std::vector<char> buffer(1 << 20);
    while (std::fread(buffer.data(), 1, buffer.size(), f) > 0) {
    }
    std::fclose(f);
}

// Times runs of one piece of work, by the wall clock and by the CPU time of this process or of
// the children it waits for, and keeps the best of each.
class CBenchTimer {
public:
    explicit CBenchTimer(int who = RUSAGE_SELF) : m_who(who) {}

    // Begins one run.
    void Start() {
        m_wallStart = BenchClock::now();
        m_cpuStart = CpuSeconds(m_who);
    }
    // Ends the run begun by Start; its times count towards the best.
    void Stop() {
        m_bestWall = std::min(m_bestWall, Seconds(m_wallStart));
        m_bestCpu = std::min(m_bestCpu, CpuSeconds(m_who) - m_cpuStart);
    }

    // The shortest run so far, in wall and in CPU seconds (1e9 before the first).
    double BestWall() const { return m_bestWall; }
    double BestCpu() const { return m_bestCpu; }

private:
    int m_who;
    BenchClock::time_point m_wallStart{};
    double m_cpuStart = 0;
    double m_bestWall = 1e9;
    double m_bestCpu = 1e9;
};
