#include "mediagen/world/world_math.h"

#include <cmath>

namespace eh::mediagen::world {

Matrix4 Translation(const Vector3& t) {
    Matrix4 m = Matrix4::Identity();
    m.m[12] = t.x;
    m.m[13] = t.y;
    m.m[14] = t.z;
    return m;
}

Matrix4 RotationX(float a) {
    Matrix4 m = Matrix4::Identity();
    const float c = std::cos(a), s = std::sin(a);
    m.m[5] = c;
    m.m[6] = s;
    m.m[9] = -s;
    m.m[10] = c;
    return m;
}

Matrix4 RotationY(float a) {
    Matrix4 m = Matrix4::Identity();
    const float c = std::cos(a), s = std::sin(a);
    m.m[0] = c;
    m.m[2] = -s;
    m.m[8] = s;
    m.m[10] = c;
    return m;
}

Matrix4 RotationZ(float a) {
    Matrix4 m = Matrix4::Identity();
    const float c = std::cos(a), s = std::sin(a);
    m.m[0] = c;
    m.m[1] = s;
    m.m[4] = -s;
    m.m[5] = c;
    return m;
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    model::MatrixMultiply(&r, a, b);
    return r;
}

Matrix4 RotationYawPitchRoll(float yaw, float pitch, float roll) {
    return Multiply(Multiply(RotationZ(roll), RotationX(pitch)), RotationY(yaw));
}

Matrix4 InverseRigid(const Matrix4& m) {
    Matrix4 r = Matrix4::Identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[4 * i + j] = m.m[4 * j + i];
    const Vector3 t = TranslationOf(m);
    for (int j = 0; j < 3; ++j) {
        r.m[12 + j] = -(t.x * r.m[j] + t.y * r.m[4 + j] + t.z * r.m[8 + j]);
    }
    return r;
}

Vector3 TranslationOf(const Matrix4& m) {
    return Vector3{m.m[12], m.m[13], m.m[14]};
}

Quaternion QuaternionOf(const Matrix4& m) {
    // D3DXMatrixRotationQuaternion writes m01 = 2(xy + zw), m10 = 2(xy - zw) and so on:
    // the transpose of the column-vector convention, hence the swapped differences.
    const double m00 = m.m[0], m01 = m.m[1], m02 = m.m[2];
    const double m10 = m.m[4], m11 = m.m[5], m12 = m.m[6];
    const double m20 = m.m[8], m21 = m.m[9], m22 = m.m[10];
    const double trace = m00 + m11 + m22;
    double x, y, z, w;
    if (trace > 0.0) {
        const double s = std::sqrt(trace + 1.0) * 2.0;
        w = 0.25 * s;
        x = (m12 - m21) / s;
        y = (m20 - m02) / s;
        z = (m01 - m10) / s;
    } else if (m00 > m11 && m00 > m22) {
        const double s = std::sqrt(1.0 + m00 - m11 - m22) * 2.0;
        w = (m12 - m21) / s;
        x = 0.25 * s;
        y = (m01 + m10) / s;
        z = (m02 + m20) / s;
    } else if (m11 > m22) {
        const double s = std::sqrt(1.0 + m11 - m00 - m22) * 2.0;
        w = (m20 - m02) / s;
        x = (m01 + m10) / s;
        y = 0.25 * s;
        z = (m12 + m21) / s;
    } else {
        const double s = std::sqrt(1.0 + m22 - m00 - m11) * 2.0;
        w = (m01 - m10) / s;
        x = (m02 + m20) / s;
        y = (m12 + m21) / s;
        z = 0.25 * s;
    }
    const double len = std::sqrt(x * x + y * y + z * z + w * w);
    return Quaternion{static_cast<float>(x / len), static_cast<float>(y / len),
                      static_cast<float>(z / len), static_cast<float>(w / len)};
}

Vector3 Normalize(const Vector3& v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (l <= 0.0f) return Vector3{0.0f, 1.0f, 0.0f};
    return Vector3{v.x / l, v.y / l, v.z / l};
}

Vector3 Lerp(const Vector3& a, const Vector3& b, float t) {
    return Vector3{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

float Clamp(float v, float lo, float hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

float SmoothStep(float edge0, float edge1, float x) {
    const float t = Clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float Ease(float t) {
    t = Clamp(t, 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float Bump(float t) {
    const float s = std::sin(kPi * t);
    return s * s;
}

std::uint32_t Random::Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<std::uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32);
}

float Random::Uniform() {
    return static_cast<float>(Next() >> 8) / 16777216.0f;
}

}  // namespace eh::mediagen::world
