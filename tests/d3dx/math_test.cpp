// Math helpers against worked examples (row vectors: p' = p * M; angles in radians).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "d3dx/d3dx8.h"

namespace {

constexpr float kEps = 1e-5f;
constexpr float kPi = std::numbers::pi_v<float>;

void expectVec(const D3DXVECTOR3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, kEps);
    EXPECT_NEAR(v.y, y, kEps);
    EXPECT_NEAR(v.z, z, kEps);
}

void expectQuat(const D3DXQUATERNION& q, float x, float y, float z, float w) {
    EXPECT_NEAR(q.x, x, kEps);
    EXPECT_NEAR(q.y, y, kEps);
    EXPECT_NEAR(q.z, z, kEps);
    EXPECT_NEAR(q.w, w, kEps);
}

// Quaternion of a rotation by `angle` about a unit axis.
D3DXQUATERNION axisAngle(float ax, float ay, float az, float angle) {
    const float s = std::sin(angle / 2);
    return {ax * s, ay * s, az * s, std::cos(angle / 2)};
}

TEST(D3DXMath, RotationsMoveAxesAsDirect3DDoes) {
    D3DXMATRIX rx, ry;
    D3DXMatrixRotationX(&rx, kPi / 2);
    D3DXMatrixRotationY(&ry, kPi / 2);
    // Rows of RotationX(a): (1,0,0), (0,c,s), (0,-s,c); at 90 degrees y goes to z.
    EXPECT_NEAR(rx._23, 1, kEps);
    EXPECT_NEAR(rx._32, -1, kEps);
    D3DXVECTOR3 v(0, 1, 0), out;
    expectVec(*D3DXVec3TransformNormal(&out, &v, &rx), 0, 0, 1);
    // RotationY(a): (c,0,-s), (0,1,0), (s,0,c); at 90 degrees z goes to x, x to -z.
    v = D3DXVECTOR3(0, 0, 1);
    expectVec(*D3DXVec3TransformNormal(&out, &v, &ry), 1, 0, 0);
    v = D3DXVECTOR3(1, 0, 0);
    expectVec(*D3DXVec3TransformNormal(&out, &v, &ry), 0, 0, -1);
    // 30 degrees about y: (1, 0, 0) -> (cos 30, 0, -sin 30).
    D3DXMatrixRotationY(&ry, kPi / 6);
    expectVec(*D3DXVec3TransformNormal(&out, &v, &ry), std::sqrt(3.0f) / 2, 0, -0.5f);
}

TEST(D3DXMath, QuaternionMatrixMatchesAxisRotations) {
    for (float angle : {0.3f, 1.2f, -2.5f}) {
        SCOPED_TRACE(angle);
        D3DXMATRIX fromQ, expected;
        D3DXQUATERNION q = axisAngle(1, 0, 0, angle);
        D3DXMatrixRotationQuaternion(&fromQ, &q);
        D3DXMatrixRotationX(&expected, angle);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR((&fromQ._11)[i], (&expected._11)[i], kEps);
        q = axisAngle(0, 1, 0, angle);
        D3DXMatrixRotationQuaternion(&fromQ, &q);
        D3DXMatrixRotationY(&expected, angle);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR((&fromQ._11)[i], (&expected._11)[i], kEps);
    }
    // The documented element formulas, with a general quaternion.
    const D3DXQUATERNION q(0.1f, 0.2f, 0.3f, std::sqrt(1 - 0.14f));
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    EXPECT_NEAR(m._12, 2 * (q.x * q.y + q.z * q.w), kEps);
    EXPECT_NEAR(m._21, 2 * (q.x * q.y - q.z * q.w), kEps);
    EXPECT_NEAR(m._44, 1, kEps);
    EXPECT_NEAR(m._41, 0, kEps);
}

TEST(D3DXMath, SlerpEndsMiddleAndShortArc) {
    const D3DXQUATERNION a = axisAngle(0, 1, 0, 0.2f);
    const D3DXQUATERNION b = axisAngle(0, 1, 0, 1.4f);
    D3DXQUATERNION out;
    D3DXQuaternionSlerp(&out, &a, &b, 0);
    expectQuat(out, a.x, a.y, a.z, a.w);
    D3DXQuaternionSlerp(&out, &a, &b, 1);
    expectQuat(out, b.x, b.y, b.z, b.w);
    D3DXQuaternionSlerp(&out, &a, &b, 0.5f);
    const D3DXQUATERNION mid = axisAngle(0, 1, 0, 0.8f);  // halfway in angle, unit length
    expectQuat(out, mid.x, mid.y, mid.z, mid.w);

    // Opposite hemispheres: -b is the same rotation as b; the result follows the short way
    // (from 0.2 to 1.4 rad), not the long way through the other side.
    const D3DXQUATERNION negB(-b.x, -b.y, -b.z, -b.w);
    D3DXQuaternionSlerp(&out, &a, &negB, 0.5f);
    expectQuat(out, mid.x, mid.y, mid.z, mid.w);
    D3DXQuaternionSlerp(&out, &a, &negB, 1);
    expectQuat(out, b.x, b.y, b.z, b.w);

    // Nearly equal quaternions: linear interpolation, no NaN from sin(theta) ~ 0.
    const D3DXQUATERNION c = axisAngle(0, 1, 0, 0.2f + 1e-4f);
    D3DXQuaternionSlerp(&out, &a, &c, 0.5f);
    EXPECT_FALSE(std::isnan(out.w));
    expectQuat(out, (a.x + c.x) / 2, (a.y + c.y) / 2, (a.z + c.z) / 2, (a.w + c.w) / 2);
    D3DXQuaternionSlerp(&out, &a, &a, 0.3f);
    expectQuat(out, a.x, a.y, a.z, a.w);

    // The output may alias an input.
    D3DXQUATERNION alias = a;
    D3DXQuaternionSlerp(&alias, &alias, &b, 1);
    expectQuat(alias, b.x, b.y, b.z, b.w);
}

TEST(D3DXMath, MultiplyTransposeAndTransforms) {
    D3DXMATRIX s, r, t, m;
    D3DXMatrixScaling(&s, 2, 3, 4);
    D3DXMatrixRotationY(&r, kPi / 2);
    D3DXMatrixIdentity(&t);
    t._41 = 10, t._42 = 20, t._43 = 30;
    // Scale, then rotate, then translate: row vectors apply left to right.
    D3DXMatrixMultiply(&m, &s, &r);
    D3DXMatrixMultiply(&m, &m, &t);  // aliasing the output
    D3DXVECTOR3 p(1, 1, 1), out;
    // (1,1,1) scaled (2,3,4); rotated 90 about y: (x,y,z) -> (z, y, -x) = (4, 3, -2); moved.
    expectVec(*D3DXVec3TransformCoord(&out, &p, &m), 14, 23, 28);
    // Normals ignore the translation row.
    expectVec(*D3DXVec3TransformNormal(&out, &p, &m), 4, 3, -2);

    D3DXMATRIX tt;
    D3DXMatrixTranspose(&tt, &t);
    EXPECT_EQ(tt._14, 10);
    EXPECT_EQ(tt._24, 20);
    EXPECT_EQ(tt._34, 30);
    EXPECT_EQ(tt._41, 0);
    D3DXMatrixTranspose(&tt, &tt);  // in place, back again
    for (int i = 0; i < 16; ++i) EXPECT_EQ((&tt._11)[i], (&t._11)[i]);

    // TransformCoord divides by w: a projection with w = z.
    D3DXMATRIX proj(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0);
    D3DXVECTOR3 q(4, 6, 2);
    expectVec(*D3DXVec3TransformCoord(&out, &q, &proj), 2, 3, 1);
    // w = 0 leaves the homogeneous result undivided instead of producing infinities.
    D3DXVECTOR3 onPlane(4, 6, 0);
    expectVec(*D3DXVec3TransformCoord(&out, &onPlane, &proj), 4, 6, 0);
    // In place.
    D3DXVec3TransformCoord(&q, &q, &proj);
    expectVec(q, 2, 3, 1);
}

TEST(D3DXMath, TypesShareDirect3DLayouts) {
    static_assert(sizeof(D3DXMATRIX) == sizeof(D3DMATRIX));
    static_assert(sizeof(D3DXVECTOR3) == sizeof(D3DVECTOR));
    static_assert(sizeof(D3DXQUATERNION) == 16);
    D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    const D3DMATRIX& base = m;
    EXPECT_EQ(base.m[1][2], 7);
    EXPECT_EQ(m(3, 0), 13);
}

}  // namespace
