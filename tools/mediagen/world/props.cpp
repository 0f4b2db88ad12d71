// The static models: the sword standing in the meadow, the ribbon knot tied below its
// crossguard, the light beam over it, and the oak on its rise. All are unskinned (no
// bones, no influences).
#include <cmath>

#include "mediagen/world/models.h"
#include "mediagen/world/world_layout.h"

namespace eh::mediagen::world {

model::emd::Material TextureMaterial(const std::string& texture) {
    model::emd::Material m;
    for (int i = 0; i < 3; ++i) {
        m.ambient[i] = 0.6f;
        m.diffuse[i] = 0.8f;
        m.specular[i] = 0.3f;
    }
    m.wrapU = 1;
    m.wrapV = 1;
    m.texture1 = texture;
    m.texture2 = "";
    return m;
}

namespace {

// Sword layout in its frame (y up): the blade crosses the meadow at y = kSwordGround -
// 60.8652 (about -14.9); the crossguard sits just above the ribbon knot (y 27.7), the
// pommel's top closes the model box at 82.4.
constexpr float kBladeTip = -70.0f;
constexpr float kGuardBottom = 29.5f;
constexpr float kGuardTop = 34.5f;
constexpr float kGripTop = 68.0f;
constexpr float kBoxTop = 82.4f;

// Texture layout of sword.jpg (256 x 512): blade columns 0-159, crossguard rows 0-127,
// grip 128-319, pommel 320-447, gilt fittings 448-511 of columns 160-255.
constexpr float kBladeU1 = 159.0f / 256.0f;
constexpr float kFittingU0 = 161.0f / 256.0f;

void buildSword(MeshBuilder& mesh) {
    // Blade: a flat diamond section, 10 wide and 2.6 thick under the guard, tapering to a
    // point. Rings run from the tip upward.
    std::vector<Ring> rings;
    const int steps = 8;
    for (int i = 0; i <= steps; ++i) {
        const float s = static_cast<float>(i) / steps;
        const float y = kBladeTip + (kGuardBottom - kBladeTip) * s;
        const float taper = s < 0.12f ? s / 0.12f : 1.0f - 0.18f * (1.0f - s);
        rings.push_back(Ring{{0, y, 0},
                             {1, 0, 0},
                             {0, 0, 1},
                             5.2f * taper + 0.01f,
                             1.3f * taper + 0.01f,
                             1.0f - s,
                             {}});
    }
    Loft(mesh, 0, rings, LoftOptions{4, 0.0f, kBladeU1, false, true});
    // Crossguard with knobbed ends.
    Box(mesh, 0, Translation({0, (kGuardBottom + kGuardTop) * 0.5f, 0}), {17.0f, 2.5f, 3.2f},
        kFittingU0, 0.0f, 1.0f, 0.24f, {});
    for (float side : {-1.0f, 1.0f}) {
        Ellipsoid(mesh, 0, Translation({side * 18.5f, 32.0f, 0}), {2.6f, 3.4f, 3.4f}, 5, 8,
                  kFittingU0, 0.875f, 1.0f, 1.0f, {});
    }
    // Grip, bound in leather.
    rings.clear();
    for (int i = 0; i <= 4; ++i) {
        const float s = static_cast<float>(i) / 4.0f;
        const float r = 2.6f + 0.5f * std::sin(kPi * s);
        rings.push_back(Ring{{0, kGuardTop + (kGripTop - kGuardTop) * s, 0},
                             {1, 0, 0},
                             {0, 0, 1},
                             r,
                             r,
                             0.25f + 0.37f * s,
                             {}});
    }
    Loft(mesh, 0, rings, LoftOptions{10, kFittingU0, 1.0f, true, true});
    // Pommel: a ball with a cap; its top is the model box's top.
    Ellipsoid(mesh, 0, Translation({0, kGripTop + 6.0f, 0}), {5.5f, 6.0f, 5.5f}, 8, 12, kFittingU0,
              0.63f, 1.0f, 0.87f, {});
    Ellipsoid(mesh, 0, Translation({0, kBoxTop - 2.2f, 0}), {2.0f, 2.2f, 2.0f}, 4, 8, kFittingU0,
              0.875f, 1.0f, 1.0f, {});
}

}  // namespace

model::emd::File MakeSword() {
    model::emd::File f;
    f.materials.push_back(TextureMaterial("sword.jpg"));
    MeshBuilder mesh("sword");
    buildSword(mesh);
    f.objects.push_back(mesh.Build({}));
    f.objects.push_back(BoxObject(kSwordPlacement.halfBox));
    return f;
}

model::emd::File MakeRibbonKnot() {
    // A band wrapped round the blade just under the crossguard, a knot on the edge where
    // the cloth ribbons are tied, and two short ends hanging from it.
    model::emd::File f;
    f.materials.push_back(TextureMaterial("Ribbon.tga"));
    MeshBuilder mesh("ribbon_knot");
    std::vector<Ring> band;
    for (int i = 0; i <= 3; ++i) {
        const float s = static_cast<float>(i) / 3.0f;
        band.push_back(
            Ring{{0, 26.2f + 2.6f * s, 0}, {1, 0, 0}, {0, 0, 1}, 5.5f, 1.8f, 0.1f + 0.8f * s, {}});
    }
    Loft(mesh, 0, band, LoftOptions{12, 0.0f, 0.48f, false, false});
    Ellipsoid(mesh, 0, Translation({-5.4f, 27.6f, 1.5f}), {1.8f, 1.6f, 2.4f}, 5, 8, 0.0f, 0.1f,
              0.2f, 0.9f, {}, 0.12f, 5);
    // Two ends hanging from the knot, twisted a little.
    for (int e = 0; e < 2; ++e) {
        const float dz = e == 0 ? 1.2f : -1.2f;
        const Vector3 p[4] = {{-6.0f, 27.0f, dz},
                              {-6.6f, 27.0f, dz + 1.6f * (e ? -1.0f : 1.0f)},
                              {-8.5f, 18.5f, dz + 2.8f * (e ? -1.0f : 1.0f)},
                              {-7.6f, 18.0f, dz + 1.0f * (e ? -1.0f : 1.0f)}};
        const float uv[4][2] = {{0.0f, 0.05f}, {0.0f, 0.9f}, {0.2f, 0.9f}, {0.2f, 0.05f}};
        const Skin none[4] = {};
        TwoSidedPanel(mesh, 0, p, uv, none);
    }
    f.objects.push_back(mesh.Build({}));
    f.objects.push_back(BoxObject(kSwordPlacement.halfBox));
    return f;
}

model::emd::File MakeSpotlight() {
    // The beam from high above down onto the sword: eight crossed two-sided planes through
    // its axis, each a trapezoid that fades at its rims and ends (spotlight.tga: u across
    // the beam, v along it). From any side the planes read as a soft-edged cone. Normals
    // lean toward both scene lights, so the beam stays evenly lit whichever way a plane
    // faces.
    model::emd::File f;
    f.materials.push_back(TextureMaterial("spotlight.tga"));
    MeshBuilder mesh("beam");
    const float top = 258.0f, bottom = 95.0f;  // world y 214 down to 51 (the meadow at 46)
    const float rTop = 14.0f, rBottom = 38.0f;
    const Vector3 lit = Normalize({0.25f, 0.91f, -0.355f});
    const int planes = 8;
    for (int i = 0; i < planes; ++i) {
        const float a = kPi * static_cast<float>(i) / planes;
        const Vector3 d{std::cos(a), 0.0f, std::sin(a)};
        const Vector3 p[4] = {{-d.x * rTop, top, -d.z * rTop},
                              {d.x * rTop, top, d.z * rTop},
                              {d.x * rBottom, bottom, d.z * rBottom},
                              {-d.x * rBottom, bottom, -d.z * rBottom}};
        const float uv[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
        for (int side = 0; side < 2; ++side) {
            int idx[4];
            for (int k = 0; k < 4; ++k) idx[k] = mesh.AddVertex(p[k], lit, uv[k][0], uv[k][1]);
            // Both windings: one face seen from each side (the normals are shared, so the
            // winding is set here rather than derived from them).
            if (side == 0) {
                mesh.AddFaceAsIs(0, idx[0], idx[1], idx[2]);
                mesh.AddFaceAsIs(0, idx[0], idx[2], idx[3]);
            } else {
                mesh.AddFaceAsIs(0, idx[0], idx[2], idx[1]);
                mesh.AddFaceAsIs(0, idx[0], idx[3], idx[2]);
            }
        }
    }
    f.objects.push_back(mesh.Build({}));
    f.objects.push_back(BoxObject(kSpotlightPlacement.halfBox));
    return f;
}

}  // namespace eh::mediagen::world
