// Small EMD, ESA and terrain files built in code for the model tests, the benchmark and
// the fuzz seeds.
#pragma once

#include <string>
#include <vector>

#include "model/emd_format.h"
#include "model/esa_format.h"
#include "model/terrain_format.h"

namespace eh::model::samples {

inline emd::BoneInfluence Influence(int bone, float weight, Vector3 offset) {
    return emd::BoneInfluence{bone, weight, offset};
}

// A vertex bound to bone 0 at full weight with the given normals (each also on bone 0)
// and texture channels.
inline emd::SkinVertex Vertex(Vector3 position, std::vector<Vector3> normals,
                              std::vector<std::vector<emd::TexturePair>> channels) {
    emd::SkinVertex v;
    v.position = position;
    v.influences = {Influence(0, 1.0f, position)};
    for (const Vector3& n : normals) {
        v.normals.push_back(emd::SkinNormal{n, {Influence(0, 1.0f, n)}});
    }
    v.channels = std::move(channels);
    return v;
}

// Two materials (an opaque JPEG and a blended TGA), two bones and two objects:
// "Quad", four vertices and two face groups (material 0 with texture blocks, material 1),
// and "Box", eight vertices spanning (-1, 0, -1)..(1, 46, 1) with one empty group of
// material -1, as the exported meshes carry.
inline emd::File SampleMesh() {
    emd::File f;
    emd::Material body;
    body.ambient[0] = 0.1f;
    body.diffuse[1] = 0.7f;
    body.specular[2] = 0.3f;
    body.wrapU = 0;
    body.wrapV = 1;
    body.texture1 = "body.jpg";
    emd::Material wing = body;
    wing.texture1 = "wing.tga";
    wing.texture2 = "wing_detail.bmp";
    f.materials = {body, wing};
    f.bones = {emd::Bone{"root", -1}, emd::Bone{"neck", 0}};

    emd::MeshObject quad;
    quad.name = "Quad";
    const Vector3 up{0, 1, 0};
    const std::vector<emd::TexturePair> uv0 = {{0, 0}, {1, 0}};
    const std::vector<emd::TexturePair> uv1 = {{0.5f, 0.5f}};
    quad.vertices = {Vertex({0, 0, 0}, {up, {0, 0, -1}}, {uv0, uv1}),
                     Vertex({1, 0, 0}, {up}, {uv0}), Vertex({1, 0, 1}, {up}, {uv0}),
                     Vertex({0, 0, 1}, {up}, {})};
    emd::FaceGroup g0;
    g0.material = 0;
    g0.positions = {{0, 1, 2}, {0, 2, 3}};
    g0.normals = {{0, 0, 0}, {1, 0, 0}};
    g0.textures = {{{0, 1, 1}, {0, 0, 0}}, {{0, 0, 0}, {0, 0, 0}}};
    emd::FaceGroup g1;
    g1.material = 1;
    g1.positions = {{0, 2, 1}};
    g1.normals = {{0, 0, 0}};
    g1.textures = {{{0, 1, 1}}};
    quad.groups = {g0, g1};

    emd::MeshObject box;
    box.name = "Box";
    for (int k = 0; k < 8; ++k) {
        emd::SkinVertex v;
        v.position =
            Vector3{(k & 1) ? 1.0f : -1.0f, (k & 2) ? 46.0f : 0.0f, (k & 4) ? 1.0f : -1.0f};
        box.vertices.push_back(v);
    }
    emd::FaceGroup empty;
    empty.material = -1;
    box.groups = {empty};
    f.objects = {quad, box};
    return f;
}

inline std::vector<std::uint8_t> SampleMeshBytes() {
    std::vector<std::uint8_t> bytes;
    emd::Write(SampleMesh(), &bytes);
    return bytes;
}

// A clip of `bones` tracks with `keys` keys at times 0, spacing, 2 * spacing …, the last
// one at `length`; bone b translates by (b, key index, 0) and does not rotate.
inline esa::Clip SampleClip(int bones, int length, int spacing) {
    esa::Clip clip;
    clip.length = length;
    clip.keySpacing = spacing;
    const int whole = length / spacing;
    const int keys = (length % spacing == 0) ? whole + 1 : whole + 2;
    for (int b = 0; b < bones; ++b) {
        esa::BoneTrack t;
        for (int k = 0; k < keys; ++k) {
            const int time = k + 1 == keys ? length : k * spacing;
            t.positions.push_back(
                esa::PositionKey{time, Vector3{static_cast<float>(b), static_cast<float>(k), 0}});
            t.rotations.push_back(esa::RotationKey{time, 0, 0, 0, 1});
        }
        clip.tracks.push_back(t);
    }
    return clip;
}

// A columns x rows grid over width x depth world units centred on the origin, rows
// running along -z, every point in `layer` at height height(c, r).
template <typename Height>
terrain::File SampleTerrain(int columns, int rows, float width, float depth,
                            std::vector<std::string> names, int layer, Height height) {
    terrain::File f;
    f.textureNames = std::move(names);
    f.width = width;
    f.depth = depth;
    f.columns = columns;
    f.rows = rows;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const float x = -width / 2 + width * static_cast<float>(c) / (columns - 1);
            const float z = depth / 2 - depth * static_cast<float>(r) / (rows - 1);
            f.points.push_back(terrain::PointRecord{layer, Vector3{x, height(c, r), z}});
        }
    }
    return f;
}

}  // namespace eh::model::samples
