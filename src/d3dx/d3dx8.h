// The graphics utility functions the program calls (a D3DX 8 subset): texture creation from
// image files in memory, the vs.1.0/vs.1.1 assembler and the math helpers.
//
// Names, argument lists and result codes are D3DX 8's, so calling code reads as it would
// against the real d3dx8.h. There is no D3DX 8 for MinGW-w64, so the Windows build uses
// this library as well, on the system's Direct3D 8 interfaces. What each function
// supports, and where it differs from D3DX, is in README.md beside this file.
//
// Matrices are row-major with row vectors (p' = p * M), angles are in radians.
#pragma once

#include "platform/d3d8/d3d8.h"

// ---------------------------------------------------------------------------------------
// Constants and result codes.

// "Take the value from the file" for sizes and levels; "the default filter" for filters
// (triangle for Filter, box for MipFilter; both are what this library always uses).
#define D3DX_DEFAULT static_cast<UINT>(0xFFFFFFFF)
#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_DITHER (8 << 16)

// MAKE_DDHRESULT(2905): the data could not be decoded or assembled.
#define D3DXERR_INVALIDDATA MAKE_D3DHRESULT(2905)

#if !defined(EH_PALETTEENTRY_DEFINED) && !defined(_WIN32)
#define EH_PALETTEENTRY_DEFINED
// A GDI palette entry (wingdi.h on Windows); only passed through as a null pointer.
struct PALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
};
#endif

// What the image file held, reported through the pSrcInfo arguments when not null.
struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
};

// ---------------------------------------------------------------------------------------
// Buffers: reference counted byte blocks returned by the assembler.

#ifdef _WIN32
// The SDK's IUnknown, like every COM interface, has no destructor: objects end in Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
struct ID3DXBuffer : IUnknown {
    virtual void* GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;

  protected:
    ~ID3DXBuffer() = default;
};
#ifdef _WIN32
#pragma GCC diagnostic pop
#endif
using LPD3DXBUFFER = ID3DXBuffer*;

// A new buffer of NumBytes zero bytes, reference count 1.
HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

// ---------------------------------------------------------------------------------------
// Textures. Every function returns D3DERR_INVALIDCALL for a null device, data or output
// pointer, D3DXERR_INVALIDDATA for data that does not decode, and the device's own result
// (D3DERR_OUTOFVIDEOMEMORY among them) when it refuses to create or lock the texture.
// On failure *pp… is left null.

// A texture from a JPEG, PNG, TGA, BMP or DDS file in memory.
//   Width, Height: 0 or D3DX_DEFAULT take the image's size; otherwise the image is
//     resampled to the size given. The size is rounded up to powers of two when the device's
//     caps ask for it (D3DPTEXTURECAPS_POW2).
//   MipLevels: 0 or D3DX_DEFAULT make a full chain down to 1 x 1, box filtered (a DDS
//     file's own levels are used where their sizes match).
//   Format: D3DFMT_UNKNOWN keeps the image's own format (JPEG and 24-bit images give
//     X8R8G8B8, images with alpha A8R8G8B8, 16-bit TGA A1R5G5B5 or X1R5G5B5, DDS its own;
//     DXT data is decompressed to A8R8G8B8). A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5,
//     A1R5G5B5 and A4R4G4B4 are converted to; any other request keeps the image's format.
//   Filter, MipFilter: accepted and ignored (always triangle and box). ColorKey: ignored.
//   pPalette: ignored (no palette formats).
HRESULT D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 pDevice, const void* pSrcData,
                                            UINT SrcDataSize, UINT Width, UINT Height,
                                            UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                            D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                            PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE8* ppTexture);

// A cube texture from a DDS cube map in memory (all six faces; faces +X, -X, +Y, -Y, +Z, -Z).
// Size 0 or D3DX_DEFAULT takes the file's edge length; other arguments as above. A file that
// is not a cube map gives D3DXERR_INVALIDDATA.
HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 pDevice, const void* pSrcData,
                                                UINT SrcDataSize, UINT Size, UINT MipLevels,
                                                DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                LPDIRECT3DCUBETEXTURE8* ppCubeTexture);

// An empty texture. Width or Height 0 (or D3DX_DEFAULT) mean 256; MipLevels 0 a full chain;
// D3DFMT_UNKNOWN means A8R8G8B8. Usage and Pool pass to the device unchanged
// (D3DUSAGE_RENDERTARGET in D3DPOOL_DEFAULT for a render target).
HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE8 pDevice, UINT Width, UINT Height, UINT MipLevels,
                          DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          LPDIRECT3DTEXTURE8* ppTexture);

// ---------------------------------------------------------------------------------------
// Vertex shader assembler.
//
// Assembles vs.1.0 or vs.1.1 text into Direct3D 8 shader tokens for CreateVertexShader.
// Flags is ignored. On success *ppCompiledShader holds the tokens (version … end);
// ppConstants, when not null, receives the `def` constants as declaration tokens
// (D3DVSD_CONST(reg, 1) and four floats each); the `def` instructions also stay in the code.
// On failure the result is D3DXERR_INVALIDDATA, *ppCompiledShader is null and
// ppCompilationErrors, when not null, receives the text "line N: problem", one per line.
// Every output pointer may be null.
HRESULT D3DXAssembleShader(const void* pSrcData, UINT SrcDataLen, DWORD Flags,
                           LPD3DXBUFFER* ppConstants, LPD3DXBUFFER* ppCompiledShader,
                           LPD3DXBUFFER* ppCompilationErrors);

// ---------------------------------------------------------------------------------------
// Math. Each function writes *pOut and returns pOut; pOut may alias an input.

struct D3DXVECTOR3 : D3DVECTOR {
    D3DXVECTOR3() = default;
    D3DXVECTOR3(float fx, float fy, float fz) : D3DVECTOR{fx, fy, fz} {}
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
};

struct D3DXVECTOR4 {
    float x, y, z, w;
};

// Quaternion (x, y, z, w) with w the scalar part.
struct D3DXQUATERNION {
    float x, y, z, w;
    D3DXQUATERNION() = default;
    D3DXQUATERNION(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
};

struct D3DXMATRIX : D3DMATRIX {
    D3DXMATRIX() = default;
    D3DXMATRIX(const D3DMATRIX& mat) : D3DMATRIX(mat) {}
    D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23,
               float f24, float f31, float f32, float f33, float f34, float f41, float f42,
               float f43, float f44);
    float& operator()(UINT row, UINT col) { return m[row][col]; }
    float operator()(UINT row, UINT col) const { return m[row][col]; }
};

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);
// pOut = pM1 * pM2 (apply M1 first, then M2, for row vectors).
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);
// Rotation about the x axis: rows (1, 0, 0), (0, c, s), (0, -s, c).
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float Angle);
// Rotation about the y axis: rows (c, 0, -s), (0, 1, 0), (s, 0, c).
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float Angle);
// The rotation of a unit quaternion, row-vector form (_12 = 2(xy + zw), _21 = 2(xy - zw)).
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ);

// Spherical interpolation from pQ1 (t = 0) to pQ2 (t = 1) along the shorter arc (pQ2 is
// negated when the dot product is negative); nearly equal quaternions interpolate linearly.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                    const D3DXQUATERNION* pQ2, float t);

// (x, y, z, 1) * M divided by the resulting w (left undivided when w is 0).
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
// (x, y, z, 0) * M: direction only, no inverse transpose.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                     const D3DXMATRIX* pM);

