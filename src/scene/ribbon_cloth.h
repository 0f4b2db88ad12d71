// Two strips of cloth hanging from the sword: grids of particles joined by springs, pinned
// along one edge, pulled down by gravity and kicked by gusty wind.
//
// The simulation is independent of the device: Step rewrites the strip's triangle list in
// memory (`Vertices()`), which the renderer copies into its vertex buffer. Time steps are
// scene-step units (1 unit = 100 ms); the wind clamps each step to kMaxStep so the springs
// never see a step large enough to become unstable.
#pragma once

#include <cstdint>
#include <vector>

#include "model/math.h"
#include "scene/vertex_formats.h"

namespace eh::scene {

using model::Vector3;

class RibbonCloth {
public:
    struct Spring {
        int neighbour;
        float restLength;
    };
    struct Particle {
        Vector3 position{};
        Vector3 velocity{};
        std::vector<Spring> springs;
        bool pinned = false;
    };

    static constexpr float kSpringStiffness = 350.0f * 3.0f;
    static constexpr float kMaxStep = 0.0125f;

    // Builds the grid: particle (c, r) at (origin.x, origin.y + r·spacing.y,
    // origin.z + c·spacing.z), springs to the eight neighbours and to those two steps away
    // in the same directions, and the triangle list with its texture coordinates
    // (u = c / columns · uScale + uOffset, v = r / rows · vScale + vOffset) and colour.
    void Create(int columns, int rows, const Vector3& origin, const Vector3& spacing,
                float uScale, float vScale, float uOffset, float vOffset, std::uint32_t color);

    // Pins the first particle (column 0) of every row.
    void PinFirstColumn();

    // One integration step of `dt` (forces from the positions before the step).
    void Step(float dt);

    // Adds `impulse` to the velocity of particle `index` (ignored when out of range).
    void AddImpulse(int index, const Vector3& impulse);

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    int TriangleCount() const { return (columns_ * 2 - 2) * (rows_ - 1); }
    const std::vector<Particle>& Particles() const { return particles_; }
    std::vector<Particle>& Particles() { return particles_; }
    const std::vector<ClothVertex>& Vertices() const { return vertices_; }

private:
    // The springs of the grid come in opposite pairs (a particle and its neighbour pull
    // each other with the same spring, in opposite directions). Step works out each pair's
    // pull once, for a whole row at a time, and then adds the pulls to every particle in
    // the order Create lists its springs, which keeps each velocity's rounding what it
    // would be with one spring at a time. The lists are read once, by Create: Step follows
    // the grid.
    struct Link {
        int offset;      // neighbour index minus particle index
        int dc, dr;      // neighbour column and row minus the particle's
    };
    static constexpr int kLinks = 8;
    void buildLinks();
    void computePulls(float stiffnessStep);
    // Adds the pulls of one link to the velocities, seen from its start (along) or its end.
    void addPulls(int link, bool along);
    void writePositions();

    Vector3 gravity_{0.0f, -5.0f, 0.0f};
    int columns_ = 0;
    int rows_ = 0;
    std::vector<Particle> particles_;
    std::vector<ClothVertex> vertices_;
    std::vector<int> cellParticles_;  // the particle index of each vertex

    Link links_[kLinks]{};
    // Per link, per particle (link-major, kLinks x particle count): the rest length of the
    // spring from the particle to its neighbour along the link, the pull of the last step
    // and whether it pulls at all (all bits set, or none where the two particles coincide
    // or the neighbour lies outside the grid).
    std::vector<float> rest_;
    std::vector<float> pullX_, pullY_, pullZ_;
    std::vector<float> live_;
    // Positions before the step and the velocities being summed, one array per axis.
    std::vector<float> posX_, posY_, posZ_;
    std::vector<float> velX_, velY_, velZ_;
};

// Gusty wind shared by both strips; Update draws its random numbers in a fixed order and
// then steps both strips once.
class ClothWind {
public:
    bool Gusting() const { return gust_; }
    float GustTimer() const { return timer_; }
    void Update(float s, RibbonCloth& first, RibbonCloth& second);

private:
    bool gust_ = true;
    float timer_ = 50.0f;  // scene-step units
};

}  // namespace eh::scene
