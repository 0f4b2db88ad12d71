// The oak: a stout trunk with a root flare on its rise, seven limbs with side branches,
// and a dome of solid leaf clusters (the leaf texture is an opaque JPEG, so the foliage
// must be geometry). One mesh object of about 3250 vertices, bark and leaves as two
// materials. Frame: y up, the box centre at the origin, the ground at y = kOakGround -
// 214.096 (about -150).
#include <cmath>

#include "mediagen/world/models.h"
#include "mediagen/world/world_layout.h"

namespace eh::mediagen::world {
namespace {

constexpr int kBark = 0;
constexpr int kLeaves = 1;
constexpr float kGround = kOakGround - 214.096f;
constexpr int kTargetVertices = 3250;

// A tapering limb along a quadratic curve from `a` through `via` to `b`.
void limb(MeshBuilder& mesh, const Vector3& a, const Vector3& via, const Vector3& b, float r0,
          float r1, int rings, int segments, float v0) {
    std::vector<Ring> list;
    for (int i = 0; i <= rings; ++i) {
        const float s = static_cast<float>(i) / static_cast<float>(rings);
        const Vector3 p = Lerp(Lerp(a, via, s), Lerp(via, b, s), s);
        const Vector3 d = model::Subtract(Lerp(via, b, s), Lerp(a, via, s));
        Vector3 side, up;
        RingFrame(d, Vector3{0, 1, 0}, &side, &up);
        const float r = r0 + (r1 - r0) * s;
        list.push_back(Ring{p, side, up, r, r, v0 + 1.6f * s, {}});
    }
    Loft(mesh, kBark, list, LoftOptions{segments, 0.0f, 1.0f, false, true});
}

}  // namespace

model::emd::File MakeOak() {
    model::emd::File f;
    f.materials.push_back(TextureMaterial("oak_bark.jpg"));
    f.materials.push_back(TextureMaterial("oak_leaves.jpg"));
    MeshBuilder mesh("oak");
    Random random(0x0A4);

    // Trunk with its root flare (buried 15 units below the rise).
    struct TrunkRing {
        float y, r, lean;
    };
    const TrunkRing trunk[] = {{kGround - 15.0f, 30.0f, 0.0f},  {kGround, 26.0f, 0.0f},
                               {kGround + 12.0f, 18.5f, 0.5f},  {kGround + 40.0f, 15.5f, 1.5f},
                               {kGround + 90.0f, 14.0f, 3.0f},  {kGround + 140.0f, 13.0f, 4.0f},
                               {kGround + 175.0f, 12.5f, 4.0f}, {kGround + 200.0f, 10.0f, 3.0f}};
    std::vector<Ring> rings;
    for (const TrunkRing& t : trunk) {
        const float bulge = 1.0f + 0.06f * std::sin(t.y * 0.05f);
        rings.push_back(Ring{{t.lean, t.y, 0},
                             {1, 0, 0},
                             {0, 0, 1},
                             t.r * bulge,
                             t.r * 0.93f,
                             (t.y - kGround) / 60.0f,
                             {}});
    }
    Loft(mesh, kBark, rings, LoftOptions{14, 0.0f, 2.0f, true, true});

    // Limbs: out and up from the top of the trunk into the crown.
    const int limbs = 7;
    std::vector<Vector3> ends;
    for (int i = 0; i < limbs; ++i) {
        const float a = 2.0f * kPi * (static_cast<float>(i) + random.Range(-0.2f, 0.2f)) / limbs;
        const float reach = random.Range(95.0f, 125.0f);
        const float startY = kGround + 150.0f + random.Range(0.0f, 45.0f);
        const Vector3 start{3.0f + 6.0f * std::cos(a), startY, 6.0f * std::sin(a)};
        const Vector3 end{reach * std::cos(a), startY + random.Range(70.0f, 120.0f),
                          reach * std::sin(a)};
        const Vector3 via{0.45f * end.x, startY + 20.0f + 0.2f * (end.y - startY), 0.45f * end.z};
        limb(mesh, start, via, end, 7.5f, 2.5f, 6, 8, 0.0f);
        ends.push_back(end);
        // A side branch from the middle of each limb.
        const Vector3 mid = Lerp(Lerp(start, via, 0.55f), Lerp(via, end, 0.55f), 0.55f);
        const float b = a + random.Range(0.5f, 0.9f) * (i % 2 ? 1.0f : -1.0f);
        const Vector3 sideEnd{mid.x + 60.0f * std::cos(b), mid.y + random.Range(35.0f, 60.0f),
                              mid.z + 60.0f * std::sin(b)};
        limb(mesh, mid, Lerp(mid, sideEnd, 0.5f), sideEnd, 4.0f, 1.5f, 4, 6, 0.5f);
        ends.push_back(sideEnd);
    }
    // A leader straight up the middle.
    limb(mesh, {3, kGround + 195.0f, 0}, {2, kGround + 260.0f, 4}, {0, kGround + 330.0f, 0}, 8.0f,
         2.5f, 6, 8, 0.0f);
    ends.push_back({0, kGround + 330.0f, 0});

    // Leaf clusters: one at every branch end, then more filling the dome, until the
    // object reaches its vertex budget. Each cluster is a lumpy ellipsoid kept inside the
    // model box (crown top at most 258, horizontal reach at most 185).
    const float crownCentreY = kGround + 285.0f;
    auto cluster = [&](Vector3 c, float radius, int stacks, int slices) {
        const float horizontal = std::sqrt(c.x * c.x + c.z * c.z);
        if (horizontal + radius > 185.0f) {
            const float k = (185.0f - radius) / horizontal;
            c.x *= k;
            c.z *= k;
        }
        c.y = std::min(c.y, 256.0f - radius * 0.85f);
        const float u0 = random.Range(0.0f, 0.5f), v0 = random.Range(0.0f, 0.5f);
        Ellipsoid(mesh, kLeaves, Translation(c), {radius, radius * 0.85f, radius}, stacks, slices,
                  u0, v0, u0 + 1.5f, v0 + 1.0f, {}, 0.16f, random.Next());
    };
    for (const Vector3& e : ends) cluster(e, random.Range(42.0f, 55.0f), 6, 10);
    const int perCluster = 7 * 11;
    int n = 0;
    while (mesh.VertexCount() + perCluster <= kTargetVertices) {
        // Points spread over the dome by a golden-angle spiral.
        const float k = static_cast<float>(n) + 0.5f;
        const float h = 1.0f - k / 18.0f;  // from the top down
        const float ring = std::sqrt(std::max(0.0f, 1.0f - h * h));
        const float a = k * 2.39996f;
        const Vector3 c{140.0f * ring * std::cos(a), crownCentreY + 95.0f * h - 20.0f,
                        140.0f * ring * std::sin(a)};
        cluster(c, random.Range(38.0f, 50.0f), 6, 10);
        ++n;
        if (n > 60) break;
    }
    const int left = kTargetVertices - mesh.VertexCount();
    if (left >= 12) {
        // The last cluster takes up the remainder: (stacks + 1) x (slices + 1) vertices.
        cluster({-30.0f, crownCentreY - 40.0f, 60.0f}, 36.0f, 2, left / 3 - 1);
    }
    f.objects.push_back(mesh.Build({}));
    f.objects.push_back(BoxObject(kOakPlacement.halfBox));
    return f;
}

}  // namespace eh::mediagen::world
