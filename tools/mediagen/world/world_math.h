// Small geometry helpers for the world generator: rigid transforms in Direct3D's
// row-vector convention (p' = p * M, translation in elements 12..14), quaternions as the
// clip files store them, easing curves and a seeded random source. Angles are radians.
#pragma once

#include <cstdint>

#include "model/math.h"

namespace eh::mediagen::world {

using model::Matrix4;
using model::Vector3;

inline constexpr float kPi = 3.14159265358979f;

struct Quaternion {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
};

Matrix4 Translation(const Vector3& t);
// Rotations about the axes with Direct3D's sign (D3DXMatrixRotationX/Y/Z).
Matrix4 RotationX(float angle);
Matrix4 RotationY(float angle);
Matrix4 RotationZ(float angle);
// Roll about z, then pitch about x, then yaw about y (the order D3DX's yaw-pitch-roll uses).
Matrix4 RotationYawPitchRoll(float yaw, float pitch, float roll);
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);  // a then b
// Inverse of a rotation-plus-translation matrix.
Matrix4 InverseRigid(const Matrix4& m);
Vector3 TranslationOf(const Matrix4& m);
// The rotation quaternion of the upper 3x3 block, such that D3DXMatrixRotationQuaternion
// gives that block back.
Quaternion QuaternionOf(const Matrix4& m);

Vector3 Normalize(const Vector3& v);
Vector3 Lerp(const Vector3& a, const Vector3& b, float t);
float Clamp(float v, float lo, float hi);
// 0 at edge0, 1 at edge1, smooth in between (edge0 may exceed edge1).
float SmoothStep(float edge0, float edge1, float x);
// 0 at t <= 0, 1 at t >= 1, zero slope at both ends.
float Ease(float t);
// sin^2(pi * t): 0 with zero slope at every whole t, 1 at every half.
float Bump(float t);

// A fixed-seed generator (xorshift64*), so every build makes the same media.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    std::uint32_t Next();
    float Uniform();  // [0, 1)
    float Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }

  private:
    std::uint64_t state_;
};

}  // namespace eh::mediagen::world
