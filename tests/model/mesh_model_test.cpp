#include "model/mesh_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "d3dx/d3dx8.h"
#include "model/samples.h"
#include "platform/os/message_box.h"
#include "support/fake_device.h"

namespace eh::model {
namespace {

using testing::FakeDevice;

class MeshModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pool.Init(&device, nullptr);
        kit.Init(nullptr, &device, D3DFMT_X8R8G8B8, nullptr);
    }
    HRESULT LoadSample() {
        const std::vector<std::uint8_t> bytes = samples::SampleMeshBytes();
        return model.LoadMesh("unused", bytes.data(), bytes.size());
    }
    // Everything in front of the camera passes; a plane set rejecting everything culls.
    static void AllPlanes(Plane4 planes[6], float d) {
        for (int i = 0; i < 6; ++i) planes[i] = Plane4{0, 0, 0, d};
    }

    FakeDevice device;
    media::VertexBufferPool pool;
    media::RenderKit kit;
    MeshModel model{pool, kit};
};

TEST_F(MeshModelTest, LoadMeshCreatesOneVertexBufferPerDrawnObjectAndIndexBuffersPerGroup) {
    ASSERT_EQ(LoadSample(), S_OK);
    EXPECT_EQ(device.Calls("CreateVertexBuffer"),
              (std::vector<std::string>{"CreateVertexBuffer(392,0,850,1)"}));
    EXPECT_EQ(device.Calls("CreateIndexBuffer"),
              (std::vector<std::string>{"CreateIndexBuffer(12,0,101,1)",
                                        "CreateIndexBuffer(6,0,101,1)"}));
    ASSERT_EQ(model.objects().size(), 2u);
    EXPECT_EQ(model.objects()[1].vertexBuffer, -1);  // the box object: no buffers
    const auto& ib = device.indexBuffers[0]->bytes;
    std::vector<std::uint16_t> idx(6);
    std::memcpy(idx.data(), ib.data(), 12);
    EXPECT_EQ(idx, (std::vector<std::uint16_t>{0, 3, 4, 1, 5, 6}));
    ModelVertex v[7];
    std::memcpy(v, device.vertexBuffers[0]->bytes.data(), sizeof v);
    EXPECT_EQ(v[3].position.x, 1.0f);
    EXPECT_EQ(v[6].diffuse, 0xFFFFFFFFu);

    ASSERT_EQ(model.materials().size(), 2u);
    const ModelMaterial& m = model.materials()[0];
    EXPECT_EQ(m.material.Power, 50.0f);
    EXPECT_EQ(m.material.Diffuse.g, 0.7f);
    EXPECT_EQ(m.material.Diffuse.a, 1.0f);
    EXPECT_EQ(m.material.Emissive.a, 0.0f);
    EXPECT_STREQ(m.first.firstName, "body.jpg");
    EXPECT_STREQ(m.first.secondName, "Texture\\");
    EXPECT_EQ(m.first.index, -1);
    EXPECT_EQ(model.boneCount(), 2);
}

TEST_F(MeshModelTest, RefusedFilesBuildNothing) {
    std::vector<std::uint8_t> bytes = samples::SampleMeshBytes();
    bytes[5] = 0x02;  // version 0x0200
    EXPECT_EQ(model.LoadMesh("x", bytes.data(), bytes.size()), E_FAIL);
    bytes = samples::SampleMeshBytes();
    bytes.resize(bytes.size() - 3);
    EXPECT_EQ(model.LoadMesh("x", bytes.data(), bytes.size()), E_FAIL);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(model.LoadMesh("/nonexistent/Horse.emd", nullptr, 0), E_FAIL);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Couldn't open the model file.\n");
    EXPECT_TRUE(device.Calls("Create").empty());
    EXPECT_TRUE(model.objects().empty());
    EXPECT_EQ(model.boneCount(), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(model.world().m[i], Matrix4::Identity().m[i]);
}

TEST_F(MeshModelTest, FitHeightScalesTheBoxAndTheScaleMatrixCentresIt) {
    ASSERT_EQ(LoadSample(), S_OK);
    // The faceless box object spans y 0..46 and x, z -1..1; it sets the model box.
    EXPECT_EQ(model.modelMinimum().y, 0.0f);
    EXPECT_EQ(model.modelMaximum().y, 46.0f);
    EXPECT_FLOAT_EQ(model.FitHeight(92.0f), 2.0f);
    const Matrix4& s = model.scaleMatrix();
    EXPECT_EQ(s.m[0], 2.0f);
    EXPECT_EQ(s.m[5], 2.0f);
    EXPECT_EQ(s.m[12], 0.0f);
    EXPECT_EQ(s.m[13], -46.0f);
    // Rotation about y by 90 degrees, then a position: the box centre goes to the position.
    Matrix4 rot = Matrix4::Identity();
    rot.at(0, 0) = 0;
    rot.at(0, 2) = -1;
    rot.at(2, 0) = 1;
    rot.at(2, 2) = 0;
    rot.at(3, 0) = 99;  // the translation row of a rotation is ignored
    model.SetRotation(rot);
    model.SetPosition(10, 20, 30);
    const Vector3 centre = TransformCoord(Vector3{0, 23, 0}, model.world());
    EXPECT_FLOAT_EQ(centre.x, 10.0f);
    EXPECT_FLOAT_EQ(centre.y, 20.0f);
    EXPECT_FLOAT_EQ(centre.z, 30.0f);
    const Vector3 px = TransformCoord(Vector3{1, 23, 0}, model.world());
    EXPECT_FLOAT_EQ(px.z, 28.0f);  // +x maps to -z, scaled by 2
}

TEST_F(MeshModelTest, ClipsLoadInOrderAndTimesWrapWithinTheLength) {
    ASSERT_EQ(LoadSample(), S_OK);
    const std::vector<std::uint8_t> a = esa::Write(samples::SampleClip(2, 1000, 100));
    const std::vector<std::uint8_t> b = esa::Write(samples::SampleClip(2, 9333, 100));
    const std::vector<std::uint8_t> c = esa::Write(samples::SampleClip(2, 0, 100));
    ASSERT_EQ(model.LoadClip("a", a.data(), a.size()), S_OK);
    model.SetClipTime(400);
    ASSERT_EQ(model.LoadClip("b", b.data(), b.size()), S_OK);
    EXPECT_EQ(model.clipTime(), 0.0f);
    ASSERT_EQ(model.LoadClip("c", c.data(), c.size()), S_OK);
    EXPECT_EQ(model.clipCount(), 3);
    EXPECT_EQ(model.currentClip(), 0);
    EXPECT_EQ(model.ClipLength(), 1000.0f);
    EXPECT_EQ(model.KeySpacing(), 100.0f);

    model.SetClipTime(1000.0f);  // equal to the length: stays
    EXPECT_EQ(model.clipTime(), 1000.0f);
    model.AdvanceClip(3250.0f);  // several lengths at once
    EXPECT_EQ(model.clipTime(), 250.0f);
    model.AdvanceClip(2750.0f);  // lands on a multiple: the length, not 0
    EXPECT_EQ(model.clipTime(), 1000.0f);
    EXPECT_TRUE(model.skinDirty());

    model.SelectClip(3);  // out of range: nothing changes
    EXPECT_EQ(model.currentClip(), 0);
    EXPECT_EQ(model.clipTime(), 1000.0f);
    model.SelectClip(1);
    EXPECT_EQ(model.currentClip(), 1);
    EXPECT_EQ(model.clipTime(), 0.0f);
    model.SelectClip(2);  // length 0: time stays at 0 instead of looping forever
    model.AdvanceClip(50.0f);
    EXPECT_EQ(model.clipTime(), 0.0f);

    std::vector<std::uint8_t> bad = a;
    bad[4] = 0;
    bad[5] = 2;
    EXPECT_EQ(model.LoadClip("bad", bad.data(), bad.size()), E_FAIL);
    EXPECT_EQ(model.clipCount(), 3);
}

TEST_F(MeshModelTest, ModelsWithoutBonesNeverAnimate) {
    emd::File f = samples::SampleMesh();
    f.bones.clear();
    for (auto& o : f.objects) {
        for (auto& v : o.vertices) {
            v.influences.clear();
            for (auto& n : v.normals) n.influences.clear();
        }
    }
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(emd::Write(f, &bytes), S_OK);
    ASSERT_EQ(model.LoadMesh("x", bytes.data(), bytes.size()), S_OK);
    const std::vector<std::uint8_t> clip = esa::Write(samples::SampleClip(0, 1000, 100));
    ASSERT_EQ(model.LoadClip("c", clip.data(), clip.size()), S_OK);
    model.AdvanceClip(10.0f);
    EXPECT_EQ(model.clipTime(), 0.0f);
    EXPECT_FALSE(model.skinDirty());
}

// A clip whose bone 0 at key 0 turns by 30 degrees about y and moves by (3, -2, 5): a mesh
// whose influence offsets are the rest positions in that bone's space is reproduced.
TEST_F(MeshModelTest, SkinningAtTheRestPoseReproducesThePositions) {
    const float half = 0.5f * 30.0f * 3.14159265f / 180.0f;
    const D3DXQUATERNION q(0, std::sin(half), 0, std::cos(half));
    D3DXMATRIX r;
    D3DXMatrixRotationQuaternion(&r, &q);
    const Vector3 t{3, -2, 5};
    // offset = (p - t) * transpose(R), the inverse of p = offset * R + t.
    auto toBone = [&](const Vector3& p) {
        const Vector3 d = Subtract(p, t);
        return Vector3{d.x * r._11 + d.y * r._12 + d.z * r._13,
                       d.x * r._21 + d.y * r._22 + d.z * r._23,
                       d.x * r._31 + d.y * r._32 + d.z * r._33};
    };
    emd::File f = samples::SampleMesh();
    for (auto& o : f.objects) {
        for (auto& v : o.vertices) {
            v.influences = {{0, 0.6f, toBone(v.position)}, {1, 0.4f, toBone(v.position)}};
            for (auto& n : v.normals) {
                const Vector3 back = toBone(Add(n.rest, t));
                n.influences = {{0, 1.0f, back}, {1, 1.0f, Vector3{9, 9, 9}}};
            }
        }
    }
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(emd::Write(f, &bytes), S_OK);
    ASSERT_EQ(model.LoadMesh("x", bytes.data(), bytes.size()), S_OK);
    esa::Clip clip = samples::SampleClip(2, 1000, 100);
    for (auto& track : clip.tracks) {
        track.positions[0].position = t;
        track.rotations[0] = esa::RotationKey{0, q.x, q.y, q.z, q.w};
    }
    const std::vector<std::uint8_t> clipBytes = esa::Write(clip);
    ASSERT_EQ(model.LoadClip("c", clipBytes.data(), clipBytes.size()), S_OK);

    std::vector<std::uint8_t> rest = device.vertexBuffers[0]->bytes;
    std::memset(device.vertexBuffers[0]->bytes.data(), 0, 4);  // disturb vertex 0's x
    model.SetClipTime(0.0f);
    model.UpdateSkin();
    EXPECT_FALSE(model.skinDirty());
    ModelVertex before[7], after[7];
    std::memcpy(before, rest.data(), sizeof before);
    std::memcpy(after, device.vertexBuffers[0]->bytes.data(), sizeof after);
    for (int i = 0; i < 7; ++i) {
        EXPECT_NEAR(after[i].position.x, before[i].position.x, 1e-5f) << i;
        EXPECT_NEAR(after[i].position.y, before[i].position.y, 1e-5f) << i;
        EXPECT_NEAR(after[i].position.z, before[i].position.z, 1e-5f) << i;
        // Normals follow their first influence only: back to the rest normal.
        EXPECT_NEAR(after[i].normal.x, before[i].normal.x, 1e-5f) << i;
        EXPECT_NEAR(after[i].normal.y, before[i].normal.y, 1e-5f) << i;
        EXPECT_NEAR(after[i].normal.z, before[i].normal.z, 1e-5f) << i;
        EXPECT_EQ(after[i].u0, before[i].u0);
    }
}

TEST_F(MeshModelTest, RenderDrawsOpaqueGroupsFirstThenBlendedOnesAndRestoresState) {
    ASSERT_EQ(LoadSample(), S_OK);
    D3DMATRIX callerWorld{};
    callerWorld._11 = callerWorld._22 = callerWorld._33 = callerWorld._44 = 3.0f;
    device.SetTransform(D3DTS_WORLD, &callerWorld);
    Plane4 planes[6];
    AllPlanes(planes, 1.0f);
    model.alphaReference = 7;
    device.log.clear();
    model.RenderModel(&device, planes);
    const std::vector<std::string> expected = {
        "GetTransform(256)", "SetTransform(256)",
        // pass 0: the opaque group, material 0 (wrap-U 0: mirrored)
        "SetVertexShader(850)", "SetStreamSource(0,vb,56)", "SetTexture(0,null)",
        "SetTextureStageState(0,13,2)", "SetTextureStageState(0,14,1)", "SetIndices(ib,0)",
        "DrawIndexedPrimitive(4,0,7,0,2)",
        // pass 1 set-up
        "SetTextureStageState(0,4,4)", "SetTextureStageState(0,5,2)", "SetTextureStageState(0,6,0)",
        "SetRenderState(27,1)", "SetRenderState(15,1)", "SetRenderState(24,7)",
        "SetRenderState(19,5)", "SetRenderState(20,6)",
        // the alpha group, material 1
        "SetVertexShader(850)", "SetStreamSource(0,vb,56)", "SetTexture(0,null)",
        "SetTextureStageState(0,13,2)", "SetTextureStageState(0,14,1)", "SetIndices(ib,0)",
        "DrawIndexedPrimitive(4,0,7,0,1)",
        // end of pass 1 and the restores
        "SetRenderState(15,0)", "SetRenderState(27,0)", "SetRenderState(20,2)",
        "SetTextureStageState(0,13,1)", "SetTextureStageState(0,14,1)", "SetTransform(256)"};
    EXPECT_EQ(device.log, expected);
    EXPECT_EQ(model.triangleCount(), 3);
    EXPECT_EQ(device.transforms[D3DTS_WORLD]._11, 3.0f);
}

TEST_F(MeshModelTest, BlendAllBlendsThePassZeroToo) {
    ASSERT_EQ(LoadSample(), S_OK);
    Plane4 planes[6];
    AllPlanes(planes, 1.0f);
    model.blendAll = true;
    model.texturesOn = false;
    device.log.clear();
    model.RenderModel(&device, planes);
    const auto states = device.Calls("SetRenderState");
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(states[0], "SetRenderState(27,1)");
    EXPECT_EQ(states[1], "SetRenderState(27,0)");
    EXPECT_TRUE(device.Calls("SetTexture(").empty());
    EXPECT_TRUE(device.Calls("SetTextureStageState(0,4").empty());  // alpha op untouched
}

TEST_F(MeshModelTest, CulledModelsDrawNothingAndStayDirty) {
    ASSERT_EQ(LoadSample(), S_OK);
    const std::vector<std::uint8_t> clip = esa::Write(samples::SampleClip(2, 1000, 100));
    ASSERT_EQ(model.LoadClip("c", clip.data(), clip.size()), S_OK);
    model.SetClipTime(150.0f);
    Plane4 planes[6];
    AllPlanes(planes, -1.0f);
    const int locks = device.vertexBuffers[0]->lockCount;
    model.RenderModel(&device, planes);
    EXPECT_TRUE(device.Calls("DrawIndexedPrimitive").empty());
    EXPECT_TRUE(model.skinDirty());
    EXPECT_EQ(device.vertexBuffers[0]->lockCount, locks);

    AllPlanes(planes, 1.0f);
    model.RenderModel(&device, planes);
    model.RenderModel(&device, planes);  // same time: skinned once
    EXPECT_FALSE(model.skinDirty());
    EXPECT_EQ(device.vertexBuffers[0]->lockCount, locks + 1);
    EXPECT_EQ(device.Calls("DrawIndexedPrimitive").size(), 4u);

    model.cull = false;  // never tested against the planes
    AllPlanes(planes, -1.0f);
    model.RenderModel(&device, planes);
    EXPECT_EQ(device.Calls("DrawIndexedPrimitive").size(), 6u);
}

TEST_F(MeshModelTest, ObjectsWithoutBuffersAreSkipped) {
    device.failVertexBuffers = true;
    ASSERT_EQ(LoadSample(), S_OK);
    Plane4 planes[6];
    AllPlanes(planes, 1.0f);
    model.RenderModel(&device, planes);
    EXPECT_TRUE(device.Calls("DrawIndexedPrimitive").empty());
    model.SetClipTime(0.0f);
    model.UpdateSkin();  // nothing to lock, nothing written
}

TEST_F(MeshModelTest, LoadTexturesSharesTexturesByNameAndSkipsMissingEntries) {
    ASSERT_EQ(LoadSample(), S_OK);
    std::vector<std::string> asked;
    kit.setTextureLoader(
        [](IDirect3DDevice8* d, const void*, UINT, UINT, UINT, D3DFORMAT, IDirect3DTexture8** t) {
            return d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, t);
        });
    auto reader = [&asked](const std::string& name, std::vector<std::uint8_t>* bytes) {
        asked.push_back(name);
        if (name == "Texture\\wing_detail.bmp") return false;
        bytes->assign(16, 1);
        return true;
    };
    model.LoadTextures(reader);
    EXPECT_EQ(asked, (std::vector<std::string>{"Texture\\body.jpg", "Texture\\wing.tga",
                                               "Texture\\wing_detail.bmp"}));
    EXPECT_EQ(model.materials()[0].first.index, 0);
    EXPECT_EQ(model.materials()[1].first.index, 1);
    EXPECT_EQ(model.materials()[1].second.index, -1);
    EXPECT_STREQ(model.materials()[1].second.firstName, "wing_detail.bmp");

    MeshModel other(pool, kit);  // a second model with the same texture shares its slot
    const std::vector<std::uint8_t> bytes = samples::SampleMeshBytes();
    ASSERT_EQ(other.LoadMesh("x", bytes.data(), bytes.size()), S_OK);
    other.LoadTextures(reader);
    EXPECT_EQ(other.materials()[0].first.index, 0);
    EXPECT_EQ(kit.slotCount(), 2);
}

}  // namespace
}  // namespace eh::model
