#include "model/animation.h"

#include <algorithm>
#include <cstring>

#include "d3dx/d3dx8.h"

namespace eh::model {

Matrix4 EvaluateBone(const esa::BoneTrack& track, std::int32_t spacing, float t) {
    const auto& pos = track.positions;
    const auto& rot = track.rotations;
    const esa::KeyBlend b =
        esa::LocateKeys(t, spacing, static_cast<int>(pos.size()),
                        [&pos](int k) { return pos[static_cast<std::size_t>(k)].time; });

    Matrix4 m = Matrix4::Identity();
    if (!rot.empty()) {
        // Rotation key i pairs with position key i; a shorter rotation list stops at its end.
        const std::size_t last = rot.size() - 1;
        const esa::RotationKey& ki = rot[std::min(static_cast<std::size_t>(b.i), last)];
        const esa::RotationKey& kj = rot[std::min(static_cast<std::size_t>(b.j), last)];
        const D3DXQUATERNION qi(ki.x, ki.y, ki.z, ki.w), qj(kj.x, kj.y, kj.z, kj.w);
        D3DXQUATERNION q;
        D3DXQuaternionSlerp(&q, &qi, &qj, b.f);
        D3DXMATRIX r;
        D3DXMatrixRotationQuaternion(&r, &q);
        static_assert(sizeof(D3DMATRIX) == sizeof(Matrix4));
        std::memcpy(m.m, &r, sizeof m.m);
    }
    if (!pos.empty()) {
        const Vector3& pi = pos[static_cast<std::size_t>(b.i)].position;
        const Vector3& pj = pos[static_cast<std::size_t>(b.j)].position;
        m.m[12] = pi.x + (pj.x - pi.x) * b.f;
        m.m[13] = pi.y + (pj.y - pi.y) * b.f;
        m.m[14] = pi.z + (pj.z - pi.z) * b.f;
    } else {
        m.m[12] = m.m[13] = m.m[14] = 0.0f;
    }
    return m;
}

}  // namespace eh::model
