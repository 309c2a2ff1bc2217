#include "de50/de50_types.h"

#include <cmath>

namespace DE50
{

bool TMat4::IsIdentity() const
{
    static const TMat4 identity;
    for (int i = 0; i < 16; ++i)
        if (m[i] != identity.m[i]) return false;
    return true;
}

TVec2 TMat4::Transform2(float x, float y) const
{
    return TVec2(x * m[0] + y * m[4] + m[12], x * m[1] + y * m[5] + m[13]);
}

static uint8_t ToByte(float v)
{
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return uint8_t(std::lround(v * 255.0f));
}

TColor32 TColor32::FromColor(const TColor& c)
{
    return TColor32(ToByte(c.r), ToByte(c.g), ToByte(c.b), ToByte(c.a));
}

} // namespace DE50
