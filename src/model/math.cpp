#include "model/math.h"

#include <cmath>

namespace eh::model {

Matrix4 YawRotation(float cosTheta, float sinTheta) {
    Matrix4 m = Matrix4::Identity();
    m.at(0, 0) = cosTheta;
    m.at(0, 2) = -sinTheta;
    m.at(2, 0) = sinTheta;
    m.at(2, 2) = cosTheta;
    return m;
}

Matrix4 Matrix4::Identity() {
    Matrix4 r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

float sin(float radians) {
    return static_cast<float>(std::sin(static_cast<double>(radians)));
}
float cos(float radians) {
    return static_cast<float>(std::cos(static_cast<double>(radians)));
}
float atan(float x) {
    return static_cast<float>(std::atan(static_cast<double>(x)));
}
float sqrt(float x) {
    return static_cast<float>(std::sqrt(static_cast<double>(x)));
}
float pow(float x, float y) {
    return static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(y)));
}

int SignOf(float x) {
    if (x > 0.0f) return 1;
    if (x == 0.0f) return 0;
    return -1;
}

void MatrixMultiply(Matrix4* out, const Matrix4& a, const Matrix4& b) {
    float tmp[16] = {};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            for (int k = 0; k < 4; ++k) tmp[4 * i + j] += a.m[4 * i + k] * b.m[4 * k + j];
        }
    }
    for (int i = 0; i < 16; ++i) out->m[i] = tmp[i];
}

namespace {

Vector3 DivideBy(const Vector3& v, float len) {
    return Vector3{v.x / len, v.y / len, v.z / len};
}

}  // namespace

HRESULT BuildViewMatrix(Matrix4* out, const Vector3& eye, const Vector3& at, const Vector3& up) {
    constexpr float kTiny = 1e-6f;
    *out = Matrix4::Identity();

    Vector3 z = Subtract(at, eye);
    float len = Length(z);
    if (len < kTiny) return E_INVALIDARG;
    z = DivideBy(z, len);

    Vector3 y = Subtract(up, Scale(Dot(up, z), z));
    len = Length(y);
    if (len < kTiny) {
        // `up` runs along the view direction: try the world's y axis, then its z axis.
        y = Vector3{-z.y * z.x, 1.0f - z.y * z.y, -z.y * z.z};
        len = Length(y);
        if (len < kTiny) {
            y = Vector3{-z.z * z.x, -z.z * z.y, 1.0f - z.z * z.z};
            len = Length(y);
            if (len < kTiny) return E_INVALIDARG;
        }
    }
    y = DivideBy(y, len);
    const Vector3 x = Cross(y, z);

    out->at(0, 0) = x.x;
    out->at(0, 1) = y.x;
    out->at(0, 2) = z.x;
    out->at(1, 0) = x.y;
    out->at(1, 1) = y.y;
    out->at(1, 2) = z.y;
    out->at(2, 0) = x.z;
    out->at(2, 1) = y.z;
    out->at(2, 2) = z.z;
    out->at(3, 0) = -Dot(eye, x);
    out->at(3, 1) = -Dot(eye, y);
    out->at(3, 2) = -Dot(eye, z);
    out->at(3, 3) = 1.0f;
    out->at(0, 3) = out->at(1, 3) = out->at(2, 3) = 0.0f;
    return S_OK;
}

void BezierPoint(Vector3* out, float t, const Vector3 p[4]) {
    const Vector3 a = Scale(pow(t, 3.0f), p[0]);
    const Vector3 b = Scale(pow(t, 2.0f) * 3.0f * (1.0f - t), p[1]);
    const Vector3 c = Scale(pow(1.0f - t, 2.0f) * (3.0f * t), p[2]);
    const Vector3 d = Scale(pow(1.0f - t, 3.0f), p[3]);
    *out = Add(Add(a, b), Add(c, d));
}

float Determinant3(const float r0[4], const float r1[4], const float r2[4]) {
    const float a = r0[0], b = r0[1], c = r0[2];
    const float d = r1[0], e = r1[1], f = r1[2];
    const float g = r2[0], h = r2[1], l = r2[2];
    float det = 0.0f;
    det += a * e * l;
    det += b * f * g;
    det += c * d * h;
    det -= c * e * g;
    det -= a * f * h;
    det -= b * d * l;
    return det;
}

void ExtractFrustumPlanes(const Matrix4& view, const Matrix4& projection, Plane4 planes[6]) {
    Matrix4 m;
    MatrixMultiply(&m, view, projection);
    auto column = [&m](int k, float out[4]) {
        for (int row = 0; row < 4; ++row) out[row] = m.at(row, k);
    };
    float c0[4], c1[4], c2[4], c3[4];
    column(0, c0);
    column(1, c1);
    column(2, c2);
    column(3, c3);
    auto combine = [&c3](const float other[4], float sign) {
        return Plane4{c3[0] + sign * other[0], c3[1] + sign * other[1], c3[2] + sign * other[2],
                      c3[3] + sign * other[3]};
    };
    planes[0] = combine(c0, -1.0f);
    planes[1] = combine(c0, 1.0f);
    planes[2] = combine(c1, 1.0f);
    planes[3] = combine(c1, -1.0f);
    planes[4] = combine(c2, -1.0f);
    planes[5] = combine(c2, 1.0f);
}

bool BoxInFrustum(const Vector3 corners[8], const Plane4 planes[6]) {
    for (int i = 0; i < 6; ++i) {
        const Plane4& p = planes[i];
        bool inside = false;
        for (int k = 0; k < 8 && !inside; ++k) {
            const Vector3& v = corners[k];
            inside = p.a * v.x + p.b * v.y + p.c * v.z + p.d >= 0.0f;
        }
        if (!inside) return false;
    }
    return true;
}

bool IntersectRayTriangle(const Vector3& origin, const Vector3& direction, const Vector3& tri0,
                          const Vector3& tri1, const Vector3& tri2, float* hitT) {
    const Vector3 e1 = Subtract(tri1, tri0);
    const Vector3 e2 = Subtract(tri2, tri0);
    const Vector3 p = Cross(direction, e2);
    float det = Dot(e1, p);
    Vector3 tv;
    if (det > 0.0f) {
        tv = Subtract(origin, tri0);
    } else {
        tv = Subtract(tri0, origin);
        det = -det;
    }
    if (det < 0.0001f) return false;
    const float u = Dot(tv, p);
    if (u < 0.0f || u > det) return false;
    const Vector3 q = Cross(tv, e1);
    const float v = Dot(direction, q);
    if (v < 0.0f || u + v > det) return false;
    *hitT = Dot(e2, q) * (1.0f / det);
    return true;
}

Vector3 TransformCoord(const Vector3& v, const Matrix4& m) {
    const float x = v.x * m.m[0] + v.y * m.m[4] + v.z * m.m[8] + m.m[12];
    const float y = v.x * m.m[1] + v.y * m.m[5] + v.z * m.m[9] + m.m[13];
    const float z = v.x * m.m[2] + v.y * m.m[6] + v.z * m.m[10] + m.m[14];
    const float w = v.x * m.m[3] + v.y * m.m[7] + v.z * m.m[11] + m.m[15];
    // As D3DX does: a point at infinity (w = 0) keeps its homogeneous coordinates.
    const float inv = w != 0.0f ? 1.0f / w : 1.0f;
    return Vector3{x * inv, y * inv, z * inv};
}

Vector3 TransformNormal(const Vector3& v, const Matrix4& m) {
    return Vector3{v.x * m.m[0] + v.y * m.m[4] + v.z * m.m[8],
                   v.x * m.m[1] + v.y * m.m[5] + v.z * m.m[9],
                   v.x * m.m[2] + v.y * m.m[6] + v.z * m.m[10]};
}

}  // namespace eh::model
