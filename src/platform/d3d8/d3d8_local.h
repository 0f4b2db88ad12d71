// Private declarations of the Direct3D 8 layer over OpenGL 3.3 core. Only files of this
// folder (and white-box tests) include this header.
//
// Conventions shared by every file here:
// - Every render target, the back buffer included, is a GL framebuffer whose GL row 0 holds
//   Direct3D's top row. Vertex programs therefore negate clip-space y; the triangles' screen
//   winding reverses, so D3DCULL_CCW culls GL clockwise faces. Textures are uploaded top row
//   first and sampled with Direct3D's v unchanged; render-target textures come out the same
//   way round. Present flips once when it copies to the window.
// - Setters only record state and mark what changed; Device::prepareDraw is the one place
//   that turns recorded state into GL calls.
// - The device's GL context is current on the calling thread whenever a method runs (one
//   device at a time per thread; methods make it current again if another device's was).
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/d3d8_shadergen.h"
#include "platform/d3d8/d3d8_vshader.h"

typedef void* SDL_GLContext;
struct SDL_Window;

namespace eh::d3d8 {

class Device;

// Reference counting shared by every object of the layer. QueryInterface answers only with
// E_NOINTERFACE: the program never asks for another interface.
template <class Interface>
class ComObject : public Interface {
  public:
    virtual ~ComObject() = default;
    HRESULT QueryInterface(REFIID, void** ppvObj) override {
        if (ppvObj != nullptr) *ppvObj = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

  protected:
    std::atomic<ULONG> refs_{1};
};

// How a D3DFORMAT is stored in GL. bytesPerPixel 0 means "not a colour format we take".
struct GlFormat {
    GLenum internalFormat = 0;
    GLenum format = 0;
    GLenum type = 0;
    int bytesPerPixel = 0;
    // Texture swizzle: alpha forced to 1 (X formats), or luminance/alpha expansion.
    std::array<GLint, 4> swizzle = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};
GlFormat glFormatOf(D3DFORMAT format);
bool isDepthFormat(D3DFORMAT format);
GLenum glDepthFormatOf(D3DFORMAT format);  // 0 when not a depth format we take
bool isBackBufferFormat(D3DFORMAT format);
// Direct3D 8 numbers no multisample type 1: a single sample is D3DMULTISAMPLE_NONE.
inline constexpr DWORD kNoSuchMultiSampleType = 1;

// Objects that belong to a device register with it, so that destroying the device first
// leaves them as harmless shells instead of dangling (the program may release the device
// before its last textures).
class DeviceChild {
  public:
    DeviceChild(Device* device, D3DPOOL pool, bool counted);
    virtual ~DeviceChild();
    DeviceChild(const DeviceChild&) = delete;
    DeviceChild& operator=(const DeviceChild&) = delete;
    // Called when the device goes away before this object: free GL names, forget the device.
    virtual void orphan() { device_ = nullptr; }
    Device* device() const { return device_; }
    D3DPOOL pool() const { return pool_; }

  protected:
    Device* device_;
    D3DPOOL pool_;
    bool counted_;  // counts as a default-pool resource that blocks Reset
};

class BaseTexture;

class Surface final : public ComObject<IDirect3DSurface8>, public DeviceChild {
  public:
    enum class Kind { kBackBuffer, kDepth, kTextureLevel, kImage };
    Surface(Device* device, Kind kind, D3DFORMAT format, UINT width, UINT height,
            D3DMULTISAMPLE_TYPE ms, D3DPOOL pool, DWORD usage, bool counted);
    ~Surface() override;
    void orphan() override;
    void freeGl();

    // A level surface shares its texture's reference count, as in Direct3D.
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, CONST RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    Kind kind;
    D3DFORMAT format;
    UINT width, height;
    D3DMULTISAMPLE_TYPE multiSample;
    DWORD usage;
    GLuint renderbuffer = 0;       // back buffer (multisampled) and depth surfaces
    GLuint texture = 0;            // back buffer colour when not multisampled
    BaseTexture* owner = nullptr;  // texture level surfaces
    UINT level = 0;
    GLenum face = GL_TEXTURE_2D;       // GL_TEXTURE_2D or a cube face target
    std::vector<std::uint8_t> pixels;  // image surfaces: rows of width * 4 bytes
};

// Shared part of 2D and cube textures: one GL texture, a CPU copy of each level for the
// managed pool (LockRect hands it out, UnlockRect uploads that level).
class BaseTexture : public DeviceChild {
  public:
    BaseTexture(Device* device, GLenum target, UINT width, UINT height, UINT levels, DWORD usage,
                D3DFORMAT format, D3DPOOL pool);
    ~BaseTexture() override;
    void orphan() override;
    void freeGl();
    bool create();  // makes the GL texture; false on failure

    UINT levelWidth(UINT level) const { return std::max(1u, width_ >> level); }
    UINT levelHeight(UINT level) const { return std::max(1u, height_ >> level); }
    HRESULT levelDesc(UINT level, D3DSURFACE_DESC* desc) const;
    HRESULT lock(UINT face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT unlock(UINT face, UINT level);
    Surface* levelSurface(UINT face, UINT level);
    // Bytes staged in memory for locked levels (none once every lock is closed).
    std::size_t stagedBytes() const;
    virtual ULONG addRefInterface() = 0;
    virtual ULONG releaseInterface() = 0;
    virtual IDirect3DBaseTexture8* asBase() = 0;

    GLenum target() const { return target_; }
    GLuint name() const { return name_; }
    UINT levels() const { return levels_; }
    D3DFORMAT format() const { return format_; }
    DWORD usage() const { return usage_; }
    // Bumped by every upload; draw preparation re-reads texture parameters on change.
    std::uint64_t serial = 0;
    // Sampler settings last applied to this texture (filters, address modes, lod), so
    // draws only touch GL when a stage's settings differ.
    std::array<DWORD, 8> appliedSampler{};
    bool samplerValid = false;

  protected:
    GLenum target_;
    GLuint name_ = 0;
    UINT width_, height_, levels_;
    DWORD usage_;
    D3DFORMAT format_;
    GlFormat gl_;
    int faces_;
    // Managed and system-memory textures keep no copy of their levels: the GL texture
    // survives Reset (the context lives as long as the device), so a level is staged in
    // memory only from LockRect to the last UnlockRect, filled from GL when it was written
    // before, uploaded when a lock wrote, then freed. Render targets cannot be locked.
    struct LevelStage {
        std::vector<std::uint8_t> bytes;  // held only while locked
        int locks = 0;                    // all locks, read-only ones included
        int writeLocks = 0;
        bool filled = false;  // uploaded at least once; else it reads as zeros
    };
    bool stageLevel(UINT slot, UINT face, UINT level);
    bool lockable_ = false;
    std::vector<LevelStage> stages_;  // [face * levels + level]
    std::vector<std::unique_ptr<Surface>> surfaces_;
};

class Texture final : public ComObject<IDirect3DTexture8>, public BaseTexture {
  public:
    Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
            D3DPOOL pool)
        : BaseTexture(device, GL_TEXTURE_2D, width, height, levels, usage, format, pool) {}
    ULONG addRefInterface() override { return AddRef(); }
    ULONG releaseInterface() override { return Release(); }
    IDirect3DBaseTexture8* asBase() override { return this; }

    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return levels_; }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, CONST RECT* pRect,
                     DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;
    HRESULT AddDirtyRect(CONST RECT*) override { return D3D_OK; }
};

class CubeTexture final : public ComObject<IDirect3DCubeTexture8>, public BaseTexture {
  public:
    CubeTexture(Device* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
        : BaseTexture(device, GL_TEXTURE_CUBE_MAP, edge, edge, levels, usage, format, pool) {}
    ULONG addRefInterface() override { return AddRef(); }
    ULONG releaseInterface() override { return Release(); }
    IDirect3DBaseTexture8* asBase() override { return this; }

    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return levels_; }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level,
                              IDirect3DSurface8** ppCubeMapSurface) override;
    HRESULT LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect,
                     CONST RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) override;
    HRESULT AddDirtyRect(D3DCUBEMAP_FACES, CONST RECT*) override { return D3D_OK; }
};

BaseTexture* toBaseTexture(IDirect3DBaseTexture8* texture);

// Vertex and index buffers keep the whole content in memory (the managed pool's copy).
// Unlock records the changed byte range; the draw that next reads the buffer uploads it,
// so a buffer rewritten between two draws is drawn with the contents of each moment.
class Buffer : public DeviceChild {
  public:
    Buffer(Device* device, UINT length, DWORD usage, D3DPOOL pool, GLenum target);
    ~Buffer() override;
    void orphan() override;
    void freeGl();
    HRESULT lock(UINT offset, UINT size, BYTE** data, DWORD flags);
    HRESULT unlock();
    // Uploads the changed range to GL and leaves the buffer bound to its target.
    GLuint sync();
    UINT length() const { return static_cast<UINT>(data_.size()); }
    const std::uint8_t* data() const { return data_.data(); }
    DWORD usage() const { return usage_; }

  protected:
    std::vector<std::uint8_t> data_;
    DWORD usage_;
    GLenum target_;
    GLuint name_ = 0;
    UINT dirtyBegin_ = 0, dirtyEnd_ = 0;  // [begin, end) waiting for upload
    UINT lockBegin_ = 0, lockEnd_ = 0;
    int lockCount_ = 0;
    bool allocated_ = false;

  public:
    std::uint64_t serial = 0;  // bumped on every Unlock that changed data
};

class VertexBuffer final : public ComObject<IDirect3DVertexBuffer8>, public Buffer {
  public:
    VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
        : Buffer(device, length, usage, pool, GL_ARRAY_BUFFER), fvf_(fvf) {}
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override {
        return lock(OffsetToLock, SizeToLock, ppbData, Flags);
    }
    HRESULT Unlock() override { return unlock(); }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

  private:
    DWORD fvf_;
};

class IndexBuffer final : public ComObject<IDirect3DIndexBuffer8>, public Buffer {
  public:
    IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
        : Buffer(device, length, usage, pool, GL_ELEMENT_ARRAY_BUFFER), format_(format) {}
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override {
        return lock(OffsetToLock, SizeToLock, ppbData, Flags);
    }
    HRESULT Unlock() override { return unlock(); }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

    D3DFORMAT format() const { return format_; }
    UINT indexSize() const { return format_ == D3DFMT_INDEX32 ? 4 : 2; }
    // Largest index in [first, first + count); cached until the buffer changes.
    UINT maxIndex(UINT first, UINT count);

  private:
    D3DFORMAT format_;
    UINT cacheFirst_ = 0, cacheCount_ = 0, cacheMax_ = 0;
    std::uint64_t cacheSerial_ = ~0ull;
};

}  // namespace eh::d3d8
