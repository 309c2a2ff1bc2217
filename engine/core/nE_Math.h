#pragma once
// Small value types shared by the scene tree, hit tests, clipping and the 3D
// effects. Matrices are used with row vectors (p' = p x M), so the translation
// sits in the fourth row (elements 12, 13, 14).

#include <cmath>
#include <cstdint>
#include <cstring>

struct nE_Vec3
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    nE_Vec3() = default;
    nE_Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    static float Length(const nE_Vec3& v);
    // Unchanged when the length is 0.
    static void Normalize(nE_Vec3& v);
    // A random unit vector in the plane through p with normal n; zero for a
    // zero (or non-finite) n. Draws from rand().
    static nE_Vec3 Perpendicular(const nE_Vec3& n, const nE_Vec3& p);
};

struct nE_Vec4
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    nE_Vec4() = default;
    nE_Vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}

    // The vector orthogonal to a, b and c: d . v == det of the rows (v, a, b, c).
    static nE_Vec4 Cross(const nE_Vec4& a, const nE_Vec4& b, const nE_Vec4& c);
};

struct nE_Matrix
{
    float m[16]; // row-major

    // Starts as the identity.
    nE_Matrix() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}

    float& At(int row, int col) { return m[row * 4 + col]; }
    float At(int row, int col) const { return m[row * 4 + col]; }

    void Set(float m00, float m01, float m02, float m03, float m10, float m11, float m12, float m13,
             float m20, float m21, float m22, float m23, float m30, float m31, float m32, float m33);
    void SetIdentity();
    void SetZero();
    static nE_Matrix Identity() { return nE_Matrix(); }

    // out = a x b; out may be a or b.
    static void Multiply(nE_Matrix& out, const nE_Matrix& a, const nE_Matrix& b);
    // m = m x b
    static void MultiplyAssign(nE_Matrix& m, const nE_Matrix& b);
    static void MultiplyScalar(nE_Matrix& out, const nE_Matrix& m, float s);
    static void Transpose(nE_Matrix& out, const nE_Matrix& m);
    // A singular or non-finite matrix gives the zero matrix. out may be m.
    static void Inverse(nE_Matrix& out, const nE_Matrix& m);

    // Each of these post-multiplies m and does nothing for the neutral value.
    static void Scale(nE_Matrix& m, float sx, float sy);
    static void Rotate(nE_Matrix& m, float radians);
    static void Translate(nE_Matrix& m, float x, float y);
    static void Translate(nE_Matrix& m, float x, float y, float z); // z is ignored

    // m = scale, then rotation, then translation.
    static void BuildObjectTransform(nE_Matrix& m, float x, float y, float angle, float sx, float sy);
    static void RotationXYZ(nE_Matrix& m, float a, float b, float c);
    // Degenerate input (zero field of view, near == far) gives the zero
    // matrix and a warning.
    static void Perspective(nE_Matrix& out, float fov, float aspect, float zNear, float zFar);

    // (x, y, z, 1) x m, first three components; no division by w.
    static void TransformPoint(nE_Vec3& out, const nE_Vec3& p, const nE_Matrix& m);
    static void TransformPointInPlace(const nE_Matrix& m, nE_Vec3& p);
};

// The few used on every object of every frame are inline, so that the walks
// compose their matrices without calls or temporaries.

inline void nE_Matrix::Set(float m00, float m01, float m02, float m03, float m10, float m11, float m12, float m13,
                           float m20, float m21, float m22, float m23, float m30, float m31, float m32, float m33)
{
    const float v[16] = {m00, m01, m02, m03, m10, m11, m12, m13, m20, m21, m22, m23, m30, m31, m32, m33};
    std::memcpy(m, v, sizeof v);
}

inline void nE_Matrix::SetIdentity()
{
    *this = nE_Matrix();
}

inline void nE_Matrix::SetZero()
{
    std::memset(m, 0, sizeof m);
}

inline void nE_Matrix::Multiply(nE_Matrix& out, const nE_Matrix& a, const nE_Matrix& b)
{
    // Row by row, so the compiler can work on four columns at once; out may
    // alias a or b, hence the local result.
    float r[16];
    for (int i = 0; i < 4; ++i)
    {
        const float a0 = a.m[i * 4], a1 = a.m[i * 4 + 1], a2 = a.m[i * 4 + 2], a3 = a.m[i * 4 + 3];
        for (int j = 0; j < 4; ++j)
            r[i * 4 + j] = a0 * b.m[j] + a1 * b.m[4 + j] + a2 * b.m[8 + j] + a3 * b.m[12 + j];
    }
    std::memcpy(out.m, r, sizeof r);
}

inline void nE_Matrix::BuildObjectTransform(nE_Matrix& m, float x, float y, float angle, float sx, float sy)
{
    float c = 1.0f, s = 0.0f;
    if (angle != 0.0f)
    {
        c = std::cos(angle);
        s = std::sin(angle);
    }
    m.Set(sx * c, -sx * s, 0, 0, sy * s, sy * c, 0, 0, 0, 0, 1, 0, x, y, 0, 1);
}

// Origin at the top left, y growing downwards.
struct nE_Rect
{
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;

    nE_Rect() = default;
    nE_Rect(float x_, float y_, float w_, float h_) : x(x_), y(y_), w(w_), h(h_) {}
};

// Even-odd test against the rectangle's corners taken through m (untransformed
// when m is null).
bool nE_PointInTransformedRect(const nE_Rect& rect, float x, float y, const nE_Matrix* m);
// True when a corner of either rectangle lies inside the other. Two rectangles
// crossing like a plus sign with no corner inside the other do not overlap.
bool nE_TransformedRectsOverlap(const nE_Rect& a, const nE_Matrix* ma, const nE_Rect& b, const nE_Matrix* mb);
// Origin through m, w and h scaled by the lengths of m's first two rows.
nE_Rect nE_TransformedRectBounds(const nE_Rect& rect, const nE_Matrix& m);
// An empty intersection has w or h equal to 0.
void nE_IntersectRect(nE_Rect& out, const nE_Rect& a, const nE_Rect& b);

// Truncated toward zero and clamped to the int range; 0 for NaN.
int nE_TruncateToInt(double value);

// What the draw and input walks pass from parent to child.
struct nE_RenderState
{
    float alpha = 1.0f;
    float r = 1.0f;
    float g = 1.0f;
    float b = 1.0f;
    int frame = 0;
    float offsetX = 0.0f;
    float offsetY = 0.0f;
    float offsetZ = 0.0f;
    uint32_t blendMode = 0;
    float tileX = 1.0f;
    float tileY = 1.0f;
    nE_Matrix matrix; // identity

    nE_RenderState() = default;
};
