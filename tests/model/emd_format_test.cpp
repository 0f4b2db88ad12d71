#include "model/emd_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "model/samples.h"

namespace eh::model {
namespace {

using samples::SampleMesh;
using samples::SampleMeshBytes;

void PutI32(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

TEST(EmdFormatTest, WriterAndParserRoundTrip) {
    const std::vector<std::uint8_t> bytes = SampleMeshBytes();
    emd::File parsed;
    ASSERT_EQ(emd::Parse(bytes.data(), bytes.size(), &parsed), S_OK);
    const emd::File original = SampleMesh();
    ASSERT_EQ(parsed.materials.size(), 2u);
    EXPECT_EQ(parsed.materials[1].texture1, "wing.tga");
    EXPECT_EQ(parsed.materials[1].texture2, "wing_detail.bmp");
    EXPECT_EQ(parsed.materials[0].wrapU, 0);
    EXPECT_FLOAT_EQ(parsed.materials[0].diffuse[1], 0.7f);
    ASSERT_EQ(parsed.bones.size(), 2u);
    EXPECT_EQ(parsed.bones[1].name, "neck");
    EXPECT_EQ(parsed.bones[1].parent, 0);
    ASSERT_EQ(parsed.objects.size(), 2u);
    const emd::MeshObject& quad = parsed.objects[0];
    EXPECT_EQ(quad.name, "Quad");
    ASSERT_EQ(quad.vertices.size(), 4u);
    EXPECT_EQ(quad.vertices[0].normals.size(), 2u);
    EXPECT_EQ(quad.vertices[0].channels.size(), 2u);
    EXPECT_FLOAT_EQ(quad.vertices[0].channels[1][0].u, 0.5f);
    EXPECT_EQ(quad.groups[0].textures.size(), 2u);
    EXPECT_EQ(quad.groups[0].normals[1][0], 1);
    EXPECT_EQ(parsed.objects[1].vertices.size(), 8u);
    EXPECT_EQ(parsed.objects[1].groups[0].material, -1);

    std::vector<std::uint8_t> again;
    ASSERT_EQ(emd::Write(parsed, &again), S_OK);
    EXPECT_EQ(again, bytes);
}

TEST(EmdFormatTest, RefusesWrongMagicAndVersion) {
    std::vector<std::uint8_t> bytes = SampleMeshBytes();
    emd::File f;
    bytes[4] = 0x00;
    bytes[5] = 0x02;  // version 0x0200
    EXPECT_EQ(emd::Parse(bytes.data(), bytes.size(), &f), E_FAIL);
    bytes = SampleMeshBytes();
    bytes[3] = '!';
    EXPECT_EQ(emd::Parse(bytes.data(), bytes.size(), &f), E_FAIL);
    EXPECT_EQ(emd::Parse(nullptr, 0, &f), E_FAIL);
}

TEST(EmdFormatTest, EveryTruncationIsRefused) {
    const std::vector<std::uint8_t> bytes = SampleMeshBytes();
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        // A copy of exactly n bytes, so that a read past its end is caught by sanitizers.
        std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(n));
        emd::File f;
        EXPECT_EQ(emd::Parse(part.data(), part.size(), &f), E_FAIL) << n;
    }
}

TEST(EmdFormatTest, ObjectsPastTheCapAreIgnored) {
    emd::File f;
    f.objects.resize(emd::kMaxObjects);
    f.objects.back().name = "last";
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(emd::Write(f, &bytes), S_OK);
    // The object count sits right after the (empty) material and bone tables.
    const std::size_t countAt = emd::kHeaderSize + 4;
    PutI32(bytes, countAt, emd::kMaxObjects + 10);
    bytes.insert(bytes.end(), {0xDE, 0xAD});  // whatever follows is not read
    emd::File parsed;
    ASSERT_EQ(emd::Parse(bytes.data(), bytes.size(), &parsed), S_OK);
    EXPECT_EQ(parsed.objects.size(), static_cast<std::size_t>(emd::kMaxObjects));
    EXPECT_EQ(parsed.objects.back().name, "last");

    f.objects.resize(emd::kMaxObjects + 1);
    EXPECT_EQ(emd::Write(f, &bytes), E_INVALIDARG);
}

// Each mutation breaks one index or limit; the parser must refuse it and the writer must
// refuse to produce it.
TEST(EmdFormatTest, RefusesIndicesOutsideTheirLists) {
    using Mutation = void (*)(emd::File&);
    const Mutation mutations[] = {
        [](emd::File& f) { f.objects[0].vertices[1].influences[0].bone = 2; },
        [](emd::File& f) { f.objects[0].vertices[1].normals[0].influences[0].bone = -1; },
        [](emd::File& f) { f.objects[0].groups[0].positions[0][2] = 4; },
        [](emd::File& f) { f.objects[0].groups[0].positions[1][0] = -1; },
        [](emd::File& f) { f.objects[0].groups[0].normals[0][1] = 1; },  // vertex 1 has one
        [](emd::File& f) { f.objects[0].groups[0].textures[0][0][1] = 2; },
        [](emd::File& f) { f.objects[0].groups[0].textures[1][0][0] = 1; },
        [](emd::File& f) { f.objects[0].groups[1].material = 2; },
        [](emd::File& f) { f.objects[0].groups[1].material = -2; },
        [](emd::File& f) { f.bones[0].name = std::string(64, 'b'); },
        [](emd::File& f) { f.objects[1].name = std::string(64, 'o'); },
        [](emd::File& f) { f.materials[0].texture1 = std::string(128, 't'); },
        [](emd::File& f) { f.objects[0].vertices[0].channels.resize(9); },
    };
    int i = 0;
    for (Mutation m : mutations) {
        emd::File f = SampleMesh();
        m(f);
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(emd::Write(f, &bytes), E_INVALIDARG) << i;
        ++i;
    }
    // The parser sees the same damage in bytes: patch the first position index of the
    // first face (after the header, tables and the Quad's vertices) to 4.
    emd::File f = SampleMesh();
    f.objects[0].groups[0].positions[0][0] = 3;
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(emd::Write(f, &bytes), S_OK);
    const std::uint8_t pattern[] = {0, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0};
    auto it = std::search(bytes.begin(), bytes.end(), std::begin(pattern), std::end(pattern));
    ASSERT_NE(it, bytes.end());
    PutI32(bytes, static_cast<std::size_t>(it - bytes.begin()) + 8, 4);
    emd::File parsed;
    EXPECT_EQ(emd::Parse(bytes.data(), bytes.size(), &parsed), E_FAIL);
    PutI32(bytes, static_cast<std::size_t>(it - bytes.begin()) + 8, 3);
    EXPECT_EQ(emd::Parse(bytes.data(), bytes.size(), &parsed), S_OK);
}

TEST(EmdFormatTest, HugeCountsAreRefusedWithoutAllocating) {
    std::vector<std::uint8_t> bytes = SampleMeshBytes();
    // The bone count follows the material records; find it by the first bone's name.
    const char root[] = "root";
    auto it = std::search(bytes.begin(), bytes.end(), root, root + 5);
    ASSERT_NE(it, bytes.end());
    PutI32(bytes, static_cast<std::size_t>(it - bytes.begin()) - 4, 0x7FFFFFFF);
    emd::File f;
    EXPECT_EQ(emd::Parse(bytes.data(), bytes.size(), &f), E_FAIL);
}

TEST(EmdFormatTest, NegativeCountsMeanNoRecords) {
    emd::File f;
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(emd::Write(f, &bytes), S_OK);
    PutI32(bytes, emd::kHeaderSize, -5);      // bones
    PutI32(bytes, emd::kHeaderSize + 4, -1);  // objects
    emd::File parsed;
    ASSERT_EQ(emd::Parse(bytes.data(), bytes.size(), &parsed), S_OK);
    EXPECT_TRUE(parsed.bones.empty());
    EXPECT_TRUE(parsed.objects.empty());
}

}  // namespace
}  // namespace eh::model
