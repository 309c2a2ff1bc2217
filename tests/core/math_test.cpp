#include "engine/core/nE_Math.h"

#include <gtest/gtest.h>

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

void ExpectAllZero(const nE_Matrix& m)
{
    for (float v : m.m)
        EXPECT_EQ(0.0f, v);
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
} // namespace

// ---- construction and transform order ----

TEST(MatrixTransform, DefaultIsIdentityAndRenderStateDefaults)
{
    nE_Matrix m;
    ExpectNear(m, nE_Matrix::Identity(), 0.0f);
    nE_RenderState s;
    EXPECT_EQ(1.0f, s.alpha);
    EXPECT_EQ(1.0f, s.r);
    EXPECT_EQ(1.0f, s.g);
    EXPECT_EQ(1.0f, s.b);
    EXPECT_EQ(0, s.frame);
    EXPECT_EQ(0.0f, s.offsetX + s.offsetY + s.offsetZ);
    EXPECT_EQ(0u, s.blendMode);
    EXPECT_EQ(1.0f, s.tileX);
    EXPECT_EQ(1.0f, s.tileY);
    ExpectNear(s.matrix, nE_Matrix(), 0.0f);
}

TEST(MatrixTransform, TranslationOnlyMovesPoint)
{
    nE_Matrix m;
    nE_Matrix::BuildObjectTransform(m, 10, 20, 0, 1, 1);
    nE_Vec3 p = Apply(m, 1, 1);
    EXPECT_FLOAT_EQ(11.0f, p.x);
    EXPECT_FLOAT_EQ(21.0f, p.y);
    EXPECT_EQ(10.0f, m.m[12]);
    EXPECT_EQ(20.0f, m.m[13]);
}

TEST(MatrixTransform, PositiveAngleTurnsXAxisUpOnScreen)
{
    nE_Matrix m;
    nE_Matrix::Rotate(m, kPi / 2);
    nE_Vec3 p = Apply(m, 1, 0);
    EXPECT_NEAR(0.0f, p.x, 1e-6f);
    EXPECT_NEAR(-1.0f, p.y, 1e-6f);
    p = Apply(m, 0, 1);
    EXPECT_NEAR(1.0f, p.x, 1e-6f);
    EXPECT_NEAR(0.0f, p.y, 1e-6f);
}

TEST(MatrixTransform, ScaleThenRotateThenTranslate)
{
    nE_Matrix m;
    nE_Matrix::BuildObjectTransform(m, 100, 50, kPi / 2, 2, 3);
    // (1, 0) -> scaled (2, 0) -> rotated (0, -2) -> moved (100, 48)
    nE_Vec3 p = Apply(m, 1, 0);
    EXPECT_NEAR(100.0f, p.x, 1e-4f);
    EXPECT_NEAR(48.0f, p.y, 1e-4f);
    // (0, 1) -> (0, 3) -> (3, 0) -> (103, 50)
    p = Apply(m, 0, 1);
    EXPECT_NEAR(103.0f, p.x, 1e-4f);
    EXPECT_NEAR(50.0f, p.y, 1e-4f);
}

TEST(MatrixTransform, ChildTimesParentAppliesChildFirst)
{
    nE_Matrix child, parent;
    nE_Matrix::BuildObjectTransform(child, 5, 0, 0, 1, 1);
    nE_Matrix::BuildObjectTransform(parent, 0, 0, 0, 10, 10);
    nE_Vec3 p = Apply(ProductOf(child, parent), 0, 0);
    EXPECT_FLOAT_EQ(50.0f, p.x); // the child's offset is scaled by the parent
    p = Apply(ProductOf(parent, child), 0, 0);
    EXPECT_FLOAT_EQ(5.0f, p.x);
}

TEST(MatrixTransform, NeutralStepsLeaveMatrixUntouched)
{
    nE_Matrix m = Numbered();
    const nE_Matrix before = m;
    nE_Matrix::Scale(m, 1, 1);
    nE_Matrix::Rotate(m, 0);
    nE_Matrix::Translate(m, 0, 0);
    nE_Matrix::Translate(m, 0, 0, 7); // z is ignored
    ExpectNear(m, before, 0.0f);
    nE_Matrix t;
    nE_Matrix::Translate(t, 3, 4, 99);
    EXPECT_EQ(0.0f, t.m[14]);
    EXPECT_EQ(3.0f, t.m[12]);
}

TEST(MatrixTransform, RotationXYZIsOrthonormal)
{
    nE_Matrix r;
    nE_Matrix::RotationXYZ(r, 0.3f, -1.1f, 2.4f);
    nE_Matrix rt, product;
    nE_Matrix::Transpose(rt, r);
    nE_Matrix::Multiply(product, r, rt);
    ExpectNear(product, nE_Matrix(), 1e-5f);
    nE_Matrix z;
    nE_Matrix::RotationXYZ(z, 0, 0, 0);
    ExpectNear(z, nE_Matrix(), 0.0f);
}

TEST(MatrixTransform, PerspectiveElementsAndDegenerateInput)
{
    nE_Matrix p;
    nE_Matrix::Perspective(p, kPi / 2, 2.0f, 1.0f, 11.0f);
    EXPECT_NEAR(0.5f, p.At(0, 0), 1e-6f);
    EXPECT_NEAR(1.0f, p.At(1, 1), 1e-6f);
    EXPECT_NEAR(1.1f, p.At(2, 2), 1e-6f);
    EXPECT_EQ(1.0f, p.At(2, 3));
    EXPECT_NEAR(-1.1f, p.At(3, 2), 1e-6f);
    EXPECT_EQ(0.0f, p.At(3, 3));
    nE_Matrix::Perspective(p, kPi / 2, 1.0f, 5.0f, 5.0f);
    ExpectAllZero(p);
    nE_Matrix::Perspective(p, 0.0f, 1.0f, 1.0f, 5.0f);
    ExpectAllZero(p);
}

// ---- products, aliasing, inverse ----

TEST(MatrixAlgebra, MultiplyAllowsOutputToAliasInputs)
{
    const nE_Matrix a = Numbered();
    nE_Matrix b;
    nE_Matrix::BuildObjectTransform(b, 3, -2, 0.7f, 1.5f, 0.5f);
    const nE_Matrix ab = ProductOf(a, b);
    const nE_Matrix aa = ProductOf(a, a);

    nE_Matrix x = a;
    nE_Matrix::Multiply(x, x, b);
    ExpectNear(x, ab, 0.0f);
    nE_Matrix y = b;
    nE_Matrix::Multiply(y, a, y);
    ExpectNear(y, ab, 0.0f);
    nE_Matrix z = a;
    nE_Matrix::Multiply(z, z, z);
    ExpectNear(z, aa, 0.0f);
    nE_Matrix w = a;
    nE_Matrix::MultiplyAssign(w, b);
    ExpectNear(w, ab, 0.0f);
}

TEST(MatrixAlgebra, MultiplyMatchesDefinition)
{
    nE_Matrix a, b;
    a.Set(1, 2, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    b.Set(1, 0, 0, 0, 3, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    nE_Matrix r = ProductOf(a, b);
    EXPECT_EQ(7.0f, r.At(0, 0)); // 1*1 + 2*3
    EXPECT_EQ(2.0f, r.At(0, 1));
    EXPECT_EQ(3.0f, r.At(1, 0));
}

TEST(MatrixAlgebra, TransposeAndScalarInPlace)
{
    nE_Matrix m = Numbered();
    const nE_Matrix orig = m;
    nE_Matrix::Transpose(m, m);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(orig.At(i, j), m.At(j, i));
    nE_Matrix::MultiplyScalar(m, orig, -2.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(orig.m[i] * -2.0f, m.m[i]);
}

TEST(MatrixAlgebra, InverseRoundTripsRandomAffineMatrices)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> pos(-500.0f, 500.0f), ang(-7.0f, 7.0f), scl(0.1f, 4.0f);
    for (int n = 0; n < 200; ++n)
    {
        nE_Matrix m;
        nE_Matrix::BuildObjectTransform(m, pos(rng), pos(rng), ang(rng), scl(rng), scl(rng));
        nE_Matrix::RotationXYZ(m, ang(rng), ang(rng), ang(rng));
        nE_Matrix inv;
        nE_Matrix::Inverse(inv, m);
        ExpectNear(ProductOf(m, inv), nE_Matrix(), 1e-3f);
        ExpectNear(ProductOf(inv, m), nE_Matrix(), 1e-3f);
        // A point goes there and back.
        nE_Vec3 p(pos(rng), pos(rng), 0.0f), q;
        nE_Matrix::TransformPoint(q, p, m);
        nE_Matrix::TransformPointInPlace(inv, q);
        EXPECT_NEAR(p.x, q.x, 1e-2f);
        EXPECT_NEAR(p.y, q.y, 1e-2f);
    }
}

TEST(MatrixAlgebra, InverseRoundTripsRandomPerspectiveMatrices)
{
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> fov(0.3f, 2.5f), aspect(0.5f, 2.0f), zn(0.1f, 5.0f),
        ang(-3.0f, 3.0f);
    for (int n = 0; n < 200; ++n)
    {
        nE_Matrix view;
        nE_Matrix::RotationXYZ(view, ang(rng), ang(rng), ang(rng));
        nE_Matrix::Translate(view, ang(rng), ang(rng));
        float nearZ = zn(rng);
        nE_Matrix proj;
        nE_Matrix::Perspective(proj, fov(rng), aspect(rng), nearZ, nearZ + 10.0f + zn(rng) * 20.0f);
        nE_Matrix m = ProductOf(view, proj), inv;
        nE_Matrix::Inverse(inv, m);
        ExpectNear(ProductOf(m, inv), nE_Matrix(), 1e-3f);
    }
}

TEST(MatrixAlgebra, InverseMayOverwriteItsInput)
{
    nE_Matrix m;
    nE_Matrix::BuildObjectTransform(m, 4, 5, 1.0f, 2, 0.5f);
    const nE_Matrix orig = m;
    nE_Matrix::Inverse(m, m);
    ExpectNear(ProductOf(orig, m), nE_Matrix(), 1e-5f);
}

TEST(MatrixAlgebra, SingularAndNonFiniteInputGiveZeroMatrix)
{
    nE_Matrix out;
    nE_Matrix zeroRow = Numbered();
    zeroRow.At(2, 0) = zeroRow.At(2, 1) = zeroRow.At(2, 2) = zeroRow.At(2, 3) = 0.0f;
    nE_Matrix::Inverse(out, zeroRow);
    ExpectAllZero(out);

    nE_Matrix flat; // a zero scale collapses the plane
    nE_Matrix::Scale(flat, 0.0f, 2.0f);
    out = nE_Matrix();
    nE_Matrix::Inverse(out, flat);
    ExpectAllZero(out);

    nE_Matrix nan;
    nan.m[6] = std::nanf("");
    out = nE_Matrix();
    nE_Matrix::Inverse(out, nan);
    ExpectAllZero(out);

    nE_Matrix inf;
    inf.m[0] = INFINITY;
    out = nE_Matrix();
    nE_Matrix::Inverse(out, inf);
    ExpectAllZero(out);

    nE_Matrix tiny; // the determinant underflows; its reciprocal must not become infinite
    tiny.m[0] = tiny.m[5] = tiny.m[10] = tiny.m[15] = 1e-12f;
    out = nE_Matrix();
    nE_Matrix::Inverse(out, tiny);
    for (float v : out.m)
        EXPECT_TRUE(std::isfinite(v));
}

// ---- vectors ----

TEST(Vectors, LengthNormalizeAndCross)
{
    nE_Vec3 v(3, 4, 12);
    EXPECT_FLOAT_EQ(13.0f, nE_Vec3::Length(v));
    nE_Vec3::Normalize(v);
    EXPECT_FLOAT_EQ(1.0f, nE_Vec3::Length(v));
    nE_Vec3 zero;
    nE_Vec3::Normalize(zero);
    EXPECT_EQ(0.0f, zero.x + zero.y + zero.z);

    nE_Vec4 a(1, 2, 3, 4), b(-1, 0, 2, 5), c(3, 1, -2, 0);
    nE_Vec4 d = nE_Vec4::Cross(a, b, c);
    auto dot = [](const nE_Vec4& p, const nE_Vec4& q)
    { return p.x * q.x + p.y * q.y + p.z * q.z + p.w * q.w; };
    EXPECT_FLOAT_EQ(0.0f, dot(a, d));
    EXPECT_FLOAT_EQ(0.0f, dot(b, d));
    EXPECT_FLOAT_EQ(0.0f, dot(c, d));
    // Orientation: e1 . Cross(e2, e3, e4) is the identity's determinant.
    nE_Vec4 e = nE_Vec4::Cross(nE_Vec4(0, 1, 0, 0), nE_Vec4(0, 0, 1, 0), nE_Vec4(0, 0, 0, 1));
    EXPECT_EQ(1.0f, e.x);
}

TEST(Vectors, PerpendicularLiesInPlaneForEveryNormalDirection)
{
    const nE_Vec3 normals[] = {{1, 0, 0},  {0, 1, 0},     {0, 0, 1},       {0, 0, -3}, {0, -2, 0},
                               {-5, 1, 0}, {1e-6f, 0, 0}, {0.1f, 7, 0.2f}, {2, 2, 2}};
    const nE_Vec3 p(10, -20, 30);
    for (const nE_Vec3& n : normals)
        for (int k = 0; k < 20; ++k)
        {
            nE_Vec3 r = nE_Vec3::Perpendicular(n, p);
            ASSERT_TRUE(std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.z));
            EXPECT_NEAR(1.0f, nE_Vec3::Length(r), 1e-4f);
            float cosine = (r.x * n.x + r.y * n.y + r.z * n.z) / nE_Vec3::Length(n);
            EXPECT_NEAR(0.0f, cosine, 1e-3f);
        }
    nE_Vec3 z = nE_Vec3::Perpendicular(nE_Vec3(), p);
    EXPECT_EQ(0.0f, nE_Vec3::Length(z));
    z = nE_Vec3::Perpendicular(nE_Vec3(std::nanf(""), 1, 0), p);
    EXPECT_EQ(0.0f, nE_Vec3::Length(z));
}

// ---- rectangles ----

TEST(Rects, PointInPlainAndTransformedRect)
{
    nE_Rect r(0, 0, 100, 50);
    EXPECT_TRUE(nE_PointInTransformedRect(r, 10, 10, nullptr));
    EXPECT_FALSE(nE_PointInTransformedRect(r, 110, 10, nullptr));
    EXPECT_FALSE(nE_PointInTransformedRect(r, 10, -1, nullptr));

    nE_Matrix m; // centred square turned 45 degrees: a diamond
    nE_Matrix::BuildObjectTransform(m, 200, 200, kPi / 4, 1, 1);
    nE_Rect sq(-10, -10, 20, 20);
    EXPECT_TRUE(nE_PointInTransformedRect(sq, 200, 200, &m));
    EXPECT_TRUE(nE_PointInTransformedRect(sq, 213, 200, &m));  // out along the diagonal
    EXPECT_FALSE(nE_PointInTransformedRect(sq, 209, 209, &m)); // a corner of the unturned square

    nE_Matrix mirror; // reversed winding
    nE_Matrix::Scale(mirror, -1, 1);
    EXPECT_TRUE(nE_PointInTransformedRect(r, -10, 10, &mirror));
    EXPECT_FALSE(nE_PointInTransformedRect(r, 10, 10, &mirror));
}

TEST(Rects, OverlapByCornersOnly)
{
    nE_Rect a(0, 0, 100, 100);
    EXPECT_TRUE(nE_TransformedRectsOverlap(a, nullptr, nE_Rect(50, 50, 100, 100), nullptr));
    EXPECT_TRUE(nE_TransformedRectsOverlap(a, nullptr, nE_Rect(10, 10, 5, 5), nullptr)); // b inside a
    EXPECT_TRUE(nE_TransformedRectsOverlap(nE_Rect(10, 10, 5, 5), nullptr, a, nullptr)); // a inside b
    EXPECT_FALSE(nE_TransformedRectsOverlap(a, nullptr, nE_Rect(200, 0, 10, 10), nullptr));
    // A plus sign: the bars cross but no corner is inside the other.
    EXPECT_FALSE(
        nE_TransformedRectsOverlap(nE_Rect(0, 40, 100, 20), nullptr, nE_Rect(40, 0, 20, 100), nullptr));

    nE_Matrix moved;
    nE_Matrix::Translate(moved, 300, 0);
    EXPECT_FALSE(nE_TransformedRectsOverlap(a, nullptr, a, &moved));
    EXPECT_TRUE(nE_TransformedRectsOverlap(a, &moved, nE_Rect(350, 50, 10, 10), nullptr));
}

TEST(Rects, BoundsAndIntersection)
{
    nE_Matrix m;
    nE_Matrix::BuildObjectTransform(m, 5, 6, 1.0f, 2, 3);
    nE_Rect b = nE_TransformedRectBounds(nE_Rect(0, 0, 10, 10), m);
    EXPECT_FLOAT_EQ(5.0f, b.x);
    EXPECT_FLOAT_EQ(6.0f, b.y);
    EXPECT_NEAR(20.0f, b.w, 1e-4f); // rotation does not grow it
    EXPECT_NEAR(30.0f, b.h, 1e-4f);

    nE_Rect out;
    nE_IntersectRect(out, nE_Rect(0, 0, 10, 10), nE_Rect(5, 2, 10, 3));
    EXPECT_EQ(5.0f, out.x);
    EXPECT_EQ(2.0f, out.y);
    EXPECT_EQ(5.0f, out.w);
    EXPECT_EQ(3.0f, out.h);
    nE_IntersectRect(out, nE_Rect(0, 0, 10, 10), nE_Rect(20, 20, 5, 5));
    EXPECT_EQ(0.0f, out.w);
    EXPECT_EQ(0.0f, out.h);
    nE_IntersectRect(out, nE_Rect(0, 0, 10, 10), nE_Rect(0, 20, 5, 5)); // side by side vertically
    EXPECT_EQ(5.0f, out.w);
    EXPECT_EQ(0.0f, out.h);
}
