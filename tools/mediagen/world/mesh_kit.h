// Building blocks for the generated meshes: a vertex and face collector that writes one
// EMD mesh object, lofted tubes, ellipsoids, boxes and two-sided panels, a skeleton with
// forward kinematics, and the clip sampler that turns poses into ESA keys.
//
// Conventions every mesh follows: front faces are clockwise seen from outside in the
// left-handed frame, i.e. cross(b - a, c - a) points along the outward normal (the scene
// culls counter-clockwise faces); each vertex carries one normal and one texture pair;
// a skinned vertex's influence offsets are its rest position in each bone's rest space.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "mediagen/world/world_math.h"
#include "model/emd_format.h"
#include "model/esa_format.h"

namespace eh::mediagen::world {

struct Influence {
    int bone = 0;
    float weight = 1.0f;
};
using Skin = std::vector<Influence>;

// Blends between two bones: weight (1 - t) on `a`, t on `b`; a single influence when
// t is 0 or 1.
Skin Blend(int a, int b, float t);

class MeshBuilder {
  public:
    explicit MeshBuilder(std::string name) : name_(std::move(name)) {}

    int AddVertex(const Vector3& position, const Vector3& normal, float u, float v,
                  const Skin& skin = {});
    // A triangle of `material`; its winding is turned to agree with the corners' normals.
    void AddFace(int material, int a, int b, int c);
    // A triangle kept exactly as given (a two-sided panel whose normals do not follow
    // its sides).
    void AddFaceAsIs(int material, int a, int b, int c) {
        faces_.push_back(Face{material, a, b, c});
    }
    // Quad a-b-c-d (in order around its edge), as two faces.
    void AddQuad(int material, int a, int b, int c, int d);

    // Vertices added so far (for grouping parts).
    int VertexCount() const { return static_cast<int>(vertices_.size()); }
    // Moves every vertex from `first` on by `m` (positions as points, normals as directions).
    void Transform(int first, const Matrix4& m);
    // Re-skins the vertices from `first` on.
    void SetSkin(int first, const Skin& skin);

    // The EMD object. `restBones` gives each bone's model-space matrix at the rest pose;
    // offsets are the rest positions and normals in that bone's space.
    model::emd::MeshObject Build(const std::vector<Matrix4>& restBones) const;

    struct Vertex {
        Vector3 position, normal;
        float u, v;
        Skin skin;
    };
    const std::vector<Vertex>& Vertices() const { return vertices_; }

  private:
    struct Face {
        int material;
        int a, b, c;
    };
    std::string name_;
    std::vector<Vertex> vertices_;
    std::vector<Face> faces_;
};

// The eight-vertex box object: corners +-half, no normals, no faces, one empty group of
// material -1. It fixes the model box the scene scales and centres by.
model::emd::MeshObject BoxObject(const Vector3& half);

// A cross-section ring of a lofted tube: an ellipse around `centre` spanned by the unit
// vectors `side` and `up`, with radii `rSide` and `rUp`; `v` is its texture row.
struct Ring {
    Vector3 centre;
    Vector3 side, up;
    float rSide, rUp;
    float v;
    Skin skin;
};

// Unit side and up vectors perpendicular to `direction`, `up` leaning toward `reference`.
void RingFrame(const Vector3& direction, const Vector3& reference, Vector3* side, Vector3* up);

struct LoftOptions {
    int segments = 8;
    float u0 = 0.0f, u1 = 1.0f;  // texture columns around the ring
    bool capStart = true, capEnd = true;
};
// A closed tube through the rings (caps shrink to the ring centres).
void Loft(MeshBuilder& mesh, int material, const std::vector<Ring>& rings,
          const LoftOptions& options);

// A point of a sculpted surface grid: its position, texture pair and skin.
struct GridPoint {
    Vector3 position;
    float u = 0.0f, v = 0.0f;
    Skin skin;
};
// A surface through `rows` x `cols` points (row-major), each row a ring closed on itself
// (its last column joins its first). Rows that shrink to a point close the ends. Normals
// are taken from the neighbouring grid points, so sculpted bumps shade as bumps, and
// point away from each row's centre.
void GridSurface(MeshBuilder& mesh, int material, const std::vector<GridPoint>& points, int rows,
                 int cols);

// Ellipsoid with semi-axes `radii` along the frame axes (x side, y up, z forward) of
// `frame` (rotation and translation), `stacks` x `slices` quads.
void Ellipsoid(MeshBuilder& mesh, int material, const Matrix4& frame, const Vector3& radii,
               int stacks, int slices, float u0, float v0, float u1, float v1, const Skin& skin,
               float bumpiness = 0.0f, std::uint64_t seed = 0);

// Axis-aligned box in the frame `frame`, 24 vertices.
void Box(MeshBuilder& mesh, int material, const Matrix4& frame, const Vector3& half, float u0,
         float v0, float u1, float v1, const Skin& skin);

// A flat panel seen from both sides: corners p0..p3 around its edge, (u, v) per corner.
void TwoSidedPanel(MeshBuilder& mesh, int material, const Vector3 p[4], const float uv[4][2],
                   const Skin skins[4]);

// A skeleton: bone names and parents. Poses are model-space matrices per bone.
struct Skeleton {
    std::vector<std::string> names;
    std::vector<int> parents;
    int Add(const std::string& name, int parent) {
        names.push_back(name);
        parents.push_back(parent);
        return static_cast<int>(names.size()) - 1;
    }
    int Count() const { return static_cast<int>(names.size()); }
};

std::vector<model::emd::Bone> BoneTable(const Skeleton& skeleton);

// Model-space bone matrices at a clip time (milliseconds).
using PoseFunction = std::function<std::vector<Matrix4>(float timeMs)>;

// Samples `pose` at the key times of a clip: 0, spacing, 2 x spacing, ... and the length
// as the last key (length / spacing + 1 keys when it divides, floor + 2 otherwise).
model::esa::Clip SampleClip(const PoseFunction& pose, int boneCount, int length, int spacing);
// Samples at the given key times (the clip keeps `spacing` as its key spacing).
model::esa::Clip SampleClipAt(const PoseFunction& pose, int boneCount, int length, int spacing,
                              const std::vector<int>& times);

}  // namespace eh::mediagen::world
