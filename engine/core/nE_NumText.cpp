#include "engine/core/nE_NumText.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace
{
bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string Format(double value, std::chars_format fmt, int precision)
{
    char buf[400]; // "%.14f" of the largest double fits
    auto r = std::to_chars(buf, buf + sizeof(buf), value, fmt, precision);
    if (r.ec != std::errc()) return "0";
    return std::string(buf, r.ptr);
}

// from_chars reports out-of-range values instead of saturating like atof.
double OutOfRange(const char* begin, const char* end)
{
    for (const char* p = begin; p + 1 < end; ++p)
        if ((*p == 'e' || *p == 'E') && p[1] == '-') return 0.0;
    return HUGE_VAL;
}
} // namespace

std::string nE_FormatG(double value, int precision)
{
    return Format(value, std::chars_format::general, precision);
}

std::string nE_FormatFixed(double value, int decimals)
{
    return Format(value, std::chars_format::fixed, decimals);
}

double nE_ParseFloat(const char* text, const char** end)
{
    if (end) *end = text;
    if (!text) return 0.0;
    const char* p = text;
    while (IsSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    if (*p == '+' || *p == '-') // from_chars would take a second minus
        return 0.0;
    const char* last = p;
    while (*last)
        ++last;
    double value = 0.0;
    auto r = std::from_chars(p, last, value, std::chars_format::general);
    if (r.ptr == p) return 0.0;
    if (r.ec == std::errc::result_out_of_range) value = OutOfRange(p, r.ptr);
    if (end) *end = r.ptr;
    return negative ? -value : value;
}

int nE_ParseInt(const char* text)
{
    if (!text) return 0;
    const char* p = text;
    while (IsSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    uint64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (magnitude < (uint64_t(1) << 40)) // a number that long is garbage anyway; never overflow
            magnitude = magnitude * 10 + uint64_t(*p - '0');
    uint32_t bits = uint32_t(magnitude);
    if (negative) bits = 0u - bits;
    return int32_t(bits);
}
