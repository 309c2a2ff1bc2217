#include "engine/core/nE_Math.h"

#include "engine/core/nE_Log.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

// ---- vectors ----

float nE_Vec3::Length(const nE_Vec3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

void nE_Vec3::Normalize(nE_Vec3& v)
{
    float len = Length(v);
    if (len == 0.0f) return;
    v.x /= len;
    v.y /= len;
    v.z /= len;
}

namespace
{
float RandomCoordinate()
{
    return static_cast<float>(std::rand() % 10000 - 5000);
}

bool IsFinite(const nE_Vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
} // namespace

nE_Vec3 nE_Vec3::Perpendicular(const nE_Vec3& n, const nE_Vec3& p)
{
    if ((n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) || !IsFinite(n) || !IsFinite(p)) return nE_Vec3();
    float d = -(n.x * p.x + n.y * p.y + n.z * p.z);
    nE_Vec3 q(RandomCoordinate(), RandomCoordinate(), RandomCoordinate());
    // Solve for the coordinate with the largest normal component: it is never
    // zero here, and dividing by it loses the least precision.
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ax >= ay && ax >= az)
        q.x = -(n.y * q.y + n.z * q.z + d) / n.x;
    else if (ay >= az)
        q.y = -(n.x * q.x + n.z * q.z + d) / n.y;
    else
        q.z = -(n.x * q.x + n.y * q.y + d) / n.z;
    nE_Vec3 r(q.x - p.x, q.y - p.y, q.z - p.z);
    Normalize(r);
    return r;
}

nE_Vec4 nE_Vec4::Cross(const nE_Vec4& a, const nE_Vec4& b, const nE_Vec4& c)
{
    // Cofactor expansion along a first row (v, a, b, c).
    nE_Vec4 d;
    d.x = a.y * (b.z * c.w - b.w * c.z) - a.z * (b.y * c.w - b.w * c.y) + a.w * (b.y * c.z - b.z * c.y);
    d.y = -(a.x * (b.z * c.w - b.w * c.z) - a.z * (b.x * c.w - b.w * c.x) + a.w * (b.x * c.z - b.z * c.x));
    d.z = a.x * (b.y * c.w - b.w * c.y) - a.y * (b.x * c.w - b.w * c.x) + a.w * (b.x * c.y - b.y * c.x);
    d.w = -(a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) + a.z * (b.x * c.y - b.y * c.x));
    return d;
}

// ---- matrices ----

void nE_Matrix::MultiplyAssign(nE_Matrix& m, const nE_Matrix& b)
{
    Multiply(m, m, b);
}

void nE_Matrix::MultiplyScalar(nE_Matrix& out, const nE_Matrix& m, float s)
{
    for (int i = 0; i < 16; ++i)
        out.m[i] = m.m[i] * s;
}

void nE_Matrix::Transpose(nE_Matrix& out, const nE_Matrix& m)
{
    nE_Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.At(j, i) = m.At(i, j);
    out = r;
}

namespace
{
nE_Vec4 Row(const nE_Matrix& m, int i)
{
    return nE_Vec4(m.At(i, 0), m.At(i, 1), m.At(i, 2), m.At(i, 3));
}

float Dot(const nE_Vec4& a, const nE_Vec4& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

nE_Vec4 Negated(const nE_Vec4& v)
{
    return nE_Vec4(-v.x, -v.y, -v.z, -v.w);
}
} // namespace

void nE_Matrix::Inverse(nE_Matrix& out, const nE_Matrix& m)
{
    const nE_Vec4 r0 = Row(m, 0), r1 = Row(m, 1), r2 = Row(m, 2), r3 = Row(m, 3);
    // Cofactor row i satisfies ri . ci == det and rj . ci == 0 for j != i.
    const nE_Vec4 c[4] = {nE_Vec4::Cross(r1, r2, r3), Negated(nE_Vec4::Cross(r0, r2, r3)),
                          nE_Vec4::Cross(r0, r1, r3), Negated(nE_Vec4::Cross(r0, r1, r2))};
    float det = Dot(r0, c[0]);
    float inv = 1.0f / det;
    if (det == 0.0f || !std::isfinite(det) || !std::isfinite(inv))
    {
        out.SetZero();
        return;
    }
    nE_Matrix r;
    for (int i = 0; i < 4; ++i)
    {
        r.At(0, i) = c[i].x * inv;
        r.At(1, i) = c[i].y * inv;
        r.At(2, i) = c[i].z * inv;
        r.At(3, i) = c[i].w * inv;
    }
    out = r;
}

void nE_Matrix::Scale(nE_Matrix& m, float sx, float sy)
{
    if (sx == 1.0f && sy == 1.0f) return;
    nE_Matrix s;
    s.m[0] = sx;
    s.m[5] = sy;
    MultiplyAssign(m, s);
}

void nE_Matrix::Rotate(nE_Matrix& m, float radians)
{
    if (radians == 0.0f) return;
    float c = std::cos(radians), s = std::sin(radians);
    nE_Matrix r;
    r.Set(c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    MultiplyAssign(m, r);
}

void nE_Matrix::Translate(nE_Matrix& m, float x, float y)
{
    if (x == 0.0f && y == 0.0f) return;
    nE_Matrix t;
    t.m[12] = x;
    t.m[13] = y;
    MultiplyAssign(m, t);
}

void nE_Matrix::Translate(nE_Matrix& m, float x, float y, float /*z*/)
{
    Translate(m, x, y);
}

// Scale, then rotation, then translation, written out: every drawn object
// builds one of these per frame.
void nE_Matrix::RotationXYZ(nE_Matrix& m, float a, float b, float c)
{
    float ca = std::cos(a), sa = std::sin(a);
    float cb = std::cos(b), sb = std::sin(b);
    float cc = std::cos(c), sc = std::sin(c);
    nE_Matrix r;
    r.Set(ca * cc + sa * sb * sc, cb * sc, ca * sb * sc - sa * cc, 0, //
          sa * sb * cc - ca * sc, cb * cc, sa * sc + ca * sb * cc, 0, //
          sa * cb, -sb, ca * cb, 0,                                   //
          0, 0, 0, 1);
    MultiplyAssign(m, r);
}

void nE_Matrix::Perspective(nE_Matrix& out, float fov, float aspect, float zNear, float zFar)
{
    float t = std::cos(fov * 0.5f) / std::sin(fov * 0.5f);
    float depth = zFar / (zFar - zNear);
    out.SetZero();
    if (!std::isfinite(t) || !std::isfinite(depth) || aspect == 0.0f || !std::isfinite(aspect))
    {
        nE_Log("Warning: degenerate perspective (field of view, aspect or depth range)");
        return;
    }
    out.At(0, 0) = t / aspect;
    out.At(1, 1) = t;
    out.At(2, 2) = depth;
    out.At(2, 3) = 1.0f;
    out.At(3, 2) = -zNear * depth;
}

void nE_Matrix::TransformPoint(nE_Vec3& out, const nE_Vec3& p, const nE_Matrix& m)
{
    nE_Vec3 r; // out may be p
    r.x = p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12];
    r.y = p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13];
    r.z = p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14];
    out = r;
}

void nE_Matrix::TransformPointInPlace(const nE_Matrix& m, nE_Vec3& p)
{
    TransformPoint(p, p, m);
}

// ---- rectangles ----

namespace
{
struct Quad
{
    nE_Vec3 c[4];
};

Quad Corners(const nE_Rect& r, const nE_Matrix* m)
{
    Quad q;
    q.c[0] = nE_Vec3(r.x, r.y, 0.0f);
    q.c[1] = nE_Vec3(r.x + r.w, r.y, 0.0f);
    q.c[2] = nE_Vec3(r.x + r.w, r.y + r.h, 0.0f);
    q.c[3] = nE_Vec3(r.x, r.y + r.h, 0.0f);
    if (m)
        for (nE_Vec3& p : q.c)
            nE_Matrix::TransformPointInPlace(*m, p);
    return q;
}

// Even-odd rule: count the edges that a ray to the right of (x, y) crosses.
bool PointInQuad(const Quad& q, float x, float y)
{
    bool inside = false;
    for (int i = 0, j = 3; i < 4; j = i++)
    {
        const nE_Vec3& a = q.c[i];
        const nE_Vec3& b = q.c[j];
        if ((a.y > y) == (b.y > y)) continue; // also skips horizontal edges
        float crossX = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
        if (x < crossX) inside = !inside;
    }
    return inside;
}

bool AnyCornerInside(const Quad& corners, const Quad& area)
{
    for (const nE_Vec3& p : corners.c)
        if (PointInQuad(area, p.x, p.y)) return true;
    return false;
}
} // namespace

bool nE_PointInTransformedRect(const nE_Rect& rect, float x, float y, const nE_Matrix* m)
{
    return PointInQuad(Corners(rect, m), x, y);
}

bool nE_TransformedRectsOverlap(const nE_Rect& a, const nE_Matrix* ma, const nE_Rect& b, const nE_Matrix* mb)
{
    const Quad qa = Corners(a, ma);
    const Quad qb = Corners(b, mb);
    return AnyCornerInside(qb, qa) || AnyCornerInside(qa, qb);
}

nE_Rect nE_TransformedRectBounds(const nE_Rect& rect, const nE_Matrix& m)
{
    nE_Vec3 origin(rect.x, rect.y, 0.0f);
    nE_Matrix::TransformPointInPlace(m, origin);
    float sx = nE_Vec3::Length(nE_Vec3(m.m[0], m.m[1], m.m[2]));
    float sy = nE_Vec3::Length(nE_Vec3(m.m[4], m.m[5], m.m[6]));
    return nE_Rect(origin.x, origin.y, rect.w * sx, rect.h * sy);
}

void nE_IntersectRect(nE_Rect& out, const nE_Rect& a, const nE_Rect& b)
{
    float left = std::max(a.x, b.x);
    float top = std::max(a.y, b.y);
    float right = std::min(a.x + a.w, b.x + b.w);
    float bottom = std::min(a.y + a.h, b.y + b.h);
    out = nE_Rect(left, top, std::max(0.0f, right - left), std::max(0.0f, bottom - top));
}

int nE_TruncateToInt(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}
