// The device and the Direct3D object of the OpenGL implementation (private).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/d3d8/d3d8_local.h"

namespace eh::d3d8 {

// What the GL implementation can do, probed once per Direct3D object with a throw-away
// context (Direct3D answers capability questions before any device exists).
struct GlCaps {
    bool ok = false;
    int maxTextureSize = 0;
    int maxSamples = 0;
    std::string renderer, vendor, version;
};

class Direct3D final : public ComObject<IDirect3D8> {
  public:
    Direct3D();
    ~Direct3D() override;
    const GlCaps& glCaps();
    void fillCaps(UINT adapter, D3DCAPS8* caps);

    HRESULT RegisterSoftwareDevice(void*) override { return D3DERR_INVALIDCALL; }
    UINT GetAdapterCount() override;
    HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                                 D3DADAPTER_IDENTIFIER8* pIdentifier) override;
    UINT GetAdapterModeCount(UINT Adapter) override;
    HRESULT EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) override;
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                            D3DFORMAT BackBufferFormat, BOOL Windowed) override;
    HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                              DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat,
                                       BOOL Windowed, D3DMULTISAMPLE_TYPE MultiSampleType) override;
    HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT RenderTargetFormat,
                                   D3DFORMAT DepthStencilFormat) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) override;
    HMONITOR GetAdapterMonitor(UINT Adapter) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                         DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice8** ppReturnedDeviceInterface) override;

  private:
    bool videoStarted_ = false;
    bool probed_ = false;
    GlCaps caps_;
    std::vector<std::vector<D3DDISPLAYMODE>> modes_;  // per adapter
    void enumerate();
};

struct VertexShaderObject {
    VsDeclaration declaration;
    std::string glsl;  // translated body; empty for a declaration-only shader
    std::uint32_t id = 0;
};

// Uniform groups; the device bumps a group's serial when its source state changes and a
// program uploads the group when its own copy of the serial differs.
enum UniformGroup {
    kUTransform,
    kUTexMatrix,
    kUMaterial,
    kULights,
    kUFragment,
    kUVsConst,
    kUViewport,
    kUGroupCount
};

struct Program {
    GLuint name = 0;
    GLint uWorldView = -1, uProj = -1, uNormalMat = -1, uPixel = -1, uViewport = -1;
    GLint uTexMat = -1, uFog = -1;
    GLint uMatDiffuse = -1, uMatAmbient = -1, uMatSpecular = -1, uMatEmissive = -1;
    GLint uMatPower = -1, uAmbient = -1;
    GLint uLightDiffuse = -1, uLightSpecular = -1, uLightAmbient = -1, uLightPos = -1;
    GLint uLightDir = -1, uLightAtt = -1, uLightSpot = -1;
    GLint uTFactor = -1, uAlphaRef = -1, uFogColor = -1, uC = -1;
    std::array<std::uint64_t, kUGroupCount> seen{};
};

struct LightSlot {
    D3DLIGHT8 light{};
    bool enabled = false;
};

class Device final : public ComObject<IDirect3DDevice8> {
  public:
    Device(Direct3D* d3d, UINT adapter, HWND window, DWORD flags);
    ~Device() override;
    // Creates the context and the back buffer; D3D_OK or the failure to report.
    HRESULT init(const D3DPRESENT_PARAMETERS& pp);

    // --- IDirect3DDevice8
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override { return 256u << 20; }
    HRESULT GetDirect3D(IDirect3D8** ppD3D8) override;
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT Present(CONST RECT* pSourceRect, CONST RECT* pDestRect, HWND hDestWindowOverride,
                    CONST RGNDATA* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface8** ppBackBuffer) override;
    void SetGammaRamp(DWORD Flags, CONST D3DGAMMARAMP* pRamp) override;
    void GetGammaRamp(D3DGAMMARAMP* pRamp) override;
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                          D3DPOOL Pool, IDirect3DTexture8** ppTexture) override;
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                              D3DPOOL Pool, IDirect3DCubeTexture8** ppCubeTexture) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override;
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                      D3DMULTISAMPLE_TYPE MultiSample,
                                      IDirect3DSurface8** ppSurface) override;
    HRESULT CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format,
                               IDirect3DSurface8** ppSurface) override;
    HRESULT GetFrontBuffer(IDirect3DSurface8* pDestSurface) override;
    HRESULT SetRenderTarget(IDirect3DSurface8* pRenderTarget,
                            IDirect3DSurface8* pNewZStencil) override;
    HRESULT GetRenderTarget(IDirect3DSurface8** ppRenderTarget) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD Count, CONST D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                  DWORD Stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, CONST D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(CONST D3DVIEWPORT8* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* pViewport) override;
    HRESULT SetMaterial(CONST D3DMATERIAL8* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
    HRESULT SetLight(DWORD Index, CONST D3DLIGHT8* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                 DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                          UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices,
                                 UINT startIndex, UINT primCount) override;
    HRESULT CreateVertexShader(CONST DWORD* pDeclaration, CONST DWORD* pFunction, DWORD* pHandle,
                               DWORD Usage) override;
    HRESULT SetVertexShader(DWORD Handle) override;
    HRESULT GetVertexShader(DWORD* pHandle) override;
    HRESULT DeleteVertexShader(DWORD Handle) override;
    HRESULT SetVertexShaderConstant(DWORD Register, CONST void* pConstantData,
                                    DWORD ConstantCount) override;
    HRESULT GetVertexShaderConstant(DWORD Register, void* pConstantData,
                                    DWORD ConstantCount) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                            UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData,
                            UINT* pStride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) override;

    // --- layer-internal
    void makeCurrent();
    void addChild(DeviceChild* child, bool counted);
    void removeChild(DeviceChild* child, bool counted);
    void forceLost() { forcedLoss_ = true; }
    std::size_t programCount() const { return programs_.size(); }
    std::uint64_t drawCount() const { return draws_; }
    std::size_t stagedTextureBytes() const;
    const GlCaps& glCaps() const { return caps_; }
    void textureChanged() { dirty_ |= kDirtySamplers; }

  private:
    enum Dirty : unsigned {
        kDirtyKey = 1u << 0,     // program key inputs
        kDirtyRaster = 1u << 1,  // blend, depth, cull, colour mask
        kDirtyInput = 1u << 2,   // vertex attribute layout or buffer
        kDirtySamplers = 1u << 3,
        kDirtyViewport = 1u << 4,
        kDirtyAll = 0xFFFFFFFFu
    };
    enum class Loss { kOk, kLost, kNotReset };

    // d3d8_device.cpp
    HRESULT createBackBuffer(const D3DPRESENT_PARAMETERS& pp);
    void destroyBackBuffer();
    void releaseBindings();
    bool windowGone() const;
    void bindRenderTarget();
    // d3d8_present.cpp
    // The gamma program and its lookup table, loaded with the current ramp; needs the
    // context current.
    HRESULT createGammaResources();
    // d3d8_state.cpp
    void setDefaultState();
    void bump(UniformGroup group) { ++serial_[group]; }
    // d3d8_draw.cpp
    bool prepareDraw(UINT firstVertex, UINT vertexCount);
    void buildKey();
    Program* programFor(const ProgramKey& key);
    void applyRaster();
    void applyInput();
    void applySamplers();
    void uploadUniforms(Program& program);
    HRESULT checkDraw(D3DPRIMITIVETYPE type, UINT primitives, GLenum* mode, UINT* count) const;

    Direct3D* d3d_;
    UINT adapter_;
    HWND window_;
    DWORD behaviorFlags_;
    SDL_GLContext context_ = nullptr;
    GlCaps caps_;
    bool zeroToOne_ = false;
    D3DPRESENT_PARAMETERS pp_{};
    Loss loss_ = Loss::kOk;
    bool forcedLoss_ = false;
    bool inScene_ = false;

    std::unordered_set<DeviceChild*> children_;
    int liveDefaultPool_ = 0;

    // Back buffer, auto depth, resolve and front (presented) images.
    Surface* backBuffer_ = nullptr;
    Surface* autoDepth_ = nullptr;
    Surface* renderTarget_ = nullptr;  // referenced
    Surface* depthStencil_ = nullptr;  // referenced
    GLuint drawFbo_ = 0, resolveFbo_ = 0, resolveTex_ = 0, frontFbo_ = 0, frontTex_ = 0;
    GLuint srcFbo_ = 0;  // reads the back buffer texture for Present
    GLuint lutTex_ = 0, gammaProgram_ = 0, emptyVao_ = 0;
    D3DGAMMARAMP gamma_{};
    bool gammaIdentity_ = true;

    // Recorded state.
    std::array<DWORD, 256> rs_{};
    std::array<std::array<DWORD, 32>, kMaxStages> tss_{};
    D3DMATRIX world_{}, view_{}, proj_{};
    std::array<D3DMATRIX, kMaxStages> texMatrix_{};
    D3DMATERIAL8 material_{};
    std::vector<LightSlot> lights_;
    D3DVIEWPORT8 viewport_{};
    std::array<BaseTexture*, kMaxStages> textures_{};
    VertexBuffer* stream_ = nullptr;
    UINT stride_ = 0;
    IndexBuffer* indices_ = nullptr;
    UINT baseVertex_ = 0;
    DWORD vertexShader_ = 0;
    std::array<std::array<float, 4>, kMaxVsConstants> vsConst_{};
    std::unordered_map<DWORD, std::unique_ptr<VertexShaderObject>> shaders_;
    std::uint32_t nextShaderId_ = 1;

    // Translation to GL.
    unsigned dirty_ = kDirtyAll;
    std::array<std::uint64_t, kUGroupCount> serial_{};
    ProgramKey key_;
    Program* program_ = nullptr;
    std::unordered_map<ProgramKey, std::unique_ptr<Program>, ProgramKeyHash> programs_;
    GLuint vao_ = 0;
    std::array<GLuint, kMaxStages> samplers_{};
    std::array<bool, kMaxStages> samplerDirty_{};
    std::uint32_t enabledAttribs_ = 0;
    GLuint boundVb_ = 0;
    std::uint64_t boundVbSerial_ = 0;
    std::uint64_t draws_ = 0;
};

// Shader handles carry bit 31, which no FVF code has, so SetVertexShader can tell them
// apart.
constexpr DWORD kShaderHandleBit = 0x80000000u;

// Where each element of a flexible vertex format lies in the vertex (byte offsets, -1 when
// absent); ok is false for a code the device refuses.
struct FvfLayout {
    bool ok = false;
    bool rhw = false;
    int posFloats = 0;
    int normal = -1, diffuse = -1, specular = -1;
    int texCount = 0;
    int tex[8] = {};
    int texSize[8] = {};
    UINT size = 0;
};
FvfLayout fvfLayout(DWORD fvf);

Device* toDevice(IDirect3DDevice8* device);

// GL helpers shared by the device files.
GLuint compileProgram(const std::string& vertex, const std::string& fragment, std::string* log);

}  // namespace eh::d3d8
