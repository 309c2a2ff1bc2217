#include "engine/core/nE_Math.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace
{
const float kPi = 3.14159265f;

nE_Vec3 Apply(const nE_Matrix& m, float x, float y)
{
    nE_Vec3 p(x, y, 0.0f);
    nE_Matrix::TransformPointInPlace(m, p);
    return p;
}

void ExpectNear(const nE_Matrix& a, const nE_Matrix& b, float tolerance)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
}

nE_Matrix Numbered()
{
    nE_Matrix m;
    for (int i = 0; i < 16; ++i)
        m.m[i] = static_cast<float>(i * i % 7) - 2.5f + 0.1f * static_cast<float>(i);
    return m;
}

nE_Matrix ProductOf(const nE_Matrix& a, const nE_Matrix& b)
{
    nE_Matrix r;
    nE_Matrix::Multiply(r, a, b);
    return r;
}

nE_Matrix Object(float x, float y, float angle, float sx, float sy)
{
    nE_Matrix m;
    nE_Matrix::BuildObjectTransform(m, x, y, angle, sx, sy);
    return m;
}
} // namespace

// Scale, then rotate (a positive angle turns +x up on screen), then translate;
// a child times its parent applies the child first.
TEST(Matrix, TransformOrderAndRotationDirection)
{
    const struct
    {
        nE_Matrix m;
        float x, y, wantX, wantY;
    } cases[] = {
        {Object(10, 20, 0, 1, 1), 1, 1, 11, 21},
        {Object(100, 50, kPi / 2, 2, 3), 1, 0, 100, 48},
        {Object(100, 50, kPi / 2, 2, 3), 0, 1, 103, 50},
        {ProductOf(Object(5, 0, 0, 1, 1), Object(0, 0, 0, 10, 10)), 0, 0, 50, 0},
        {ProductOf(Object(0, 0, 0, 10, 10), Object(5, 0, 0, 1, 1)), 0, 0, 5, 0},
    };
    for (const auto& c : cases)
    {
        nE_Vec3 p = Apply(c.m, c.x, c.y);
        EXPECT_NEAR(c.wantX, p.x, 1e-4f) << &c - cases;
        EXPECT_NEAR(c.wantY, p.y, 1e-4f) << &c - cases;
    }
}

TEST(Matrix, MultiplyAllowsOutputToAliasInputs)
{
    const nE_Matrix a = Numbered(), b = Object(3, -2, 0.7f, 1.5f, 0.5f);
    const nE_Matrix ab = ProductOf(a, b);
    nE_Matrix x = a, y = b, z = a, w = a;
    nE_Matrix::Multiply(x, x, b);
    nE_Matrix::Multiply(y, a, y);
    nE_Matrix::Multiply(z, z, z);
    nE_Matrix::MultiplyAssign(w, b);
    for (const nE_Matrix* m : {&x, &y, &w})
        ExpectNear(*m, ab, 0.0f);
    ExpectNear(z, ProductOf(a, a), 0.0f);
}

TEST(Matrix, InverseRoundTripsRandomAffineAndPerspectiveMatrices)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> pos(-500.0f, 500.0f), ang(-7.0f, 7.0f), scl(0.1f, 4.0f),
        fov(0.3f, 2.5f), aspect(0.5f, 2.0f), zn(0.1f, 5.0f);
    for (int n = 0; n < 200; ++n)
    {
        nE_Matrix m = Object(pos(rng), pos(rng), ang(rng), scl(rng), scl(rng)), inv;
        nE_Matrix::RotationXYZ(m, ang(rng), ang(rng), ang(rng));
        nE_Matrix::Inverse(inv, m);
        ExpectNear(ProductOf(m, inv), nE_Matrix(), 1e-3f);
        ExpectNear(ProductOf(inv, m), nE_Matrix(), 1e-3f);

        nE_Matrix view, proj;
        nE_Matrix::RotationXYZ(view, ang(rng), ang(rng), ang(rng));
        nE_Matrix::Translate(view, zn(rng), -zn(rng));
        float nearZ = zn(rng);
        nE_Matrix::Perspective(proj, fov(rng), aspect(rng), nearZ, nearZ + 10.0f + zn(rng) * 20.0f);
        m = ProductOf(view, proj);
        nE_Matrix::Inverse(inv, m);
        ExpectNear(ProductOf(m, inv), nE_Matrix(), 1e-3f);
    }
}

TEST(Matrix, SingularNonFiniteAndDegenerateInputGiveZeroMatrix)
{
    nE_Matrix zeroRow = Numbered(), flat, nan, inf, tiny;
    zeroRow.At(2, 0) = zeroRow.At(2, 1) = zeroRow.At(2, 2) = zeroRow.At(2, 3) = 0.0f;
    nE_Matrix::Scale(flat, 0.0f, 2.0f);
    nan.m[6] = std::nanf("");
    inf.m[0] = INFINITY;
    nE_Matrix zero;
    std::fill(zero.m, zero.m + 16, 0.0f);
    for (const nE_Matrix* in : {&zeroRow, &flat, &nan, &inf})
    {
        nE_Matrix out;
        nE_Matrix::Inverse(out, *in);
        ExpectNear(out, zero, 0.0f);
    }
    // The determinant underflows; its reciprocal must not become infinite.
    tiny.m[0] = tiny.m[5] = tiny.m[10] = tiny.m[15] = 1e-12f;
    nE_Matrix out;
    nE_Matrix::Inverse(out, tiny);
    for (float v : out.m)
        EXPECT_TRUE(std::isfinite(v));

    nE_Matrix nearIsFar, noField;
    nE_Matrix::Perspective(nearIsFar, kPi / 2, 1.0f, 5.0f, 5.0f);
    nE_Matrix::Perspective(noField, 0.0f, 1.0f, 1.0f, 5.0f);
    ExpectNear(nearIsFar, zero, 0.0f);
    ExpectNear(noField, zero, 0.0f);
}

// Solving for the largest component: no division by zero for any normal.
TEST(Vectors, PerpendicularLiesInPlaneForEveryNormalDirection)
{
    const nE_Vec3 normals[] = {{1, 0, 0},  {0, 1, 0},     {0, 0, 1},       {0, 0, -3}, {0, -2, 0},
                               {-5, 1, 0}, {1e-6f, 0, 0}, {0.1f, 7, 0.2f}, {2, 2, 2}};
    const nE_Vec3 p(10, -20, 30);
    for (const nE_Vec3& n : normals)
    {
        nE_Vec3 r = nE_Vec3::Perpendicular(n, p);
        ASSERT_TRUE(std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.z));
        EXPECT_NEAR(1.0f, nE_Vec3::Length(r), 1e-4f);
        EXPECT_NEAR(0.0f, (r.x * n.x + r.y * n.y + r.z * n.z) / nE_Vec3::Length(n), 1e-3f);
    }
    EXPECT_EQ(0.0f, nE_Vec3::Length(nE_Vec3::Perpendicular(nE_Vec3(), p)));
    EXPECT_EQ(0.0f, nE_Vec3::Length(nE_Vec3::Perpendicular(nE_Vec3(std::nanf(""), 1, 0), p)));
}

TEST(Rects, OverlapByCornersOnly)
{
    nE_Rect a(0, 0, 100, 100), small(10, 10, 5, 5);
    nE_Matrix moved;
    nE_Matrix::Translate(moved, 300, 0);
    EXPECT_TRUE(nE_TransformedRectsOverlap(a, nullptr, small, nullptr) &&
                nE_TransformedRectsOverlap(small, nullptr, a, nullptr));
    EXPECT_FALSE(nE_TransformedRectsOverlap(a, nullptr, a, &moved));
    // A plus sign: the bars cross but no corner is inside the other; content relies on it.
    EXPECT_FALSE(
        nE_TransformedRectsOverlap(nE_Rect(0, 40, 100, 20), nullptr, nE_Rect(40, 0, 20, 100), nullptr));
    // A rectangle without area contains no point, not even its own corner (a picture that is not there).
    for (nE_Rect empty : {nE_Rect(5, 5, 0, 0), nE_Rect(5, 5, 0, 10), nE_Rect(5, 5, 10, 0)})
        for (float x : {5.0f, 5.5f})
            EXPECT_FALSE(nE_PointInTransformedRect(empty, x, 5.0f, &moved) ||
                         nE_PointInTransformedRect(empty, x, 5.0f, nullptr))
                << empty.w << "x" << empty.h << " at " << x;
    EXPECT_TRUE(nE_PointInTransformedRect(nE_Rect(5, 5, 1, 1), 5.5f, 5.5f, nullptr));
}
