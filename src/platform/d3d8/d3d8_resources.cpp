// Textures, surfaces, vertex and index buffers.
#include <algorithm>
#include <cstring>

#include "platform/d3d8/d3d8_device.h"

namespace eh::d3d8 {

GlFormat glFormatOf(D3DFORMAT format) {
    GlFormat f;
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            // Bytes B, G, R, A in memory: BGRA with the reversed 8-8-8-8 packing.
            f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4};
            break;
        case D3DFMT_R5G6B5:
            f = {GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2};
            break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            f = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2};
            break;
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
            f = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2};
            break;
        case D3DFMT_L8:
            f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1};
            f.swizzle = {GL_RED, GL_RED, GL_RED, GL_ONE};
            break;
        case D3DFMT_A8:
            f = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1};
            f.swizzle = {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED};
            break;
        case D3DFMT_A8L8:
            f = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, 2};
            f.swizzle = {GL_RED, GL_RED, GL_RED, GL_GREEN};
            break;
        default:
            return f;
    }
    // X formats (and R5G6B5) sample alpha as 1, whatever the unused bits hold.
    if (format == D3DFMT_X8R8G8B8 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_X4R4G4B4 ||
        format == D3DFMT_R5G6B5) {
        f.swizzle[3] = GL_ONE;
    }
    return f;
}

bool isDepthFormat(D3DFORMAT format) {
    return glDepthFormatOf(format) != 0;
}

GLenum glDepthFormatOf(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16:
            return GL_DEPTH_COMPONENT16;
        case D3DFMT_D24X8:
            return GL_DEPTH_COMPONENT24;
        case D3DFMT_D24S8:
            return GL_DEPTH24_STENCIL8;
        // GL 3.3 does not require a 32-bit integer depth renderbuffer; the float format
        // keeps at least the precision Direct3D's D32 offers over 0..1.
        case D3DFMT_D32:
            return GL_DEPTH_COMPONENT32F;
        default:
            return 0;
    }
}

bool isBackBufferFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R5G6B5 ||
           format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5;
}

// ---------------------------------------------------------------------------------------
DeviceChild::DeviceChild(Device* device, D3DPOOL pool, bool counted)
    : device_(device), pool_(pool), counted_(counted) {
    if (device_ != nullptr) device_->addChild(this, counted_);
}

DeviceChild::~DeviceChild() {
    if (device_ != nullptr) device_->removeChild(this, counted_);
}

// ---------------------------------------------------------------------------------------
Surface::Surface(Device* device, Kind k, D3DFORMAT fmt, UINT w, UINT h, D3DMULTISAMPLE_TYPE ms,
                 D3DPOOL pool, DWORD use, bool counted)
    : DeviceChild(device, pool, counted),
      kind(k),
      format(fmt),
      width(w),
      height(h),
      multiSample(ms),
      usage(use) {}

Surface::~Surface() {
    freeGl();
}

void Surface::freeGl() {
    if (device_ != nullptr && (renderbuffer != 0 || texture != 0)) {
        device_->makeCurrent();
        if (renderbuffer != 0) glDeleteRenderbuffers(1, &renderbuffer);
        if (texture != 0) glDeleteTextures(1, &texture);
    }
    renderbuffer = 0;
    texture = 0;
}

void Surface::orphan() {
    freeGl();
    DeviceChild::orphan();
}

ULONG Surface::AddRef() {
    if (owner != nullptr) return owner->addRefInterface();
    return ComObject::AddRef();
}

ULONG Surface::Release() {
    if (owner != nullptr) return owner->releaseInterface();
    return ComObject::Release();
}

HRESULT Surface::GetDevice(IDirect3DDevice8** ppDevice) {
    if (ppDevice == nullptr || device_ == nullptr) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *ppDevice = device_;
    return D3D_OK;
}

HRESULT Surface::GetContainer(REFIID, void** ppContainer) {
    if (ppContainer == nullptr) return D3DERR_INVALIDCALL;
    if (owner == nullptr) {
        *ppContainer = nullptr;
        return E_NOINTERFACE;
    }
    owner->addRefInterface();
    *ppContainer = owner->asBase();
    return D3D_OK;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* pDesc) {
    if (pDesc == nullptr) return D3DERR_INVALIDCALL;
    const GlFormat gl = glFormatOf(format);
    pDesc->Format = format;
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Usage = usage;
    pDesc->Pool = pool_;
    pDesc->Size = width * height * static_cast<UINT>(gl.bytesPerPixel > 0 ? gl.bytesPerPixel : 4);
    pDesc->MultiSampleType = multiSample;
    pDesc->Width = width;
    pDesc->Height = height;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* pLockedRect, CONST RECT* pRect, DWORD Flags) {
    if (pLockedRect == nullptr) return D3DERR_INVALIDCALL;
    if (kind == Kind::kTextureLevel && owner != nullptr) {
        const UINT faceIndex = face == GL_TEXTURE_2D ? 0 : face - GL_TEXTURE_CUBE_MAP_POSITIVE_X;
        return owner->lock(faceIndex, level, pLockedRect, pRect, Flags);
    }
    if (kind != Kind::kImage) return D3DERR_INVALIDCALL;
    const int bpp = glFormatOf(format).bytesPerPixel;
    const RECT whole = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    const RECT r = pRect != nullptr ? *pRect : whole;
    if (r.left < 0 || r.top < 0 || r.right > whole.right || r.bottom > whole.bottom ||
        r.left >= r.right || r.top >= r.bottom) {
        return D3DERR_INVALIDCALL;
    }
    pLockedRect->Pitch = static_cast<INT>(width) * bpp;
    pLockedRect->pBits = pixels.data() + static_cast<std::size_t>(r.top) * width * bpp +
                         static_cast<std::size_t>(r.left) * bpp;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (kind == Kind::kTextureLevel && owner != nullptr) {
        const UINT faceIndex = face == GL_TEXTURE_2D ? 0 : face - GL_TEXTURE_CUBE_MAP_POSITIVE_X;
        return owner->unlock(faceIndex, level);
    }
    return kind == Kind::kImage ? D3D_OK : D3DERR_INVALIDCALL;
}

// ---------------------------------------------------------------------------------------
BaseTexture::BaseTexture(Device* device, GLenum target, UINT width, UINT height, UINT levels,
                         DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : DeviceChild(device, pool, pool == D3DPOOL_DEFAULT),
      target_(target),
      width_(width),
      height_(height),
      levels_(levels),
      usage_(usage),
      format_(format),
      gl_(glFormatOf(format)),
      faces_(target == GL_TEXTURE_CUBE_MAP ? 6 : 1) {
    if (levels_ == 0) {  // 0 asks for the full chain down to 1 x 1
        UINT side = std::max(width, height);
        levels_ = 1;
        while (side > 1) side >>= 1, ++levels_;
    }
}

BaseTexture::~BaseTexture() {
    freeGl();
}

void BaseTexture::freeGl() {
    if (device_ != nullptr && name_ != 0) {
        device_->makeCurrent();
        glDeleteTextures(1, &name_);
    }
    name_ = 0;
}

void BaseTexture::orphan() {
    freeGl();
    for (auto& s : surfaces_) {
        if (s) s->orphan();
    }
    DeviceChild::orphan();
}

bool BaseTexture::create() {
    if (gl_.bytesPerPixel == 0 || width_ == 0 || height_ == 0) return false;
    const bool renderTarget = (usage_ & D3DUSAGE_RENDERTARGET) != 0;
    glGenTextures(1, &name_);
    glBindTexture(target_, name_);
    glTexParameteri(target_, GL_TEXTURE_BASE_LEVEL, 0);
    // Without MAX_LEVEL a texture with fewer levels than the full chain is incomplete
    // under a mipmapping filter and samples black.
    glTexParameteri(target_, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels_) - 1);
    glTexParameteriv(target_, GL_TEXTURE_SWIZZLE_RGBA, gl_.swizzle.data());
    GLenum internal = gl_.internalFormat;
    if (renderTarget && format_ == D3DFMT_X8R8G8B8) internal = GL_RGB8;
    for (int f = 0; f < faces_; ++f) {
        const GLenum t = faces_ == 6 ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + f : GL_TEXTURE_2D;
        for (UINT l = 0; l < levels_; ++l) {
            glTexImage2D(t, static_cast<GLint>(l), static_cast<GLint>(internal),
                         static_cast<GLsizei>(levelWidth(l)), static_cast<GLsizei>(levelHeight(l)),
                         0, gl_.format, gl_.type, nullptr);
        }
    }
    if (glGetError() != GL_NO_ERROR) return false;
    const std::size_t slots = static_cast<std::size_t>(faces_) * levels_;
    surfaces_.resize(slots);
    stages_.assign(slots, LevelStage{});
    lockable_ = !renderTarget;
    return true;
}

// Gives the level its staging bytes: the texture's current content read back from GL when
// it was ever uploaded, else zeros (what a new level reads). False when the content is
// gone with the device.
bool BaseTexture::stageLevel(UINT slot, UINT face, UINT level) {
    LevelStage& stage = stages_[slot];
    const std::size_t size =
        static_cast<std::size_t>(levelWidth(level)) * levelHeight(level) * gl_.bytesPerPixel;
    if (!stage.filled) {
        stage.bytes.assign(size, 0);
        return true;
    }
    if (device_ == nullptr || name_ == 0) return false;
    stage.bytes.resize(size);
    device_->makeCurrent();
    glBindTexture(target_, name_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    const GLenum t = faces_ == 6 ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : GL_TEXTURE_2D;
    glGetTexImage(t, static_cast<GLint>(level), gl_.format, gl_.type, stage.bytes.data());
    return true;
}

std::size_t BaseTexture::stagedBytes() const {
    std::size_t total = 0;
    for (const LevelStage& stage : stages_) total += stage.bytes.capacity();
    return total;
}

HRESULT BaseTexture::levelDesc(UINT level, D3DSURFACE_DESC* desc) const {
    if (desc == nullptr || level >= levels_) return D3DERR_INVALIDCALL;
    desc->Format = format_;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage_;
    desc->Pool = pool_;
    desc->Size = levelWidth(level) * levelHeight(level) * static_cast<UINT>(gl_.bytesPerPixel);
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->Width = levelWidth(level);
    desc->Height = levelHeight(level);
    return D3D_OK;
}

HRESULT BaseTexture::lock(UINT face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                          DWORD flags) {
    if (locked == nullptr || level >= levels_ || face >= static_cast<UINT>(faces_) ||
        !lockable_) {
        return D3DERR_INVALIDCALL;  // render targets have no memory copy to lock
    }
    const UINT w = levelWidth(level), h = levelHeight(level);
    const RECT whole = {0, 0, static_cast<LONG>(w), static_cast<LONG>(h)};
    const RECT r = rect != nullptr ? *rect : whole;
    if (r.left < 0 || r.top < 0 || r.right > whole.right || r.bottom > whole.bottom ||
        r.left >= r.right || r.top >= r.bottom) {
        return D3DERR_INVALIDCALL;
    }
    const UINT slot = face * levels_ + level;
    LevelStage& stage = stages_[slot];
    if (stage.locks == 0 && !stageLevel(slot, face, level)) return D3DERR_INVALIDCALL;
    auto& bytes = stage.bytes;
    locked->Pitch = static_cast<INT>(w) * gl_.bytesPerPixel;
    locked->pBits = bytes.data() + static_cast<std::size_t>(r.top) * locked->Pitch +
                    static_cast<std::size_t>(r.left) * gl_.bytesPerPixel;
    ++stage.locks;
    if (!(flags & D3DLOCK_READONLY)) ++stage.writeLocks;
    return D3D_OK;
}

HRESULT BaseTexture::unlock(UINT face, UINT level) {
    if (level >= levels_ || face >= static_cast<UINT>(faces_) || !lockable_) {
        return D3DERR_INVALIDCALL;
    }
    LevelStage& stage = stages_[face * levels_ + level];
    if (stage.locks == 0) return D3D_OK;  // not locked: nothing to do
    if (--stage.locks > 0) return D3D_OK;
    const bool wrote = stage.writeLocks > 0;
    stage.writeLocks = 0;
    if (wrote && device_ != nullptr && name_ != 0) {
        device_->makeCurrent();
        glBindTexture(target_, name_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        const GLenum t = faces_ == 6 ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : GL_TEXTURE_2D;
        glTexSubImage2D(t, static_cast<GLint>(level), 0, 0,
                        static_cast<GLsizei>(levelWidth(level)),
                        static_cast<GLsizei>(levelHeight(level)), gl_.format, gl_.type,
                        stage.bytes.data());
        stage.filled = true;
        ++serial;
        device_->textureChanged();
    }
    // GL holds the content now; the staging copy goes.
    std::vector<std::uint8_t>().swap(stage.bytes);
    return D3D_OK;
}

Surface* BaseTexture::levelSurface(UINT face, UINT level) {
    if (level >= levels_ || face >= static_cast<UINT>(faces_) || device_ == nullptr) {
        return nullptr;
    }
    auto& slot = surfaces_[face * levels_ + level];
    if (!slot) {
        slot = std::make_unique<Surface>(device_, Surface::Kind::kTextureLevel, format_,
                                         levelWidth(level), levelHeight(level), D3DMULTISAMPLE_NONE,
                                         pool_, usage_, false);
        slot->owner = this;
        slot->level = level;
        slot->face = faces_ == 6 ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : GL_TEXTURE_2D;
    }
    return slot.get();
}

BaseTexture* toBaseTexture(IDirect3DBaseTexture8* texture) {
    if (texture == nullptr) return nullptr;
    switch (texture->GetType()) {
        case D3DRTYPE_TEXTURE:
            return static_cast<Texture*>(texture);
        case D3DRTYPE_CUBETEXTURE:
            return static_cast<CubeTexture*>(texture);
        default:
            return nullptr;
    }
}

// ---------------------------------------------------------------------------------------
HRESULT Texture::GetDevice(IDirect3DDevice8** ppDevice) {
    if (ppDevice == nullptr || device_ == nullptr) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *ppDevice = device_;
    return D3D_OK;
}

HRESULT Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    return levelDesc(Level, pDesc);
}

HRESULT Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) {
    if (ppSurfaceLevel == nullptr) return D3DERR_INVALIDCALL;
    Surface* s = levelSurface(0, Level);
    if (s == nullptr) return D3DERR_INVALIDCALL;
    s->AddRef();
    *ppSurfaceLevel = s;
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, CONST RECT* pRect, DWORD Flags) {
    return lock(0, Level, pLockedRect, pRect, Flags);
}

HRESULT Texture::UnlockRect(UINT Level) {
    return unlock(0, Level);
}

HRESULT CubeTexture::GetDevice(IDirect3DDevice8** ppDevice) {
    if (ppDevice == nullptr || device_ == nullptr) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *ppDevice = device_;
    return D3D_OK;
}

HRESULT CubeTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    return levelDesc(Level, pDesc);
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level,
                                       IDirect3DSurface8** ppCubeMapSurface) {
    if (ppCubeMapSurface == nullptr) return D3DERR_INVALIDCALL;
    Surface* s = levelSurface(FaceType, Level);
    if (s == nullptr) return D3DERR_INVALIDCALL;
    s->AddRef();
    *ppCubeMapSurface = s;
    return D3D_OK;
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect,
                              CONST RECT* pRect, DWORD Flags) {
    return lock(FaceType, Level, pLockedRect, pRect, Flags);
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) {
    return unlock(FaceType, Level);
}

// ---------------------------------------------------------------------------------------
Buffer::Buffer(Device* device, UINT length, DWORD usage, D3DPOOL pool, GLenum target)
    : DeviceChild(device, pool, pool == D3DPOOL_DEFAULT),
      data_(length, 0),
      usage_(usage),
      target_(target) {
    dirtyBegin_ = 0;
    dirtyEnd_ = length;
}

Buffer::~Buffer() {
    freeGl();
}

void Buffer::freeGl() {
    if (device_ != nullptr && name_ != 0) {
        device_->makeCurrent();
        glDeleteBuffers(1, &name_);
    }
    name_ = 0;
}

void Buffer::orphan() {
    freeGl();
    DeviceChild::orphan();
}

HRESULT Buffer::lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    if (data == nullptr) return D3DERR_INVALIDCALL;
    const UINT length = this->length();
    if (offset > length) return D3DERR_INVALIDCALL;
    if (size == 0) size = length - offset;  // 0 locks to the end of the buffer
    if (size > length - offset) return D3DERR_INVALIDCALL;
    *data = data_.data() + offset;
    if (!(flags & D3DLOCK_READONLY)) {
        if (lockCount_ == 0) {
            lockBegin_ = offset;
            lockEnd_ = offset + size;
        } else {
            lockBegin_ = std::min(lockBegin_, offset);
            lockEnd_ = std::max(lockEnd_, offset + size);
        }
        ++lockCount_;
    }
    return D3D_OK;
}

HRESULT Buffer::unlock() {
    if (lockCount_ == 0) return D3D_OK;
    if (--lockCount_ > 0) return D3D_OK;
    if (dirtyBegin_ == dirtyEnd_) {
        dirtyBegin_ = lockBegin_;
        dirtyEnd_ = lockEnd_;
    } else {
        dirtyBegin_ = std::min(dirtyBegin_, lockBegin_);
        dirtyEnd_ = std::max(dirtyEnd_, lockEnd_);
    }
    ++serial;
    return D3D_OK;
}

GLuint Buffer::sync() {
    if (name_ == 0) glGenBuffers(1, &name_);
    glBindBuffer(target_, name_);
    if (dirtyBegin_ < dirtyEnd_) {
        const GLsizeiptr length = static_cast<GLsizeiptr>(data_.size());
        if (!allocated_ || (dirtyBegin_ == 0 && dirtyEnd_ == data_.size())) {
            // Whole-buffer rewrites orphan the old storage, so a draw still reading it is
            // never waited for.
            glBufferData(target_, length, data_.data(), GL_DYNAMIC_DRAW);
            allocated_ = true;
        } else {
            glBufferSubData(target_, dirtyBegin_, dirtyEnd_ - dirtyBegin_,
                            data_.data() + dirtyBegin_);
        }
        dirtyBegin_ = dirtyEnd_ = 0;
    }
    return name_;
}

HRESULT VertexBuffer::GetDevice(IDirect3DDevice8** ppDevice) {
    if (ppDevice == nullptr || device_ == nullptr) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *ppDevice = device_;
    return D3D_OK;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
    if (pDesc == nullptr) return D3DERR_INVALIDCALL;
    pDesc->Format = D3DFMT_VERTEXDATA;
    pDesc->Type = D3DRTYPE_VERTEXBUFFER;
    pDesc->Usage = usage_;
    pDesc->Pool = pool_;
    pDesc->Size = length();
    pDesc->FVF = fvf_;
    return D3D_OK;
}

HRESULT IndexBuffer::GetDevice(IDirect3DDevice8** ppDevice) {
    if (ppDevice == nullptr || device_ == nullptr) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *ppDevice = device_;
    return D3D_OK;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
    if (pDesc == nullptr) return D3DERR_INVALIDCALL;
    pDesc->Format = format_;
    pDesc->Type = D3DRTYPE_INDEXBUFFER;
    pDesc->Usage = usage_;
    pDesc->Pool = pool_;
    pDesc->Size = length();
    return D3D_OK;
}

UINT IndexBuffer::maxIndex(UINT first, UINT count) {
    if (cacheSerial_ == serial && cacheFirst_ == first && cacheCount_ == count) return cacheMax_;
    UINT best = 0;
    const std::uint8_t* p = data_.data() + static_cast<std::size_t>(first) * indexSize();
    for (UINT i = 0; i < count; ++i) {
        UINT v;
        if (indexSize() == 2) {
            std::uint16_t s;
            std::memcpy(&s, p + 2 * i, 2);
            v = s;
        } else {
            std::uint32_t s;
            std::memcpy(&s, p + 4 * i, 4);
            v = s;
        }
        best = std::max(best, v);
    }
    cacheSerial_ = serial;
    cacheFirst_ = first;
    cacheCount_ = count;
    cacheMax_ = best;
    return best;
}

}  // namespace eh::d3d8
