#pragma once
// Small value types shared by the engine library's drawing calls.

#include <cstdint>

namespace DE50
{

struct TVec2
{
    float x = 0, y = 0;
    TVec2() = default;
    TVec2(float x_, float y_) : x(x_), y(y_) {}
};

struct TVec3
{
    float x = 0, y = 0, z = 0;
    TVec3() = default;
    TVec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
};

// 4x4 matrix, row-major, used with row vectors (p' = p x M): translation in m[12..14].
struct TMat4
{
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    static TMat4 Identity() { return TMat4(); }
    bool IsIdentity() const;
    // (x, y, 0, 1) x M, first two components.
    TVec2 Transform2(float x, float y) const;
};

// Floating-point colour, components 0..1.
struct TColor
{
    float r = 0, g = 0, b = 0, a = 0;
    TColor() = default;
    TColor(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}
};

// Packed colour 0xAARRGGBB; in memory (little endian) the bytes are blue, green, red, alpha.
struct TColor32
{
    uint32_t argb = 0;
    TColor32() = default;
    explicit TColor32(uint32_t value) : argb(value) {}
    TColor32(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
        : argb(uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b))
    {
    }
    // Components 0..1, clamped and rounded to bytes.
    static TColor32 FromColor(const TColor& c);
    uint8_t A() const { return uint8_t(argb >> 24); }
    uint8_t R() const { return uint8_t(argb >> 16); }
    uint8_t G() const { return uint8_t(argb >> 8); }
    uint8_t B() const { return uint8_t(argb); }
    bool operator==(const TColor32& o) const { return argb == o.argb; }
    bool operator!=(const TColor32& o) const { return argb != o.argb; }
};

// Float rectangle by its edges.
struct TRect
{
    float left = 0, top = 0, right = 0, bottom = 0;
    TRect() = default;
    TRect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
};

// Pixel rectangle by its edges; right and bottom are exclusive.
struct TURect
{
    uint32_t left = 0, top = 0, right = 0, bottom = 0;
    TURect() = default;
    TURect(uint32_t l, uint32_t t, uint32_t r, uint32_t b) : left(l), top(t), right(r), bottom(b) {}
    uint32_t Width() const { return right > left ? right - left : 0; }
    uint32_t Height() const { return bottom > top ? bottom - top : 0; }
    bool operator==(const TURect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// A vertex in target pixels with its colour and texture coordinates (24 bytes).
struct TTransformedLitVert
{
    TVec3 position;
    TColor32 color;
    TVec2 uv;
    TTransformedLitVert() = default;
    TTransformedLitVert(const TVec3& p, TColor32 c, const TVec2& t) : position(p), color(c), uv(t) {}
};
static_assert(sizeof(TTransformedLitVert) == 24, "vertex layout is shared with callers' arrays");

// A view of the caller's vertices; the caller keeps ownership.
struct TVertexSet
{
    const TTransformedLitVert* vertices = nullptr;
    uint32_t count = 0;
    TVertexSet() = default;
    TVertexSet(const TTransformedLitVert* v, uint32_t n) : vertices(v), count(n) {}
};

} // namespace DE50
