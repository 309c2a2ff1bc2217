#pragma once
// How much longer a loader takes on an input twice the size: linear work
// answers about 2, quadratic about 4. The thread's own processor time is
// measured, so time spent waiting for a busy machine's cores does not count;
// each size is timed several times, the two interleaved, and the least of
// each kept.

#include <algorithm>
#include <ctime>
#include <functional>
#include <string>

namespace growth
{
inline std::string Repeat(const std::string& part, int n)
{
    std::string out;
    out.reserve(part.size() * size_t(n));
    while (n-- > 0)
        out += part;
    return out;
}

inline double Ratio(const std::function<void()>& small, const std::function<void()>& twice, int repeats = 5)
{
    auto seconds = [](const std::function<void()>& run)
    {
        auto now = []
        {
            timespec t{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
            return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
        };
        const double start = now();
        run();
        return now() - start;
    };
    double a = 1e30, b = 1e30;
    for (int i = 0; i < repeats; ++i)
    {
        a = std::min(a, seconds(small));
        b = std::min(b, seconds(twice));
    }
    return b / std::max(a, 1e-9);
}
} // namespace growth
