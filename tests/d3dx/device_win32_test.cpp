// The utility library on the system's Direct3D 8 (Windows; under Wine, Wine's own), loaded
// through our Direct3DCreate8: textures from image files in every format the program
// loads, converted, with full mip chains, read back through the real LockRect and its
// pitch; and the assembler's tokens accepted by the real CreateVertexShader.
#include <gtest/gtest.h>

#include <windows.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstring>
#include <string>
#include <vector>

#include "d3dx/d3dx8.h"
#include "d3dx/d3dx_image.h"

namespace eh::d3dx {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Smooth ramps in each channel and a checker in alpha: every pixel differs from its
// neighbours, so a wrong pitch, row order or channel order shows.
Image testPicture(std::uint32_t width, std::uint32_t height) {
    Image img(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t r = x * 255 / (width > 1 ? width - 1 : 1);
            const std::uint32_t g = y * 255 / (height > 1 ? height - 1 : 1);
            const std::uint32_t b = (x * 7 + y * 13) & 0xFF;
            const std::uint32_t a = ((x / 4 + y / 4) & 1) ? 0xFF : 0x40;
            img.at(x, y) = a << 24 | r << 16 | g << 8 | b;
        }
    }
    return img;
}

// The picture as R, G, B[, A] bytes for stb_image_write.
std::vector<std::uint8_t> channelBytes(const Image& img, int channels) {
    std::vector<std::uint8_t> out(img.pixels.size() * channels);
    for (std::size_t i = 0; i < img.pixels.size(); ++i) {
        const std::uint32_t c = img.pixels[i];
        std::uint8_t* p = &out[i * channels];
        p[0] = static_cast<std::uint8_t>(c >> 16);
        p[1] = static_cast<std::uint8_t>(c >> 8);
        p[2] = static_cast<std::uint8_t>(c);
        if (channels == 4) p[3] = static_cast<std::uint8_t>(c >> 24);
    }
    return out;
}

void append(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

enum class Container { Jpeg, Png, Tga, Bmp };

Bytes encode(const Image& img, Container container) {
    const std::vector<std::uint8_t> rgba = channelBytes(img, 4);
    const std::vector<std::uint8_t> rgb = channelBytes(img, 3);
    const int w = static_cast<int>(img.width), h = static_cast<int>(img.height);
    Bytes file;
    switch (container) {
        case Container::Jpeg:
            stbi_write_jpg_to_func(append, &file, w, h, 3, rgb.data(), 95);
            break;
        case Container::Png:
            stbi_write_png_to_func(append, &file, w, h, 4, rgba.data(), w * 4);
            break;
        case Container::Tga:
            stbi_write_tga_to_func(append, &file, w, h, 4, rgba.data());
            break;
        case Container::Bmp:
            stbi_write_bmp_to_func(append, &file, w, h, 3, rgb.data());
            break;
    }
    return file;
}

class RealDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "EmberholdD3dxTest";
        RegisterClassA(&wc);  // fails harmlessly for the second test: the class exists
        window_ = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
        d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr) << "d3d8.dll did not load";
        ASSERT_GE(d3d_->GetAdapterCount(), 1u);
        D3DDISPLAYMODE desktop{};
        ASSERT_EQ(d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop), D3D_OK);
        D3DPRESENT_PARAMETERS pp{};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.BackBufferFormat = desktop.Format;
        ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                     D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device_),
                  D3D_OK);
    }
    void TearDown() override {
        if (device_ != nullptr) device_->Release();
        if (d3d_ != nullptr) d3d_->Release();
        if (window_ != nullptr) DestroyWindow(window_);
    }

    // Creates the texture and checks every level against `levels` (the expected pixels,
    // converted to the texture's format) through LockRect.
    void expectTexture(const Bytes& file, UINT width, UINT height, D3DFORMAT requested,
                       D3DFORMAT expectFormat, const std::string& what) {
        DecodedImage decoded;
        std::string error;
        ASSERT_TRUE(decodeImage(file.data(), file.size(), decoded, error)) << what << ": " << error;
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(
                      device_, file.data(), static_cast<UINT>(file.size()), width, height, 0, 0,
                      requested, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                      &texture),
                  D3D_OK)
            << what;
        Image level = decoded.surfaces.front();
        if (width != 0 && (width != level.width || height != level.height))
            level = resample(level, width, height);
        EXPECT_EQ(texture->GetLevelCount(), fullMipCount(level.width, level.height)) << what;
        for (DWORD i = 0; i < texture->GetLevelCount(); ++i) {
            D3DSURFACE_DESC desc{};
            ASSERT_EQ(texture->GetLevelDesc(i, &desc), D3D_OK);
            EXPECT_EQ(desc.Format, expectFormat) << what;
            ASSERT_EQ(desc.Width, level.width) << what << " level " << i;
            ASSERT_EQ(desc.Height, level.height) << what << " level " << i;
            const std::uint32_t bpp = bytesPerPixel(static_cast<std::uint32_t>(desc.Format));
            ASSERT_NE(bpp, 0u);
            const std::size_t rowBytes = std::size_t{level.width} * bpp;
            std::vector<std::uint8_t> want(rowBytes * level.height);
            convertPixels(level, static_cast<std::uint32_t>(desc.Format), want.data(), rowBytes);
            D3DLOCKED_RECT locked{};
            ASSERT_EQ(texture->LockRect(i, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
            ASSERT_GE(static_cast<std::size_t>(locked.Pitch), rowBytes);
            int badRows = 0;
            for (std::uint32_t y = 0; y < level.height; ++y) {
                const auto* row = static_cast<const std::uint8_t*>(locked.pBits) +
                                  static_cast<std::size_t>(locked.Pitch) * y;
                if (std::memcmp(row, want.data() + rowBytes * y, rowBytes) != 0) ++badRows;
            }
            texture->UnlockRect(i);
            EXPECT_EQ(badRows, 0) << what << " level " << i;
            level = boxDownsample(level);
        }
        texture->Release();
    }

    HWND window_ = nullptr;
    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
};

TEST_F(RealDevice, TexturesFromEveryContainerKeepTheirOwnFormat) {
    // 40 x 24: not a power of two, and rows of 160 bytes that a device may pad.
    const Image picture = testPicture(40, 24);
    expectTexture(encode(picture, Container::Jpeg), 0, 0, D3DFMT_UNKNOWN, D3DFMT_X8R8G8B8, "JPEG");
    expectTexture(encode(picture, Container::Png), 0, 0, D3DFMT_UNKNOWN, D3DFMT_A8R8G8B8, "PNG");
    expectTexture(encode(picture, Container::Tga), 0, 0, D3DFMT_UNKNOWN, D3DFMT_A8R8G8B8, "TGA");
    expectTexture(encode(picture, Container::Bmp), 0, 0, D3DFMT_UNKNOWN, D3DFMT_X8R8G8B8, "BMP");
}

TEST_F(RealDevice, TexturesAreConvertedAndForcedToTheSizeAsked) {
    const Bytes png = encode(testPicture(33, 17), Container::Png);
    expectTexture(png, 0, 0, D3DFMT_R5G6B5, D3DFMT_R5G6B5, "R5G6B5");
    expectTexture(png, 0, 0, D3DFMT_A4R4G4B4, D3DFMT_A4R4G4B4, "A4R4G4B4");
    expectTexture(png, 0, 0, D3DFMT_A1R5G5B5, D3DFMT_A1R5G5B5, "A1R5G5B5");
    // The texture manager's second attempt: a square of the fallback format.
    expectTexture(png, 16, 16, D3DFMT_A1R5G5B5, D3DFMT_A1R5G5B5, "forced 16 x 16");
}

TEST_F(RealDevice, DamagedFilesFailWithoutATexture) {
    Bytes jpeg = encode(testPicture(16, 16), Container::Jpeg);
    jpeg.resize(jpeg.size() / 2);
    IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(&jpeg);  // must be cleared
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(
                  device_, jpeg.data(), static_cast<UINT>(jpeg.size()), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                  D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
}

// The assembler's output for the kinds of statement the scene's shaders use, given to the
// real runtime with the declaration of a position and one texture coordinate.
TEST_F(RealDevice, AssembledShadersAreAcceptedByTheRuntime) {
    const char* const sources[] = {
        "vs.1.1\n"
        "dp4 oPos.x, v0, c0\ndp4 oPos.y, v0, c1\ndp4 oPos.z, v0, c2\ndp4 oPos.w, v0, c3\n"
        "mov oT0, v7\nmov oD0, c4\n",
        "vs.1.1\n"
        "def c10, 0.5, 1.0, 2.0, 0.25\n"
        "mov r0, v0\n"
        "mul r1.x, v7.y, c10.x\n"
        "mad r0.x, r1.x, c5.x, r0.x   ; sway with the wind\n"
        "m4x4 oPos, r0, c0\n"
        "mov a0.x, c10.w\n"
        "mov oD0, c[a0.x + 6]\n"
        "mov oT0.xy, v7\n"
        "rcp r2.x, c10.z\n"
        "max r2, r2, -c10\n"
        "mov oFog.x, r2.x\n",
    };
    const DWORD declaration[] = {
        D3DVSD_STREAM(0),
        D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),
        D3DVSD_REG(D3DVSDE_TEXCOORD0, D3DVSDT_FLOAT2),
        D3DVSD_END(),
    };
    for (const char* source : sources) {
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        ASSERT_EQ(D3DXAssembleShader(source, static_cast<UINT>(std::strlen(source)), 0, nullptr,
                                     &code, &errors),
                  D3D_OK)
            << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
        DWORD handle = 0;
        EXPECT_EQ(device_->CreateVertexShader(
                      declaration, static_cast<const DWORD*>(code->GetBufferPointer()), &handle, 0),
                  D3D_OK)
            << source;
        if (handle != 0) {
            EXPECT_EQ(device_->SetVertexShader(handle), D3D_OK);
            device_->DeleteVertexShader(handle);
        }
        code->Release();
    }
}

}  // namespace
}  // namespace eh::d3dx
