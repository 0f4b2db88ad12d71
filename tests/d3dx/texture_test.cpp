// Texture creation against the in-memory device of support/fake_device.h: sizes, mip chains,
// formats, what reaches the device, and how failures come back.
#include <gtest/gtest.h>

#include "d3dx/d3dx8.h"
#include "d3dx/d3dx_image.h"
#include "d3dx/image_writers.h"
#include "support/fake_device.h"

namespace eh::d3dx {
namespace {

using eh::testing::FakeCubeTexture;
using eh::testing::FakeDevice;
using eh::testing::FakeTexture;
using test::Bytes;

HRESULT create(FakeDevice& dev, const Bytes& file, UINT w, UINT h, UINT levels, D3DFORMAT format,
               IDirect3DTexture8** out, D3DXIMAGE_INFO* info = nullptr) {
    return D3DXCreateTextureFromFileInMemoryEx(&dev, file.data(), static_cast<UINT>(file.size()), w,
                                               h, levels, 0, format, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                               D3DX_DEFAULT, 0, info, nullptr, out);
}

Image flat(std::uint32_t w, std::uint32_t h, std::uint32_t colour) {
    Image img(w, h);
    img.pixels.assign(img.pixels.size(), colour);
    return img;
}

TEST(CreateTextureFromFile, SizeFromFileFullChainOwnFormat) {
    FakeDevice dev;
    const Image img = test::makeTestImage(8, 4, false);
    IDirect3DTexture8* tex = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(create(dev, test::writeTga(img, {.bits = 24}), 0, 0, 0, D3DFMT_UNKNOWN, &tex, &info),
              D3D_OK);
    ASSERT_EQ(dev.textures.size(), 1u);
    FakeTexture& t = *dev.textures[0];
    EXPECT_EQ(tex, &t);
    EXPECT_EQ(t.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(t.pool, D3DPOOL_MANAGED);
    ASSERT_EQ(t.levels.size(), 4u);  // 8x4, 4x2, 2x1, 1x1
    const UINT sizes[4][2] = {{8, 4}, {4, 2}, {2, 1}, {1, 1}};
    for (UINT l = 0; l < 4; ++l) {
        EXPECT_EQ(t.levels[l].width, sizes[l][0]);
        EXPECT_EQ(t.levels[l].height, sizes[l][1]);
        EXPECT_EQ(t.levels[l].lockCount, 1);
        EXPECT_FALSE(t.levels[l].locked);
    }
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 8; ++x) EXPECT_EQ(t.pixel(0, x, y), img.at(x, y));
    // Level 1 is the 2 x 2 box of level 0.
    const Image half = boxDownsample(img);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 4; ++x) EXPECT_EQ(t.pixel(1, x, y), half.at(x, y));
    EXPECT_EQ(info.Width, 8u);
    EXPECT_EQ(info.Height, 4u);
    EXPECT_EQ(info.MipLevels, 1u);
    EXPECT_EQ(info.Format, D3DFMT_X8R8G8B8);
}

TEST(CreateTextureFromFile, ForcedSizeAndFormatLikeTheRetry) {
    FakeDevice dev;
    IDirect3DTexture8* tex = nullptr;
    // A 40 x 24 picture forced to 16 x 16 in R5G6B5: resampled, a full chain of 5 levels.
    const Bytes file = test::writeJpeg(flat(40, 24, 0xFFFF8000), false, false);
    ASSERT_EQ(create(dev, file, 16, 16, 0, D3DFMT_R5G6B5, &tex), D3D_OK);
    const FakeTexture& t = *dev.textures[0];
    EXPECT_EQ(t.format, D3DFMT_R5G6B5);
    ASSERT_EQ(t.levels.size(), 5u);
    EXPECT_EQ(t.levels[0].width, 16u);
    EXPECT_EQ(t.levels[0].height, 16u);
    EXPECT_EQ(t.levels[4].width, 1u);
    for (UINT l = 0; l < 5; ++l) {
        const std::uint32_t c = t.pixel(l, 0, 0);
        EXPECT_NEAR(int(c >> 16 & 0xFF), 0xFF, 8);
        EXPECT_NEAR(int(c >> 8 & 0xFF), 0x80, 8);
        EXPECT_NEAR(int(c & 0xFF), 0x00, 8);
    }
    // An explicit level count is honoured, and clamped to the chain.
    ASSERT_EQ(create(dev, file, 16, 8, 2, D3DFMT_A1R5G5B5, &tex), D3D_OK);
    EXPECT_EQ(dev.textures[1]->levels.size(), 2u);
    EXPECT_EQ(dev.textures[1]->format, D3DFMT_A1R5G5B5);
    ASSERT_EQ(create(dev, file, 4, 4, 50, D3DFMT_UNKNOWN, &tex), D3D_OK);
    EXPECT_EQ(dev.textures[2]->levels.size(), 3u);
    EXPECT_EQ(dev.textures[2]->pixel(0, 1, 1) >> 24, 0xFFu);  // JPEG alpha reads 1
}

TEST(CreateTextureFromFile, FormatRequestsAndConversions) {
    FakeDevice dev;
    IDirect3DTexture8* tex = nullptr;
    const Image img = test::makeTestImage(8, 8, true);  // alpha 0xFF, or 0x40 at (4, 0)
    const Bytes tga32 = test::writeTga(img, {.bits = 32});
    // A block-compressed request keeps the image's own format: there is no compressor.
    ASSERT_EQ(create(dev, tga32, 0, 0, 1, D3DFMT_DXT5, &tex), D3D_OK);
    EXPECT_EQ(dev.textures[0]->format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(dev.textures[0]->pixel(0, 4, 0), img.at(4, 0));
    // A4R4G4B4 keeps alpha (0x40 -> 4 -> 0x44); X8R8G8B8 reads it as 1.
    ASSERT_EQ(create(dev, tga32, 0, 0, 1, D3DFMT_A4R4G4B4, &tex), D3D_OK);
    EXPECT_EQ(dev.textures[1]->pixel(0, 0, 0) >> 24, 0xFFu);
    EXPECT_EQ(dev.textures[1]->pixel(0, 4, 0) >> 24, 0x44u);
    ASSERT_EQ(create(dev, tga32, 0, 0, 1, D3DFMT_X8R8G8B8, &tex), D3D_OK);
    EXPECT_EQ(dev.textures[2]->pixel(0, 4, 0), img.at(4, 0) | 0xFF000000u);
    // DXT data from a DDS file is decompressed into the image's A8R8G8B8.
    const Bytes dxt1 = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};
    ASSERT_EQ(
        create(dev, test::writeDdsBlocks(4, 4, 1, "DXT1", dxt1), 0, 0, 0, D3DFMT_UNKNOWN, &tex),
        D3D_OK);
    EXPECT_EQ(dev.textures[3]->format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(dev.textures[3]->pixel(0, 2, 2), 0xFFFF0000u);
    EXPECT_EQ(dev.textures[3]->pixel(2, 0, 0), 0xFFFF0000u);
}

TEST(CreateTextureFromFile, AlphaSurvivesA1R5G5B5) {
    FakeDevice dev;
    IDirect3DTexture8* tex = nullptr;
    Image img = flat(2, 1, 0xFFFFFFFF);
    img.pixels[1] = 0x00FFFFFF;  // transparent white
    ASSERT_EQ(create(dev, test::writeTga(img, {.bits = 32}), 0, 0, 1, D3DFMT_A1R5G5B5, &tex),
              D3D_OK);
    EXPECT_EQ(dev.textures[0]->pixel(0, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(dev.textures[0]->pixel(0, 1, 0), 0x00FFFFFFu);
}

TEST(CreateTextureFromFile, PowerOfTwoCapsRoundTheSizeUp) {
    FakeDevice dev;
    dev.caps.TextureCaps |= D3DPTEXTURECAPS_POW2;
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(create(dev, test::writeBmp(flat(5, 3, 0xFF102030), {.bits = 24}), 0, 0, 0,
                     D3DFMT_UNKNOWN, &tex),
              D3D_OK);
    EXPECT_EQ(dev.textures[0]->levels[0].width, 8u);
    EXPECT_EQ(dev.textures[0]->levels[0].height, 4u);
    EXPECT_EQ(dev.textures[0]->pixel(0, 7, 3), 0xFF102030u);  // resampled, not padded
    // Without the cap, the size stays as the file says.
    FakeDevice npot;
    ASSERT_EQ(create(npot, test::writeBmp(flat(5, 3, 0xFF102030), {.bits = 24}), 0, 0, 0,
                     D3DFMT_UNKNOWN, &tex),
              D3D_OK);
    EXPECT_EQ(npot.textures[0]->levels[0].width, 5u);
    EXPECT_EQ(npot.textures[0]->levels.size(), 3u);
}

TEST(CreateTextureFromFile, DdsLevelsFromTheFileAreUsed) {
    FakeDevice dev;
    IDirect3DTexture8* tex = nullptr;
    // Level 1 in the file is blue although level 0 is red: the file's level must win.
    const Bytes file = test::writeDdsRgb(
        {flat(4, 4, 0xFFFF0000), flat(2, 2, 0xFF0000FF), flat(1, 1, 0xFF00FF00)}, 3, false, {});
    ASSERT_EQ(create(dev, file, 0, 0, 0, D3DFMT_UNKNOWN, &tex), D3D_OK);
    ASSERT_EQ(dev.textures[0]->levels.size(), 3u);
    EXPECT_EQ(dev.textures[0]->pixel(1, 1, 1), 0xFF0000FFu);
    EXPECT_EQ(dev.textures[0]->pixel(2, 0, 0), 0xFF00FF00u);
    // Forced to another size, the chain is rebuilt from the resampled top level.
    ASSERT_EQ(create(dev, file, 8, 8, 0, D3DFMT_UNKNOWN, &tex), D3D_OK);
    EXPECT_EQ(dev.textures[1]->pixel(1, 1, 1), 0xFFFF0000u);
}

TEST(CreateTextureFromFile, FailuresComeBackAndLeakNothing) {
    FakeDevice dev;
    IDirect3DTexture8* tex = reinterpret_cast<IDirect3DTexture8*>(8);
    const Bytes good = test::writeTga(flat(4, 4, 0xFF808080), {.bits = 24});
    const Bytes bad = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    EXPECT_EQ(create(dev, bad, 0, 0, 0, D3DFMT_UNKNOWN, &tex), D3DXERR_INVALIDDATA);
    EXPECT_EQ(tex, nullptr);
    EXPECT_TRUE(dev.textures.empty());

    dev.failTextureCreation(D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(create(dev, good, 0, 0, 0, D3DFMT_UNKNOWN, &tex), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(tex, nullptr);
    dev.failTextureCreation(D3D_OK);

    // Wider than the device allows: the device's refusal is the result (the caller retries).
    dev.setMaxTextureSize(2);
    EXPECT_EQ(create(dev, good, 0, 0, 0, D3DFMT_UNKNOWN, &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(create(dev, good, 2, 2, 0, D3DFMT_R5G6B5, &tex), D3D_OK);
    dev.setMaxTextureSize(4096);

    dev.nextLockResult = D3DERR_OUTOFVIDEOMEMORY;
    EXPECT_EQ(create(dev, good, 0, 0, 0, D3DFMT_UNKNOWN, &tex), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(tex, nullptr);
    EXPECT_EQ(dev.textures.back()->refs, 0u);  // released again

    EXPECT_EQ(
        D3DXCreateTextureFromFileInMemoryEx(nullptr, good.data(), 10, 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                            D3DPOOL_MANAGED, 0, 0, 0, nullptr, nullptr, &tex),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(&dev, good.data(), 0, 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                                  D3DPOOL_MANAGED, 0, 0, 0, nullptr, nullptr, &tex),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(
        D3DXCreateTextureFromFileInMemoryEx(&dev, good.data(), 10, 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                            D3DPOOL_MANAGED, 0, 0, 0, nullptr, nullptr, nullptr),
        D3DERR_INVALIDCALL);
}

TEST(CreateCubeTextureFromFile, SixFacesInTheBackBufferFormat) {
    FakeDevice dev;
    std::vector<Image> faces;
    for (std::uint32_t f = 0; f < 6; ++f) faces.push_back(flat(8, 8, 0xFF000000u | (f * 40) << 8));
    const Bytes file = test::writeDdsRgb(faces, 1, true, {.bits = 32, .a = 0});
    IDirect3DCubeTexture8* cube = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(
                  &dev, file.data(), static_cast<UINT>(file.size()), 0, 0, 0, D3DFMT_R5G6B5,
                  D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &cube),
              D3D_OK);
    ASSERT_EQ(dev.cubes.size(), 1u);
    const FakeCubeTexture& c = *dev.cubes[0];
    EXPECT_EQ(cube, &c);
    EXPECT_EQ(c.format, D3DFMT_R5G6B5);
    EXPECT_EQ(info.Width, 8u);
    for (UINT f = 0; f < 6; ++f) {
        ASSERT_EQ(c.faces[f].size(), 4u);  // 8, 4, 2, 1
        for (UINT l = 0; l < 4; ++l) {
            EXPECT_EQ(c.faces[f][l].lockCount, 1);
            EXPECT_NEAR(int(c.pixel(f, l, 0, 0) >> 8 & 0xFF), int(f * 40), 3) << f << " " << l;
        }
    }
    // Not a cube map, or not an image at all.
    const Bytes flatDds = test::writeDdsRgb({faces[0]}, 1, false, {});
    EXPECT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(
                  &dev, flatDds.data(), static_cast<UINT>(flatDds.size()), 0, 0, 0, D3DFMT_X8R8G8B8,
                  D3DPOOL_MANAGED, 0, 0, 0, nullptr, nullptr, &cube),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(cube, nullptr);
    dev.failTextureCreation(D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(
                  &dev, file.data(), static_cast<UINT>(file.size()), 0, 0, 0, D3DFMT_X8R8G8B8,
                  D3DPOOL_MANAGED, 0, 0, 0, nullptr, nullptr, &cube),
              D3DERR_OUTOFVIDEOMEMORY);
}

TEST(CreateTexture, EmptyTexturesAndRenderTargets) {
    FakeDevice dev;
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(D3DXCreateTexture(&dev, 1024, 1024, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                D3DPOOL_DEFAULT, &tex),
              D3D_OK);
    const FakeTexture& rt = *dev.textures[0];
    EXPECT_EQ(rt.usage, static_cast<DWORD>(D3DUSAGE_RENDERTARGET));
    EXPECT_EQ(rt.pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(rt.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(rt.levels.size(), 1u);
    EXPECT_EQ(rt.levels[0].width, 1024u);
    EXPECT_EQ(rt.levels[0].lockCount, 0);  // nothing written

    ASSERT_EQ(D3DXCreateTexture(&dev, 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &tex), D3D_OK);
    EXPECT_EQ(dev.textures[1]->levels[0].width, 256u);
    EXPECT_EQ(dev.textures[1]->levels.size(), 9u);
    EXPECT_EQ(dev.textures[1]->format, D3DFMT_A8R8G8B8);

    dev.failTextureCreation(D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(D3DXCreateTexture(&dev, 64, 64, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &tex),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(tex, nullptr);
    EXPECT_EQ(D3DXCreateTexture(nullptr, 64, 64, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &tex),
              D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace eh::d3dx
