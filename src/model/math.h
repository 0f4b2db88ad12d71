// Vector, matrix and plane helpers shared by the models, the terrain, the camera and the
// scene.
//
// Conventions (Direct3D's): the world is left-handed, points are row vectors multiplied on
// the left (p' = p * M), a Matrix4 is row-major with the translation in elements 12..14.
// Angles are radians. Every function works on caller storage and allocates nothing; the
// order of the floating-point operations is part of each contract, because other code
// (culling, camera tracks, tests) depends on the exact results.
#pragma once

#include "platform/os/win32_types.h"

namespace eh::model {

// Three floats, layout-compatible with D3DVECTOR / D3DXVECTOR3.
struct Vector3 {
    float x, y, z;
};

// Sixteen floats, m[4 * row + col]; layout-compatible with D3DMATRIX.
struct Matrix4 {
    float m[16];

    float& at(int row, int col) { return m[4 * row + col]; }
    float at(int row, int col) const { return m[4 * row + col]; }
    static Matrix4 Identity();
};

// A point p is on the inner side when a*p.x + b*p.y + c*p.z + d >= 0. Never normalised.
struct Plane4 {
    float a, b, c, d;
};

static_assert(sizeof(Vector3) == 12 && sizeof(Matrix4) == 64 && sizeof(Plane4) == 16);

// Scalar helpers: float in, float out, evaluated in double precision.
float sin(float radians);
float cos(float radians);
float atan(float x);
float sqrt(float x);
float pow(float x, float y);

// Settings, clips and scene tables give angles in degrees. The float nearest pi / 180,
// multiplied in (never pi * degrees / 180): the rounding is part of every result that
// callers and tests compare exactly.
inline constexpr float kRadiansPerDegree = 0.017453292f;
inline float Radians(float degrees) {
    return degrees * kRadiansPerDegree;
}

inline Vector3 Set(float x, float y, float z) {
    return Vector3{x, y, z};
}
inline Vector3 Add(const Vector3& a, const Vector3& b) {
    return Vector3{a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector3 Subtract(const Vector3& a, const Vector3& b) {
    return Vector3{a.x - b.x, a.y - b.y, a.z - b.z};
}
// Scalar first, as the callers write it.
inline Vector3 Scale(float s, const Vector3& v) {
    return Vector3{s * v.x, s * v.y, s * v.z};
}
inline float Dot(const Vector3& a, const Vector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vector3 Cross(const Vector3& a, const Vector3& b) {
    return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float LengthSquared(const Vector3& v) {
    return Dot(v, v);
}
inline float Length(const Vector3& v) {
    return sqrt(LengthSquared(v));
}

// 1 for x > 0, 0 for x == 0 (so also for -0.0), -1 otherwise (NaN included).
int SignOf(float x);

// out = a * b through a cleared temporary, so `out` may alias `a` or `b`.
void MatrixMultiply(Matrix4* out, const Matrix4& a, const Matrix4& b);

// Left-handed look-at view (looking down +z). `out` becomes identity first, so on failure
// it holds identity. E_INVALIDARG when eye and at coincide, or when neither `up`, (0,1,0)
// nor (0,0,1) gives a usable up direction; otherwise S_OK.
HRESULT BuildViewMatrix(Matrix4* out, const Vector3& eye, const Vector3& at, const Vector3& up);

// A turn about the vertical axis given by its cosine and sine, as the placements of the
// world's models state it: rows (cos, 0, -sin, 0), (0, 1, 0, 0), (sin, 0, cos, 0),
// (0, 0, 0, 1).
Matrix4 YawRotation(float cosTheta, float sinTheta);

// Cubic Bezier point; t = 0 gives p[3] and t = 1 gives p[0] (the parameter runs from the
// last control point to the first).
void BezierPoint(Vector3* out, float t, const Vector3 p[4]);

// Determinant of the 3x3 matrix whose rows are the first three floats of r0, r1, r2,
// accumulated in float as 0 + aei + bfg + cdh - ceg - afh - bdl.
float Determinant3(const float r0[4], const float r1[4], const float r2[4]);

// The six unnormalised frustum planes of view * projection:
// 0: col3-col0, 1: col3+col0, 2: col3+col1, 3: col3-col1, 4: col3-col2, 5: col3+col2.
void ExtractFrustumPlanes(const Matrix4& view, const Matrix4& projection, Plane4 planes[6]);

// Conservative box test: false only when all eight corners lie on the negative side of
// one plane.
bool BoxInFrustum(const Vector3 corners[8], const Plane4 planes[6]);

// Two-sided ray/triangle test; on a hit, *hitT is the distance along `direction` (in its
// units). Rays with |det| < 0.0001 (parallel to the triangle) miss.
bool IntersectRayTriangle(const Vector3& origin, const Vector3& direction, const Vector3& tri0,
                          const Vector3& tri1, const Vector3& tri2, float* hitT);

// Point and direction transforms with the same arithmetic as D3DXVec3TransformCoord
// (multiplies by 1 / w; w = 0 leaves the result undivided) and D3DXVec3TransformNormal
// (ignores the translation row).
Vector3 TransformCoord(const Vector3& v, const Matrix4& m);
Vector3 TransformNormal(const Vector3& v, const Matrix4& m);

}  // namespace eh::model
