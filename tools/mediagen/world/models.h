// The generated models and their clips. Every mesh is built in its own frame at world
// scale (see world_layout.h); the skinned ones also return their skeleton's rest pose.
#pragma once

#include <string>
#include <vector>

#include "mediagen/world/mesh_kit.h"
#include "model/emd_format.h"
#include "model/esa_format.h"

namespace eh::mediagen::world {

struct NamedClip {
    std::string fileName;  // stored entry name without the folder, e.g. "horse_loop.ESA"
    model::esa::Clip clip;
};

struct AnimatedModel {
    model::emd::File mesh;
    Skeleton skeleton;
    PoseFunction rest;             // the rest pose (ignores its time argument)
    std::vector<NamedClip> clips;  // in the scene's load order
};

// Horse: 7 clips (loop, tail, leg, head, tailhl_in, tailhl_loop, tailhl_out).
AnimatedModel MakeHorse();
// Crow flock: 6 clips (crow1 .. crow6); clip 1 at time 0 is the rest pose.
AnimatedModel MakeCrows();

model::emd::File MakeSword();
model::emd::File MakeRibbonKnot();
model::emd::File MakeSpotlight();
model::emd::File MakeOak();

// Material record with neutral colours and the given first texture.
model::emd::Material TextureMaterial(const std::string& texture);

// Number of crows in the flock and the bones of crow `i`.
inline constexpr int kCrowCount = 5;
inline constexpr int kBonesPerCrow = 5;  // body, left wing, left tip, right wing, right tip

// Key times of the tail-raise clip: spacing 66, 50 keys, floor(i * 3160 / 48) for
// i = 0..48, then 3166.
std::vector<int> TailRaiseKeyTimes();

}  // namespace eh::mediagen::world
