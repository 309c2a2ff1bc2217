#pragma once
// What every benchmark program shares without a window: the test run's tiny
// mode and the process's resident memory.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace benchenv
{

// Set by `make test` (NE_BENCH_TINY=1): each benchmark runs once on the
// smallest work that still goes through all of its code; its figures mean nothing.
inline bool Tiny()
{
    const char* v = std::getenv("NE_BENCH_TINY");
    return v && std::strcmp(v, "1") == 0;
}

// A field of /proc/self/status in MB ("VmRSS", "VmHWM"); 0 when unreadable.
inline double StatusMb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':')
            return std::atof(line.c_str() + n + 1) / 1024.0;
    return 0;
}

inline double ResidentMb()
{
    return StatusMb("VmRSS");
}

// The most the process has held since the start or the last ResetPeak.
inline double PeakMb()
{
    return StatusMb("VmHWM");
}

// The peak starts again from what is resident now (Linux: "5" to clear_refs).
inline bool ResetPeak()
{
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f) return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

} // namespace benchenv
