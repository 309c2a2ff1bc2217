#include "de50/de50_base.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace DE50
{

static void WriteLine(const char* format, va_list args)
{
    if (!format)
    {
        std::fputs("(null)\n", stderr);
        return;
    }
    char small[512];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, args);
    if (n >= 0 && static_cast<size_t>(n) < sizeof small)
    {
        std::fprintf(stderr, "%s\n", small);
    }
    else if (n >= 0)
    {
        std::vector<char> big(static_cast<size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), format, copy);
        std::fprintf(stderr, "%s\n", big.data());
    }
    va_end(copy);
}

void WriteDbg(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteLine(format, args);
    va_end(args);
}

void WriteDbgUnsafe(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteLine(format, args);
    va_end(args);
}

} // namespace DE50
