#include "mediagen/world/mesh_kit.h"

#include <algorithm>
#include <cmath>

namespace eh::mediagen::world {

using model::Add;
using model::Cross;
using model::Dot;
using model::Scale;
using model::Subtract;
using model::TransformCoord;
using model::TransformNormal;

Skin Blend(int a, int b, float t) {
    t = Clamp(t, 0.0f, 1.0f);
    if (t <= 0.0f || a == b) return Skin{{a, 1.0f}};
    if (t >= 1.0f) return Skin{{b, 1.0f}};
    return Skin{{a, 1.0f - t}, {b, t}};
}

int MeshBuilder::AddVertex(const Vector3& position, const Vector3& normal, float u, float v,
                           const Skin& skin) {
    vertices_.push_back(Vertex{position, Normalize(normal), u, v, skin});
    return static_cast<int>(vertices_.size()) - 1;
}

void MeshBuilder::AddFace(int material, int a, int b, int c) {
    const Vector3 pa = vertices_[a].position, pb = vertices_[b].position,
                  pc = vertices_[c].position;
    const Vector3 n = Add(Add(vertices_[a].normal, vertices_[b].normal), vertices_[c].normal);
    const Vector3 face = Cross(Subtract(pb, pa), Subtract(pc, pa));
    if (Dot(face, face) < 1e-12f) return;  // degenerate (a collapsed cap corner)
    if (Dot(face, n) < 0.0f) std::swap(b, c);
    faces_.push_back(Face{material, a, b, c});
}

void MeshBuilder::AddQuad(int material, int a, int b, int c, int d) {
    AddFace(material, a, b, c);
    AddFace(material, a, c, d);
}

void MeshBuilder::Transform(int first, const Matrix4& m) {
    for (std::size_t i = static_cast<std::size_t>(first); i < vertices_.size(); ++i) {
        vertices_[i].position = TransformCoord(vertices_[i].position, m);
        vertices_[i].normal = Normalize(TransformNormal(vertices_[i].normal, m));
    }
}

void MeshBuilder::SetSkin(int first, const Skin& skin) {
    for (std::size_t i = static_cast<std::size_t>(first); i < vertices_.size(); ++i)
        vertices_[i].skin = skin;
}

model::emd::MeshObject MeshBuilder::Build(const std::vector<Matrix4>& restBones) const {
    model::emd::MeshObject object;
    object.name = name_;
    std::vector<Matrix4> inverse;
    inverse.reserve(restBones.size());
    for (const Matrix4& m : restBones) inverse.push_back(InverseRigid(m));
    for (const Vertex& v : vertices_) {
        model::emd::SkinVertex sv;
        sv.position = v.position;
        model::emd::SkinNormal normal;
        normal.rest = v.normal;
        for (const Influence& inf : v.skin) {
            const Matrix4& inv = inverse.at(static_cast<std::size_t>(inf.bone));
            sv.influences.push_back({inf.bone, inf.weight, TransformCoord(v.position, inv)});
            normal.influences.push_back({inf.bone, inf.weight, TransformNormal(v.normal, inv)});
        }
        sv.normals.push_back(std::move(normal));
        sv.channels.push_back({model::emd::TexturePair{v.u, v.v}});
        object.vertices.push_back(std::move(sv));
    }
    // One face group per material, in material order.
    int maxMaterial = -1;
    for (const Face& f : faces_) maxMaterial = std::max(maxMaterial, f.material);
    for (int m = 0; m <= maxMaterial; ++m) {
        model::emd::FaceGroup group;
        group.material = m;
        group.textures.resize(1);
        for (const Face& f : faces_) {
            if (f.material != m) continue;
            group.positions.push_back({f.a, f.b, f.c});
            group.normals.push_back({0, 0, 0});
            group.textures[0].push_back({0, 0, 0});
        }
        if (!group.positions.empty()) object.groups.push_back(std::move(group));
    }
    return object;
}

model::emd::MeshObject BoxObject(const Vector3& half) {
    model::emd::MeshObject box;
    box.name = "box";
    for (int i = 0; i < 8; ++i) {
        model::emd::SkinVertex v;
        v.position = Vector3{(i & 1) ? half.x : -half.x, (i & 2) ? half.y : -half.y,
                             (i & 4) ? half.z : -half.z};
        box.vertices.push_back(v);
    }
    model::emd::FaceGroup empty;
    empty.material = -1;
    box.groups.push_back(empty);
    return box;
}

void RingFrame(const Vector3& direction, const Vector3& reference, Vector3* side, Vector3* up) {
    const Vector3 d = Normalize(direction);
    Vector3 s = Cross(reference, d);
    if (Dot(s, s) < 1e-8f) s = Cross(Vector3{0.0f, 0.0f, 1.0f}, d);
    if (Dot(s, s) < 1e-8f) s = Cross(Vector3{1.0f, 0.0f, 0.0f}, d);
    *side = Normalize(s);
    *up = Normalize(Cross(d, *side));
}

void Loft(MeshBuilder& mesh, int material, const std::vector<Ring>& rings, const LoftOptions& o) {
    const int n = o.segments;
    std::vector<int> first;
    for (std::size_t r = 0; r < rings.size(); ++r) {
        const Ring& ring = rings[r];
        first.push_back(mesh.VertexCount());
        for (int i = 0; i <= n; ++i) {
            const float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(n);
            const float ca = std::cos(a), sa = std::sin(a);
            const Vector3 p = Add(
                ring.centre, Add(Scale(ca * ring.rSide, ring.side), Scale(sa * ring.rUp, ring.up)));
            // Ellipse normal, tilted along the tube where the radius changes.
            Vector3 nrm = Add(Scale(ca / std::max(ring.rSide, 1e-3f), ring.side),
                              Scale(sa / std::max(ring.rUp, 1e-3f), ring.up));
            nrm = Normalize(nrm);
            const std::size_t prev = r > 0 ? r - 1 : r, next = r + 1 < rings.size() ? r + 1 : r;
            const Vector3 axis = Subtract(rings[next].centre, rings[prev].centre);
            const float axisLen = model::Length(axis);
            if (axisLen > 1e-4f) {
                const float dr = (rings[prev].rSide + rings[prev].rUp) * 0.5f -
                                 (rings[next].rSide + rings[next].rUp) * 0.5f;
                nrm = Normalize(Add(nrm, Scale(dr / axisLen / axisLen, axis)));
            }
            const float u = o.u0 + (o.u1 - o.u0) * static_cast<float>(i) / static_cast<float>(n);
            mesh.AddVertex(p, nrm, u, ring.v, ring.skin);
        }
    }
    for (std::size_t r = 0; r + 1 < rings.size(); ++r) {
        for (int i = 0; i < n; ++i) {
            mesh.AddQuad(material, first[r] + i, first[r] + i + 1, first[r + 1] + i + 1,
                         first[r + 1] + i);
        }
    }
    auto cap = [&](std::size_t r, float sign) {
        const Ring& ring = rings[r];
        const std::size_t other = r == 0 ? (rings.size() > 1 ? 1 : 0) : r - 1;
        Vector3 axis = Normalize(Subtract(ring.centre, rings[other].centre));
        if (other == r) axis = Cross(ring.side, ring.up);
        (void)sign;
        const int centre =
            mesh.AddVertex(ring.centre, axis, (o.u0 + o.u1) * 0.5f, ring.v, ring.skin);
        const int ringFirst = mesh.VertexCount();
        for (int i = 0; i <= n; ++i) {
            const float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(n);
            const Vector3 p = Add(ring.centre, Add(Scale(std::cos(a) * ring.rSide, ring.side),
                                                   Scale(std::sin(a) * ring.rUp, ring.up)));
            const float u = o.u0 + (o.u1 - o.u0) * static_cast<float>(i) / static_cast<float>(n);
            mesh.AddVertex(p, axis, u, ring.v, ring.skin);
        }
        for (int i = 0; i < n; ++i)
            mesh.AddFace(material, centre, ringFirst + i, ringFirst + i + 1);
    };
    if (o.capStart && rings.size() > 1 && (rings.front().rSide > 0.0f)) cap(0, -1.0f);
    if (o.capEnd && rings.size() > 1 && (rings.back().rSide > 0.0f)) cap(rings.size() - 1, 1.0f);
}

void GridSurface(MeshBuilder& mesh, int material, const std::vector<GridPoint>& points, int rows,
                 int cols) {
    auto at = [&](int r, int c) -> const GridPoint& {
        r = std::clamp(r, 0, rows - 1);
        c = ((c % cols) + cols) % cols;
        return points[static_cast<std::size_t>(r * cols + c)];
    };
    std::vector<Vector3> centres(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        Vector3 sum{0, 0, 0};
        for (int c = 0; c < cols; ++c) sum = Add(sum, at(r, c).position);
        centres[static_cast<std::size_t>(r)] = Scale(1.0f / static_cast<float>(cols), sum);
    }
    const int first = mesh.VertexCount();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const GridPoint& g = at(r, c);
            const Vector3 along = Subtract(at(r + 1, c).position, at(r - 1, c).position);
            const Vector3 around = Subtract(at(r, c + 1).position, at(r, c - 1).position);
            Vector3 n = Cross(along, around);
            Vector3 out = Subtract(g.position, centres[static_cast<std::size_t>(r)]);
            if (Dot(out, out) < 1e-8f) {
                // A pole: outward is away from the neighbouring row.
                const int next = r == 0 ? 1 : r - 1;
                out = Subtract(g.position, centres[static_cast<std::size_t>(next)]);
            }
            if (Dot(n, n) < 1e-10f) n = out;
            if (Dot(n, out) < 0.0f) n = Scale(-1.0f, n);
            mesh.AddVertex(g.position, n, g.u, g.v, g.skin);
        }
    }
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const int c1 = (c + 1) % cols;
            mesh.AddQuad(material, first + r * cols + c, first + r * cols + c1,
                         first + (r + 1) * cols + c1, first + (r + 1) * cols + c);
        }
    }
}

void Ellipsoid(MeshBuilder& mesh, int material, const Matrix4& frame, const Vector3& radii,
               int stacks, int slices, float u0, float v0, float u1, float v1, const Skin& skin,
               float bumpiness, std::uint64_t seed) {
    const int first = mesh.VertexCount();
    Random random(seed + 17);
    std::vector<float> bumps(static_cast<std::size_t>((stacks + 1) * (slices + 1)), 1.0f);
    if (bumpiness > 0.0f) {
        for (int i = 0; i <= stacks; ++i) {
            for (int j = 0; j < slices; ++j)
                bumps[static_cast<std::size_t>(i * (slices + 1) + j)] =
                    1.0f + bumpiness * (random.Uniform() * 2.0f - 1.0f);
            bumps[static_cast<std::size_t>(i * (slices + 1) + slices)] =
                bumps[static_cast<std::size_t>(i * (slices + 1))];
        }
    }
    for (int i = 0; i <= stacks; ++i) {
        const float phi = kPi * static_cast<float>(i) / static_cast<float>(stacks);  // from +y
        for (int j = 0; j <= slices; ++j) {
            const float th = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(slices);
            const Vector3 unit{std::sin(phi) * std::cos(th), std::cos(phi),
                               std::sin(phi) * std::sin(th)};
            const float b = (i == 0 || i == stacks)
                                ? 1.0f
                                : bumps[static_cast<std::size_t>(i * (slices + 1) + j)];
            const Vector3 p{unit.x * radii.x * b, unit.y * radii.y * b, unit.z * radii.z * b};
            const Vector3 n{unit.x / radii.x, unit.y / radii.y, unit.z / radii.z};
            mesh.AddVertex(
                p, n, u0 + (u1 - u0) * static_cast<float>(j) / static_cast<float>(slices),
                v0 + (v1 - v0) * static_cast<float>(i) / static_cast<float>(stacks), skin);
        }
    }
    for (int i = 0; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            const int a = first + i * (slices + 1) + j;
            const int c = first + (i + 1) * (slices + 1) + j;
            if (i == 0) {
                mesh.AddFace(material, a, c, c + 1);
            } else if (i == stacks - 1) {
                mesh.AddFace(material, a, c, a + 1);
            } else {
                mesh.AddQuad(material, a, a + 1, c + 1, c);
            }
        }
    }
    mesh.Transform(first, frame);
}

void Box(MeshBuilder& mesh, int material, const Matrix4& frame, const Vector3& h, float u0,
         float v0, float u1, float v1, const Skin& skin) {
    const int first = mesh.VertexCount();
    const Vector3 normals[6] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
    for (const Vector3& n : normals) {
        // Two axes spanning the face.
        const Vector3 a = std::fabs(n.y) > 0.5f ? Vector3{1, 0, 0} : Vector3{0, 1, 0};
        const Vector3 b = Cross(n, a);
        const float sa = std::fabs(a.x) * h.x + std::fabs(a.y) * h.y + std::fabs(a.z) * h.z;
        const float sb = std::fabs(b.x) * h.x + std::fabs(b.y) * h.y + std::fabs(b.z) * h.z;
        const float sn = std::fabs(n.x) * h.x + std::fabs(n.y) * h.y + std::fabs(n.z) * h.z;
        const Vector3 c = Scale(sn, n);
        int idx[4];
        const float su[4] = {-1, 1, 1, -1}, sv[4] = {-1, -1, 1, 1};
        for (int k = 0; k < 4; ++k) {
            const Vector3 p = Add(c, Add(Scale(su[k] * sa, a), Scale(sv[k] * sb, b)));
            idx[k] = mesh.AddVertex(p, n, su[k] < 0 ? u0 : u1, sv[k] < 0 ? v0 : v1, skin);
        }
        mesh.AddQuad(material, idx[0], idx[1], idx[2], idx[3]);
    }
    mesh.Transform(first, frame);
}

void TwoSidedPanel(MeshBuilder& mesh, int material, const Vector3 p[4], const float uv[4][2],
                   const Skin skins[4]) {
    const Vector3 n = Normalize(Cross(Subtract(p[1], p[0]), Subtract(p[2], p[0])));
    for (float side : {1.0f, -1.0f}) {
        int idx[4];
        for (int k = 0; k < 4; ++k)
            idx[k] = mesh.AddVertex(p[k], Scale(side, n), uv[k][0], uv[k][1], skins[k]);
        mesh.AddQuad(material, idx[0], idx[1], idx[2], idx[3]);
    }
}

std::vector<model::emd::Bone> BoneTable(const Skeleton& skeleton) {
    std::vector<model::emd::Bone> bones;
    for (int i = 0; i < skeleton.Count(); ++i)
        bones.push_back({skeleton.names[static_cast<std::size_t>(i)],
                         skeleton.parents[static_cast<std::size_t>(i)]});
    return bones;
}

model::esa::Clip SampleClipAt(const PoseFunction& pose, int boneCount, int length, int spacing,
                              const std::vector<int>& times) {
    model::esa::Clip clip;
    clip.length = length;
    clip.keySpacing = spacing;
    clip.tracks.resize(static_cast<std::size_t>(boneCount));
    for (int t : times) {
        const std::vector<Matrix4> bones = pose(static_cast<float>(t));
        for (int b = 0; b < boneCount; ++b) {
            model::esa::BoneTrack& track = clip.tracks[static_cast<std::size_t>(b)];
            const Matrix4& m = bones[static_cast<std::size_t>(b)];
            track.positions.push_back({t, TranslationOf(m)});
            Quaternion q = QuaternionOf(m);
            // Keep neighbouring keys in one hemisphere so interpolation takes the short way.
            if (!track.rotations.empty()) {
                const model::esa::RotationKey& p = track.rotations.back();
                if (p.x * q.x + p.y * q.y + p.z * q.z + p.w * q.w < 0.0f) {
                    q = Quaternion{-q.x, -q.y, -q.z, -q.w};
                }
            }
            track.rotations.push_back({t, q.x, q.y, q.z, q.w});
        }
    }
    return clip;
}

model::esa::Clip SampleClip(const PoseFunction& pose, int boneCount, int length, int spacing) {
    std::vector<int> times;
    for (int t = 0; t < length; t += spacing) times.push_back(t);
    times.push_back(length);
    return SampleClipAt(pose, boneCount, length, spacing, times);
}

}  // namespace eh::mediagen::world
