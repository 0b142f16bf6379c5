// Wall and CPU time for the benchmarks, and the best of several runs. CPU time
// is the steadier figure on a shared machine.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
        m_walls.push_back(Seconds(m_wallStart));
        m_cpus.push_back(CpuSeconds(m_who) - m_cpuStart);
        m_bestWall = std::min(m_bestWall, m_walls.back());
        m_bestCpu = std::min(m_bestCpu, m_cpus.back());
    }

    // The shortest run so far, in wall and in CPU seconds (1e9 before the first).
    double BestWall() const { return m_bestWall; }
    double BestCpu() const { return m_bestCpu; }
    // The median run (the upper one of an even count; 0 before the first).
    double MedianWall() const { return Median(m_walls); }
    double MedianCpu() const { return Median(m_cpus); }

private:
    static double Median(std::vector<double> runs) {
        if (runs.empty()) return 0;
        std::nth_element(runs.begin(), runs.begin() + static_cast<long>(runs.size() / 2), runs.end());
        return runs[runs.size() / 2];
    }

    int m_who;
    std::vector<double> m_walls;
    std::vector<double> m_cpus;
    BenchClock::time_point m_wallStart{};
    double m_cpuStart = 0;
    double m_bestWall = 1e9;
    double m_bestCpu = 1e9;
};

// The folder a benchmark works in: the one given on its command line (kept), else a new
// temporary one named after the benchmark (removed at the end).
class CBenchFolder {
public:
    CBenchFolder(const char* given, const char* name) {
        if (given) {
            m_path = given;
            return;
        }
        std::string tmpl = (std::filesystem::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
        if (::mkdtemp(tmpl.data())) {
            m_path = tmpl;
            m_owned = true;
        }
    }
    ~CBenchFolder() {
        std::error_code ec;
        if (m_owned) std::filesystem::remove_all(m_path, ec);
    }
    CBenchFolder(const CBenchFolder&) = delete;
    CBenchFolder& operator=(const CBenchFolder&) = delete;

    bool Ok() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    bool m_owned = false;
};
