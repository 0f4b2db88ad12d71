// Where everything stands in the world, and the ground under it.
//
// Each model is authored in its own frame at world scale with its box centred on the
// origin: the eight-vertex box object spans +-half its fit height in y, so the scene's
// FitHeight gives a scale of 1 and its centring does nothing. A local point p then lands
// at world = p * R(theta) + position, with R the scene's rotation about y. The placement
// values are the scene's (fit height, cos and sin of theta, position); the model box
// extents in x and z are this generator's choice.
#pragma once

#include <cstdint>
#include <vector>

#include "model/math.h"
#include "model/terrain_format.h"

namespace eh::mediagen::world {

using model::Vector3;

struct Placement {
    float fitHeight;
    float cosTheta, sinTheta;
    Vector3 position;  // world position of the model box centre
    Vector3 halfBox;   // half extents of the model box in the model's own frame
};

// The scene's placements, with the box half extents the meshes are built to.
extern const Placement kHorsePlacement;
extern const Placement kSwordPlacement;  // shared by the sword, the ribbon knot and the crows
extern const Placement kSpotlightPlacement;
extern const Placement kOakPlacement;

Vector3 LocalToWorld(const Placement& p, const Vector3& local);
Vector3 WorldToLocal(const Placement& p, const Vector3& world);

// Terrain grid: 40 x 40 points over 1200 x 1200 units, columns along +x from -600, rows
// along -z from +600.
inline constexpr int kTerrainColumns = 40;
inline constexpr int kTerrainRows = 40;
inline constexpr float kTerrainSize = 1200.0f;

// Ground levels the placements need (world y).
inline constexpr float kHorseGround = 79.8004f - 46.0f;  // the horse's hoof soles
inline constexpr float kSwordGround = 46.0f;             // the meadow around the sword
inline constexpr float kOakGround = 64.0f;               // the rise the oak stands on

// The designed height field (world units) before it is sampled on the grid.
float DesignHeight(float x, float z);

// The terrain file: one texture "Ground.jpg", every point in layer 1.
model::terrain::File MakeTerrain();

// The ground under (x, z) as the scene sees it: the product's Terrain::HeightAt over the
// terrain file (the plane through three grid points, lifted by (level + 1) x 0.075).
class Ground {
  public:
    explicit Ground(const model::terrain::File& file);
    ~Ground();
    Ground(const Ground&) = delete;
    Ground& operator=(const Ground&) = delete;

    float HeightAt(float x, float z, int level = 0) const;
    // The plane height itself, without the lift.
    float SurfaceAt(float x, float z) const { return HeightAt(x, z, 0) - 0.075f; }

  private:
    struct Impl;
    Impl* impl_;
};

}  // namespace eh::mediagen::world
