#include "engine/core/nE_Utf8.h"

#include <algorithm>
#include <cstdint>

size_t nE_FindBadUtf8(const std::string& text)
{
    const size_t n = text.size();
    for (size_t i = 0; i < n;)
    {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        size_t more = 0;
        uint32_t value = b;
        if (b < 0x80)
            more = 0;
        else if (b >= 0xC2 && b < 0xE0)
            more = 1, value = b & 0x1F;
        else if (b >= 0xE0 && b < 0xF0)
            more = 2, value = b & 0x0F;
        else if (b >= 0xF0 && b < 0xF5)
            more = 3, value = b & 0x07;
        else
            return i;
        if (i + more >= n) return i; // cut short by the end
        for (size_t k = 1; k <= more; ++k)
        {
            const unsigned char c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) return i;
            value = value << 6 | (c & 0x3F);
        }
        // Overlong forms, surrogates and values past the last code point.
        static const uint32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
        if (value < kLeast[more] || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) return i;
        i += more + 1;
    }
    return std::string::npos;
}

int nE_LineOf(const std::string& text, size_t offset)
{
    offset = std::min(offset, text.size());
    return 1 + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(offset), '\n'));
}
