// Evaluation of an ESA clip's bone tracks into bone matrices.
#pragma once

#include "model/esa_format.h"
#include "model/math.h"

namespace eh::model {

// Bone matrix of `track` at clip time `t` (clip time units): key index
// i = trunc(t / spacing), j = i + 1 (both kept inside the lists, see esa::LocateKeys);
// f from the position keys' times; rotation = slerp of rotation keys i and j by f
// (D3DXQuaternionSlerp) made into a matrix (D3DXMatrixRotationQuaternion); translation row =
// position key i + (key j - key i) * f. The result is the bone's whole model-space
// transform. A list without keys contributes the identity rotation or no translation.
Matrix4 EvaluateBone(const esa::BoneTrack& track, std::int32_t spacing, float t);

}  // namespace eh::model
