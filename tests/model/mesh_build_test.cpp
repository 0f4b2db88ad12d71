#include "model/mesh_build.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/samples.h"

namespace eh::model {
namespace {

BuiltObject BuildQuad() {
    const emd::File f = samples::SampleMesh();
    BuiltObject o;
    EXPECT_TRUE(BuildObject(f.objects[0], f.materials, &o));
    return o;
}

TEST(MeshBuildTest, CornerKeysSplitVerticesOnlyWhereAttributesDiffer) {
    const BuiltObject o = BuildQuad();
    // Vertex 0: (normal 0, pairs 0/0), (normal 1, 0/0) and, in the group with one texture
    // block, (normal 0, 0/none). Vertex 1 is shared with the same attributes in both groups.
    ASSERT_EQ(o.keys.size(), 4u);
    EXPECT_EQ(o.keys[0].size(), 3u);
    EXPECT_EQ(o.keys[1].size(), 1u);
    EXPECT_EQ(o.keys[2].size(), 2u);
    EXPECT_EQ(o.keys[3].size(), 1u);
    EXPECT_EQ(o.renderedCount, 7u);
    EXPECT_EQ(o.firstRendered, (std::vector<std::uint32_t>{0, 3, 4, 6}));
    EXPECT_EQ(o.keys[3][0].t0, -1);  // no channels: no pair, whatever the group holds
    EXPECT_EQ(o.keys[1][0].t1, -1);  // one channel only

    std::vector<std::uint16_t> indices(6);
    WriteGroupIndices(o, 0, indices.data());
    EXPECT_EQ(indices, (std::vector<std::uint16_t>{0, 3, 4, 1, 5, 6}));
    indices.resize(3);
    WriteGroupIndices(o, 1, indices.data());
    EXPECT_EQ(indices, (std::vector<std::uint16_t>{2, 4, 3}));
}

TEST(MeshBuildTest, RestVerticesCarryNormalsPairsAndTheDerivedThirdSet) {
    const BuiltObject o = BuildQuad();
    std::vector<ModelVertex> v(o.renderedCount);
    WriteRestVertices(o, v.data());
    // Vertex 0, key 1: the second normal (0, 0, -1).
    EXPECT_EQ(v[1].normal.z, -1.0f);
    // third = cross((0, 1, 1), n) = (1*n.z - 1*n.y, 1*n.x - 0*n.z, 0*n.y - 1*n.x)
    EXPECT_FLOAT_EQ(v[1].third.x, -1.0f);
    EXPECT_FLOAT_EQ(v[0].third.x, -1.0f);  // n = (0, 1, 0)
    EXPECT_EQ(v[0].diffuse, 0xFFFFFFFFu);
    // Vertex 1 uses pair 1 of channel 0: (1, 0); it has no channel 1.
    EXPECT_EQ(v[3].u0, 1.0f);
    EXPECT_EQ(v[3].u1, 0.0f);
    EXPECT_EQ(v[3].v1, 0.0f);
    // Vertex 0 key 0 has a channel-1 pair (0.5, 0.5).
    EXPECT_EQ(v[0].u1, 0.5f);
    // Vertex 3 has no channels: (0, 0) in both sets.
    EXPECT_EQ(v[6].u0, 0.0f);
    EXPECT_EQ(v[6].v0, 0.0f);
    EXPECT_EQ(v[6].position.z, 1.0f);
}

TEST(MeshBuildTest, AlphaFlagFollowsTheLastLetterOfTheFirstTexture) {
    EXPECT_TRUE(IsAlphaTextureName("crow.TGA"));
    EXPECT_TRUE(IsAlphaTextureName("ribbon.dds"));
    EXPECT_FALSE(IsAlphaTextureName("horse.jpg"));
    EXPECT_FALSE(IsAlphaTextureName("oak.bmp"));
    EXPECT_FALSE(IsAlphaTextureName(""));
    const BuiltObject o = BuildQuad();
    EXPECT_FALSE(o.groups[0].alpha);  // body.jpg
    EXPECT_TRUE(o.groups[1].alpha);   // wing.tga

    const emd::File f = samples::SampleMesh();
    BuiltObject box;
    ASSERT_TRUE(BuildObject(f.objects[1], f.materials, &box));
    EXPECT_FALSE(box.groups[0].alpha);  // material -1
    EXPECT_EQ(box.renderedCount, 0u);   // vertices but no faces: nothing to render
}

TEST(MeshBuildTest, BoundsCentreAndRadius) {
    const emd::File f = samples::SampleMesh();
    BuiltObject box;
    ASSERT_TRUE(BuildObject(f.objects[1], f.materials, &box));
    ComputeObjectBounds(&box);
    EXPECT_EQ(box.minimum.y, 0.0f);
    EXPECT_EQ(box.maximum.y, 46.0f);
    EXPECT_EQ(box.centre.y, 23.0f);
    EXPECT_FLOAT_EQ(box.radius, std::sqrt(1.0f + 23.0f * 23.0f + 1.0f));
}

TEST(MeshBuildTest, ObjectsPastTheSixteenBitLimitsAreRefused) {
    emd::MeshObject big;
    big.vertices.resize(kMaxObjectVertices + 1);
    BuiltObject o;
    EXPECT_FALSE(BuildObject(big, {}, &o));
}

Matrix4 Translation(float x, float y, float z) {
    Matrix4 m = Matrix4::Identity();
    m.at(3, 0) = x;
    m.at(3, 1) = y;
    m.at(3, 2) = z;
    return m;
}

TEST(MeshSkinTest, PositionsBlendAllInfluencesNormalsFollowTheFirst) {
    emd::MeshObject src;
    emd::SkinVertex v;
    v.position = {9, 9, 9};
    v.influences = {{0, 0.25f, {1, 0, 0}}, {1, 0.75f, {1, 0, 0}}};
    // A normal with two influences: only the first counts, at full weight.
    v.normals = {{{0, 1, 0}, {{0, 0.25f, {0, 0, 1}}, {1, 0.75f, {1, 0, 0}}}}};
    src.vertices = {v};
    emd::FaceGroup g;
    g.material = -1;
    g.positions = {{0, 0, 0}};
    g.normals = {{0, 0, 0}};
    src.groups = {g};
    BuiltObject o;
    ASSERT_TRUE(BuildObject(src, {}, &o));
    ASSERT_EQ(o.renderedCount, 1u);
    std::vector<ModelVertex> out(1);
    WriteRestVertices(o, out.data());

    Matrix4 bones[2] = {Translation(0, 4, 0), Translation(0, 0, 8)};
    bones[1].at(0, 0) = 2.0f;  // bone 1 also stretches x, which a normal would pick up
    SkinObject(&o, bones, out.data());
    // 0.25 * (1, 4, 0) + 0.75 * (2, 0, 8)
    EXPECT_FLOAT_EQ(out[0].position.x, 0.25f + 1.5f);
    EXPECT_FLOAT_EQ(out[0].position.y, 1.0f);
    EXPECT_FLOAT_EQ(out[0].position.z, 6.0f);
    EXPECT_EQ(out[0].normal.x, 0.0f);
    EXPECT_EQ(out[0].normal.z, 1.0f);  // bone 0's direction, not weighted
    // third = cross((-1, 0, 0), (0, 0, 1)) = (0, 1, 0)
    EXPECT_EQ(out[0].third.y, 1.0f);
    EXPECT_EQ(out[0].u0, 0.0f);
}

TEST(MeshSkinTest, ZeroResultsKeepThePreviousValues) {
    emd::MeshObject src;
    emd::SkinVertex unbound;  // no influences at all, as many horse vertices are
    unbound.position = {3, 2, 1};
    unbound.normals = {{{0, 0, -1}, {}}};
    emd::SkinVertex cancelled;  // influences summing to exactly zero
    cancelled.position = {5, 5, 5};
    cancelled.influences = {{0, 1.0f, {1, 0, 0}}, {0, -1.0f, {1, 0, 0}}};
    cancelled.normals = {{{1, 0, 0}, {{0, 1.0f, {0, 0, 0}}, {0, 1.0f, {0, 0, 0}}}}};
    src.vertices = {unbound, cancelled};
    emd::FaceGroup g;
    g.material = -1;
    g.positions = {{0, 1, 0}};
    g.normals = {{0, 0, 0}};
    src.groups = {g};
    BuiltObject o;
    ASSERT_TRUE(BuildObject(src, {}, &o));
    std::vector<ModelVertex> out(o.renderedCount);
    WriteRestVertices(o, out.data());
    const Matrix4 bone = Translation(10, 10, 10);
    SkinObject(&o, &bone, out.data());
    EXPECT_EQ(out[0].position.x, 3.0f);
    EXPECT_EQ(out[0].normal.z, -1.0f);
    EXPECT_EQ(out[1].position.x, 5.0f);
    EXPECT_EQ(out[1].normal.x, 1.0f);
    EXPECT_EQ(out[1].third.y, 1.0f);  // the load-time third set, cross((0,1,1), (1,0,0))
    EXPECT_EQ(out[1].third.z, -1.0f);
}

}  // namespace
}  // namespace eh::model
