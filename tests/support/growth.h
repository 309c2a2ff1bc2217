#pragma once
// How much longer a loader takes on an input twice the size: linear work
// answers about 2, quadratic about 4. Each size is timed several times, the
// two interleaved, and the least of each kept, so that a busy machine slows
// neither size alone.

#include <algorithm>
#include <chrono>
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
        const auto start = std::chrono::steady_clock::now();
        run();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
