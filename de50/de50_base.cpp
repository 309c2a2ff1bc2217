#include "de50/de50_base.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace DE50
{

void WriteDbg(const char* format, ...)
{
    if (!format)
        return;
    char small[512];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0)
    {
        va_end(copy);
        return;
    }
    if (static_cast<size_t>(n) < sizeof small)
    {
        va_end(copy);
        WriteDbgUnsafe(small);
        return;
    }
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, copy);
    va_end(copy);
    WriteDbgUnsafe(big.data());
}

void WriteDbgUnsafe(const char* text)
{
    std::fprintf(stderr, "%s\n", text ? text : "(null)");
}

} // namespace DE50
