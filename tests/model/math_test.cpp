#include "model/math.h"

#include <gtest/gtest.h>

#include <cmath>

namespace eh::model {
namespace {

Matrix4 Sample(float base) {
    Matrix4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = base + static_cast<float>(i) * 0.5f - (i % 3);
    return m;
}

void ExpectVector(const Vector3& v, float x, float y, float z, float tol = 1e-6f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

TEST(MathTest, VectorOperationsFollowTheirFormulas) {
    const Vector3 a{1, 2, 3}, b{4, -5, 6};
    ExpectVector(Cross(a, b), 2 * 6 - 3 * -5, 3 * 4 - 1 * 6, 1 * -5 - 2 * 4);
    EXPECT_FLOAT_EQ(Dot(a, b), 4 - 10 + 18);
    ExpectVector(Scale(2.0f, a), 2, 4, 6);
    EXPECT_FLOAT_EQ(Length(Vector3{3, 4, 12}), 13.0f);
    ExpectVector(Subtract(a, b), -3, 7, -3);
}

TEST(MathTest, SignOfTreatsNegativeZeroAsZero) {
    EXPECT_EQ(SignOf(-0.0f), 0);
    EXPECT_EQ(SignOf(0.0f), 0);
    EXPECT_EQ(SignOf(1e-30f), 1);
    EXPECT_EQ(SignOf(-1e-30f), -1);
}

TEST(MathTest, MatrixMultiplyMayWriteIntoEitherOperand) {
    const Matrix4 a = Sample(1.0f), b = Sample(-2.0f);
    Matrix4 separate;
    MatrixMultiply(&separate, a, b);
    // Row 1, column 2 by hand.
    float expect = 0;
    for (int k = 0; k < 4; ++k) expect += a.at(1, k) * b.at(k, 2);
    EXPECT_FLOAT_EQ(separate.at(1, 2), expect);

    Matrix4 left = a;
    MatrixMultiply(&left, left, b);
    Matrix4 right = b;
    MatrixMultiply(&right, a, right);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(left.m[i], separate.m[i]) << i;
        EXPECT_EQ(right.m[i], separate.m[i]) << i;
    }
}

TEST(MathTest, ViewMatrixMapsTheEyeToTheOriginAndTheTargetOntoPlusZ) {
    Matrix4 v;
    const Vector3 eye{10, 5, -3}, at{12, 5, 4};
    ASSERT_EQ(BuildViewMatrix(&v, eye, at, Vector3{0, 1, 0}), S_OK);
    const Vector3 e = TransformCoord(eye, v);
    ExpectVector(e, 0, 0, 0, 1e-5f);
    const Vector3 t = TransformCoord(at, v);
    EXPECT_NEAR(t.x, 0.0f, 1e-5f);
    EXPECT_NEAR(t.y, 0.0f, 1e-5f);
    EXPECT_NEAR(t.z, std::sqrt(4.0f + 49.0f), 1e-5f);
    // A point above the eye stays above; one to the right (left-handed: +x) stays right.
    EXPECT_GT(TransformCoord(Vector3{10, 6, -3}, v).y, 0.0f);
}

// The placements state a model's turn by cosine and sine; the horse's (0.0078537, 0.99997)
// must carry its +z (head) towards world +x and its +x towards world -z, keeping up up.
TEST(MathTest, YawRotationTurnsAsThePlacementsStateIt) {
    const Matrix4 horse = YawRotation(0.0078537f, 0.99997f);
    ExpectVector(TransformCoord(Vector3{0, 0, 1}, horse), 0.99997f, 0, 0.0078537f, 1e-6f);
    ExpectVector(TransformCoord(Vector3{1, 0, 0}, horse), 0.0078537f, 0, -0.99997f, 1e-6f);
    ExpectVector(TransformCoord(Vector3{0, 1, 0}, horse), 0, 1, 0, 0.0f);
    // Half a turn mirrors both horizontal axes.
    ExpectVector(TransformCoord(Vector3{3, 2, 5}, YawRotation(-1.0f, 0.0f)), -3, 2, -5, 0.0f);
}

TEST(MathTest, ViewMatrixFailsOnCoincidentEyeAndTargetLeavingIdentity) {
    Matrix4 v = Sample(3.0f);
    EXPECT_EQ(BuildViewMatrix(&v, Vector3{1, 1, 1}, Vector3{1, 1, 1}, Vector3{0, 1, 0}),
              E_INVALIDARG);
    const Matrix4 id = Matrix4::Identity();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(v.m[i], id.m[i]);
}

TEST(MathTest, ViewMatrixFallsBackToWorldYThenWorldZ) {
    Matrix4 v;
    // Up parallel to the view direction (+x): falls back to (0,1,0).
    ASSERT_EQ(BuildViewMatrix(&v, Vector3{0, 0, 0}, Vector3{5, 0, 0}, Vector3{2, 0, 0}), S_OK);
    EXPECT_FLOAT_EQ(v.at(1, 1), 1.0f);  // y axis of the view is world y
    // Looking straight down y with up along y: (0,1,0) also fails, so (0,0,1) is used.
    ASSERT_EQ(BuildViewMatrix(&v, Vector3{0, 0, 0}, Vector3{0, -5, 0}, Vector3{0, 1, 0}), S_OK);
    EXPECT_FLOAT_EQ(v.at(2, 1), 1.0f);  // y axis of the view is world z
    EXPECT_FLOAT_EQ(v.at(1, 2), -1.0f);
    // Zero up vector and a view along z: (0,1,0) works.
    ASSERT_EQ(BuildViewMatrix(&v, Vector3{0, 0, 0}, Vector3{0, 0, 1}, Vector3{0, 0, 0}), S_OK);
    EXPECT_FLOAT_EQ(v.at(1, 1), 1.0f);
}

TEST(MathTest, BezierRunsFromTheLastControlPointToTheFirst) {
    const Vector3 p[4] = {{0, 0, 0}, {1, 2, 0}, {3, 2, 1}, {4, 0, 8}};
    Vector3 out;
    BezierPoint(&out, 0.0f, p);
    ExpectVector(out, 4, 0, 8);
    BezierPoint(&out, 1.0f, p);
    ExpectVector(out, 0, 0, 0);
    BezierPoint(&out, 0.5f, p);
    ExpectVector(out, (0 + 3 * 1 + 3 * 3 + 4) / 8.0f, (0 + 6 + 6 + 0) / 8.0f, (3 + 8) / 8.0f);
}

TEST(MathTest, Determinant3MatchesTheCofactorExpansion) {
    const float r0[4] = {2, -3, 1, 9}, r1[4] = {2, 0, -1, 9}, r2[4] = {1, 4, 5, 9};
    EXPECT_FLOAT_EQ(Determinant3(r0, r1, r2), 2 * (0 + 4) + 3 * (10 + 1) + 1 * (8 - 0));
    const float same[4] = {1, 2, 3, 0};
    EXPECT_EQ(Determinant3(same, same, r2), 0.0f);
}

// A simple perspective looking down +z from the origin (near 1, far 100, 90 degrees).
void CameraPlanes(Plane4 planes[6]) {
    Matrix4 view;
    ASSERT_EQ(BuildViewMatrix(&view, Vector3{0, 0, 0}, Vector3{0, 0, 1}, Vector3{0, 1, 0}), S_OK);
    Matrix4 proj{};
    proj.at(0, 0) = 1.0f;
    proj.at(1, 1) = 1.0f;
    proj.at(2, 2) = 100.0f / 99.0f;
    proj.at(2, 3) = 1.0f;
    proj.at(3, 2) = -100.0f / 99.0f;
    ExtractFrustumPlanes(view, proj, planes);
}

void BoxCorners(const Vector3& lo, const Vector3& hi, Vector3 out[8]) {
    for (int k = 0; k < 8; ++k) {
        out[k] = Vector3{(k & 1) ? hi.x : lo.x, (k & 2) ? hi.y : lo.y, (k & 4) ? hi.z : lo.z};
    }
}

TEST(MathTest, FrustumPlanesAreTheColumnCombinations) {
    Matrix4 view = Matrix4::Identity(), proj = Sample(0.25f);
    Plane4 planes[6];
    ExtractFrustumPlanes(view, proj, planes);
    auto col = [&](int k, int row) { return proj.at(row, k); };
    EXPECT_FLOAT_EQ(planes[0].a, col(3, 0) - col(0, 0));
    EXPECT_FLOAT_EQ(planes[1].d, col(3, 3) + col(0, 3));
    EXPECT_FLOAT_EQ(planes[2].b, col(3, 1) + col(1, 1));
    EXPECT_FLOAT_EQ(planes[3].c, col(3, 2) - col(1, 2));
    EXPECT_FLOAT_EQ(planes[4].a, col(3, 0) - col(2, 0));
    EXPECT_FLOAT_EQ(planes[5].d, col(3, 3) + col(2, 3));
}

TEST(MathTest, BoxInFrustumCullsOnlyWhatOnePlaneRejects) {
    Plane4 planes[6];
    CameraPlanes(planes);
    Vector3 c[8];
    BoxCorners(Vector3{-1, -1, 10}, Vector3{1, 1, 12}, c);
    EXPECT_TRUE(BoxInFrustum(c, planes));
    BoxCorners(Vector3{-1, -1, -12}, Vector3{1, 1, -10}, c);  // behind the eye
    EXPECT_FALSE(BoxInFrustum(c, planes));
    BoxCorners(Vector3{-2, -2, -2}, Vector3{2, 2, 2}, c);  // encloses the eye
    EXPECT_TRUE(BoxInFrustum(c, planes));
    BoxCorners(Vector3{-1, -1, 200}, Vector3{1, 1, 210}, c);  // past the far plane
    EXPECT_FALSE(BoxInFrustum(c, planes));
}

TEST(MathTest, BoxInFrustumIsConservativeAtAWedgeEdge) {
    // The wedge x >= |y| (planes x - y >= 0 and x + y >= 0, the rest always true). A box at
    // x < 0 lies wholly outside it, but each plane has one corner on its inner side.
    const Plane4 planes[6] = {{1, -1, 0, 0}, {1, 1, 0, 0}, {0, 0, 0, 1},
                              {0, 0, 0, 1},  {0, 0, 0, 1}, {0, 0, 0, 1}};
    Vector3 c[8];
    BoxCorners(Vector3{-2, -3, 0}, Vector3{-1, 3, 1}, c);
    EXPECT_TRUE(BoxInFrustum(c, planes));
    BoxCorners(Vector3{-2, -0.5f, 0}, Vector3{-1, 0.5f, 1}, c);
    EXPECT_FALSE(BoxInFrustum(c, planes));
}

TEST(MathTest, RayHitsTheTriangleFromBothSidesAndMissesWhenParallel) {
    const Vector3 t0{0, 0, 5}, t1{2, 0, 5}, t2{0, 2, 5};
    float t = -1;
    ASSERT_TRUE(IntersectRayTriangle(Vector3{0.5f, 0.5f, 0}, Vector3{0, 0, 1}, t0, t1, t2, &t));
    EXPECT_FLOAT_EQ(t, 5.0f);
    ASSERT_TRUE(IntersectRayTriangle(Vector3{0.5f, 0.5f, 9}, Vector3{0, 0, -2}, t0, t1, t2, &t));
    EXPECT_FLOAT_EQ(t, 2.0f);  // in units of the direction's length
    EXPECT_FALSE(IntersectRayTriangle(Vector3{0, 0, 0}, Vector3{1, 0, 0}, t0, t1, t2, &t));
    EXPECT_FALSE(IntersectRayTriangle(Vector3{1.5f, 1.5f, 0}, Vector3{0, 0, 1}, t0, t1, t2, &t));
    EXPECT_FALSE(IntersectRayTriangle(Vector3{-0.1f, 0.5f, 0}, Vector3{0, 0, 1}, t0, t1, t2, &t));
}

TEST(MathTest, TransformsMatchRowVectorConvention) {
    Matrix4 m = Matrix4::Identity();
    m.at(3, 0) = 5;  // translation
    m.at(0, 1) = 1;  // x feeds y
    ExpectVector(TransformCoord(Vector3{1, 2, 3}, m), 6, 3, 3);
    ExpectVector(TransformNormal(Vector3{1, 2, 3}, m), 1, 3, 3);
    m.at(3, 3) = 2;  // w divides
    ExpectVector(TransformCoord(Vector3{1, 2, 3}, m), 3, 1.5f, 1.5f);
}

}  // namespace
}  // namespace eh::model
