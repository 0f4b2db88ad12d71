// Device lifetime: construction and init, the back buffer and render-target binding,
// destruction, loss, TestCooperativeLevel and Reset, and the calls outside Direct3D.
#include "platform/d3d8/d3d8_device.h"

#include <SDL.h>

#include <cstdio>

#include "platform/d3d8/d3d8_ext.h"
#include "platform/os/sdl/sdl_window.h"

namespace eh::d3d8 {

GLuint compileProgram(const std::string& vertex, const std::string& fragment, std::string* log) {
    auto stage = [log](GLenum type, const std::string& text) -> GLuint {
        GLuint s = glCreateShader(type);
        const char* src = text.c_str();
        glShaderSource(s, 1, &src, nullptr);
        glCompileShader(s);
        GLint ok = 0;
        glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
        if (!ok) {
            char buf[2048];
            glGetShaderInfoLog(s, sizeof(buf), nullptr, buf);
            if (log != nullptr) *log = buf;
            glDeleteShader(s);
            return 0;
        }
        return s;
    };
    GLuint vs = stage(GL_VERTEX_SHADER, vertex);
    if (vs == 0) return 0;
    GLuint fs = stage(GL_FRAGMENT_SHADER, fragment);
    if (fs == 0) {
        glDeleteShader(vs);
        return 0;
    }
    GLuint p = glCreateProgram();
    glAttachShader(p, vs);
    glAttachShader(p, fs);
    glLinkProgram(p);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        char buf[2048];
        glGetProgramInfoLog(p, sizeof(buf), nullptr, buf);
        if (log != nullptr) *log = buf;
        glDeleteProgram(p);
        return 0;
    }
    return p;
}

Device* toDevice(IDirect3DDevice8* device) {
    return static_cast<Device*>(device);
}

Device::Device(Direct3D* d3d, UINT adapter, HWND window, DWORD flags)
    : d3d_(d3d), adapter_(adapter), window_(window), behaviorFlags_(flags) {
    d3d_->AddRef();
    for (int i = 0; i < 256; ++i) {
        gamma_.red[i] = gamma_.green[i] = gamma_.blue[i] = static_cast<WORD>(i * 257);
    }
}

Device::~Device() {
    if (context_ != nullptr) {
        makeCurrent();
        releaseBindings();
        if (renderTarget_ != nullptr) renderTarget_->Release();
        if (depthStencil_ != nullptr) depthStencil_->Release();
        renderTarget_ = depthStencil_ = nullptr;
        destroyBackBuffer();
        for (auto& [key, program] : programs_) glDeleteProgram(program->name);
        programs_.clear();
        if (gammaProgram_ != 0) glDeleteProgram(gammaProgram_);
        if (lutTex_ != 0) glDeleteTextures(1, &lutTex_);
        if (vao_ != 0) glDeleteVertexArrays(1, &vao_);
        if (emptyVao_ != 0) glDeleteVertexArrays(1, &emptyVao_);
        glDeleteSamplers(kMaxStages, samplers_.data());
        if (drawFbo_ != 0) glDeleteFramebuffers(1, &drawFbo_);
        // Objects the program still holds become shells without GL names.
        for (DeviceChild* child : children_) child->orphan();
        children_.clear();
        SDL_GL_MakeCurrent(window_->sdl, nullptr);
        SDL_GL_DeleteContext(context_);
    }
    d3d_->Release();
}

void Device::makeCurrent() {
    if (SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(window_->sdl, context_);
}

std::size_t Device::stagedTextureBytes() const {
    std::size_t total = 0;
    for (DeviceChild* child : children_) {
        if (const auto* texture = dynamic_cast<const BaseTexture*>(child)) total += texture->stagedBytes();
    }
    return total;
}

void Device::addChild(DeviceChild* child, bool counted) {
    children_.insert(child);
    if (counted) ++liveDefaultPool_;
}

void Device::removeChild(DeviceChild* child, bool counted) {
    children_.erase(child);
    if (counted) --liveDefaultPool_;
}

HRESULT Device::init(const D3DPRESENT_PARAMETERS& pp) {
    caps_ = d3d_->glCaps();
    if (!caps_.ok) return D3DERR_NOTAVAILABLE;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    context_ = SDL_GL_CreateContext(window_->sdl);
    if (context_ == nullptr) {
        std::fprintf(stderr, "d3d8: no GL 3.3 core context: %s\n", SDL_GetError());
        return D3DERR_NOTAVAILABLE;
    }
    makeCurrent();
    zeroToOne_ = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
    if (zeroToOne_) glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glGenFramebuffers(1, &drawFbo_);
    glGenVertexArrays(1, &vao_);
    glGenVertexArrays(1, &emptyVao_);
    glBindVertexArray(vao_);  // the only vertex array draws use
    glGenSamplers(kMaxStages, samplers_.data());
    HRESULT hr = createGammaResources();
    if (FAILED(hr)) return hr;
    hr = createBackBuffer(pp);
    if (FAILED(hr)) return hr;
    setDefaultState();
    return D3D_OK;
}

HRESULT Device::createBackBuffer(const D3DPRESENT_PARAMETERS& in) {
    D3DPRESENT_PARAMETERS pp = in;
    if (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0) {
        int w = 0, h = 0;
        SDL_GetWindowSize(window_->sdl, &w, &h);
        if (pp.BackBufferWidth == 0) pp.BackBufferWidth = static_cast<UINT>(w);
        if (pp.BackBufferHeight == 0) pp.BackBufferHeight = static_cast<UINT>(h);
    }
    if (pp.BackBufferFormat == D3DFMT_UNKNOWN) pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (pp.BackBufferCount == 0) pp.BackBufferCount = 1;
    const GLint maxSize = caps_.maxTextureSize;
    if (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0 ||
        pp.BackBufferWidth > static_cast<UINT>(maxSize) ||
        pp.BackBufferHeight > static_cast<UINT>(maxSize) ||
        !isBackBufferFormat(pp.BackBufferFormat) || pp.BackBufferCount > 3 ||
        pp.MultiSampleType == kNoSuchMultiSampleType ||
        pp.MultiSampleType > D3DMULTISAMPLE_16_SAMPLES ||
        static_cast<int>(pp.MultiSampleType) > caps_.maxSamples ||
        (pp.EnableAutoDepthStencil && !isDepthFormat(pp.AutoDepthStencilFormat))) {
        return D3DERR_INVALIDCALL;
    }
    const UINT w = pp.BackBufferWidth, h = pp.BackBufferHeight;
    const GLsizei samples = static_cast<GLsizei>(pp.MultiSampleType);
    const GLenum colorFormat =
        pp.BackBufferFormat == D3DFMT_A8R8G8B8 || pp.BackBufferFormat == D3DFMT_A1R5G5B5 ? GL_RGBA8
                                                                                         : GL_RGB8;
    while (glGetError() != GL_NO_ERROR) {
    }
    backBuffer_ = new Surface(this, Surface::Kind::kBackBuffer, pp.BackBufferFormat, w, h,
                              pp.MultiSampleType, D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET, false);
    if (samples > 0) {
        glGenRenderbuffers(1, &backBuffer_->renderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, backBuffer_->renderbuffer);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, colorFormat,
                                         static_cast<GLsizei>(w), static_cast<GLsizei>(h));
        glGenTextures(1, &resolveTex_);
        glBindTexture(GL_TEXTURE_2D, resolveTex_);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(colorFormat), static_cast<GLsizei>(w),
                     static_cast<GLsizei>(h), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenFramebuffers(1, &resolveFbo_);
        glBindFramebuffer(GL_FRAMEBUFFER, resolveFbo_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, resolveTex_, 0);
    } else {
        glGenTextures(1, &backBuffer_->texture);
        glBindTexture(GL_TEXTURE_2D, backBuffer_->texture);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(colorFormat), static_cast<GLsizei>(w),
                     static_cast<GLsizei>(h), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenFramebuffers(1, &srcFbo_);
        glBindFramebuffer(GL_FRAMEBUFFER, srcFbo_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                               backBuffer_->texture, 0);
    }
    for (GLuint t : {resolveTex_, backBuffer_->texture}) {
        if (t == 0) continue;
        glBindTexture(GL_TEXTURE_2D, t);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    }
    // The front buffer takes the back buffer's format: Present's copy between two images of
    // one format and size is a plain copy, where a format change needs a shader pass
    // (compiled on the first Present by a software renderer).
    glGenTextures(1, &frontTex_);
    glBindTexture(GL_TEXTURE_2D, frontTex_);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(colorFormat), static_cast<GLsizei>(w),
                 static_cast<GLsizei>(h), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenFramebuffers(1, &frontFbo_);
    glBindFramebuffer(GL_FRAMEBUFFER, frontFbo_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, frontTex_, 0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (pp.EnableAutoDepthStencil) {
        autoDepth_ = new Surface(this, Surface::Kind::kDepth, pp.AutoDepthStencilFormat, w, h,
                                 pp.MultiSampleType, D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, false);
        glGenRenderbuffers(1, &autoDepth_->renderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, autoDepth_->renderbuffer);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples,
                                         glDepthFormatOf(pp.AutoDepthStencilFormat),
                                         static_cast<GLsizei>(w), static_cast<GLsizei>(h));
    }
    if (glGetError() != GL_NO_ERROR) {
        destroyBackBuffer();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    pp_ = pp;
    backBuffer_->AddRef();
    renderTarget_ = backBuffer_;
    if (autoDepth_ != nullptr) {
        autoDepth_->AddRef();
        depthStencil_ = autoDepth_;
    }
    bindRenderTarget();
    return D3D_OK;
}

void Device::destroyBackBuffer() {
    for (GLuint* fbo : {&resolveFbo_, &frontFbo_, &srcFbo_}) {
        if (*fbo != 0) glDeleteFramebuffers(1, fbo);
        *fbo = 0;
    }
    for (GLuint* tex : {&resolveTex_, &frontTex_}) {
        if (*tex != 0) glDeleteTextures(1, tex);
        *tex = 0;
    }
    if (backBuffer_ != nullptr) backBuffer_->Release();
    if (autoDepth_ != nullptr) autoDepth_->Release();
    backBuffer_ = autoDepth_ = nullptr;
}

void Device::bindRenderTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    Surface* rt = renderTarget_;
    if (rt->kind == Surface::Kind::kBackBuffer) {
        if (rt->renderbuffer != 0) {
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                      rt->renderbuffer);
        } else {
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, rt->texture,
                                   0);
        }
    } else {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, rt->face, rt->owner->name(),
                               static_cast<GLint>(rt->level));
    }
    const GLuint depth = depthStencil_ != nullptr ? depthStencil_->renderbuffer : 0;
    const bool stencil = depthStencil_ != nullptr && depthStencil_->format == D3DFMT_D24S8;
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                              stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                              GL_RENDERBUFFER, depth);
    // Setting a render target resets the viewport to the whole target.
    viewport_ = {0, 0, rt->width, rt->height, 0.0f, 1.0f};
    dirty_ |= kDirtyViewport;
    bump(kUViewport);
}

void Device::releaseBindings() {
    for (auto& t : textures_) {
        if (t != nullptr) t->releaseInterface();
        t = nullptr;
    }
    if (stream_ != nullptr) stream_->Release();
    if (indices_ != nullptr) indices_->Release();
    stream_ = nullptr;
    indices_ = nullptr;
}

bool Device::windowGone() const {
    const Uint32 flags = SDL_GetWindowFlags(window_->sdl);
    if (flags & SDL_WINDOW_MINIMIZED) return true;
    return !window_->offscreen && (flags & SDL_WINDOW_HIDDEN);
}

HRESULT Device::TestCooperativeLevel() {
    if (loss_ == Loss::kOk && (forcedLoss_ || windowGone())) loss_ = Loss::kLost;
    forcedLoss_ = false;
    if (loss_ == Loss::kLost) {
        // Lost now; once the window is back, the next call asks for a Reset.
        if (!windowGone()) loss_ = Loss::kNotReset;
        return D3DERR_DEVICELOST;
    }
    if (loss_ == Loss::kNotReset) return D3DERR_DEVICENOTRESET;
    return D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) {
    if (pPresentationParameters == nullptr) return D3DERR_INVALIDCALL;
    makeCurrent();
    if (windowGone()) {
        loss_ = Loss::kLost;
        return D3DERR_DEVICELOST;
    }
    // Default-pool objects (render targets, depth surfaces) must be gone first.
    if (liveDefaultPool_ > 0) {
        loss_ = Loss::kNotReset;
        return D3DERR_INVALIDCALL;
    }
    releaseBindings();
    if (renderTarget_ != nullptr) renderTarget_->Release();
    if (depthStencil_ != nullptr) depthStencil_->Release();
    renderTarget_ = depthStencil_ = nullptr;
    const D3DPRESENT_PARAMETERS old = pp_;
    destroyBackBuffer();
    HRESULT hr = createBackBuffer(*pPresentationParameters);
    if (FAILED(hr)) {
        // Keep a usable device: bring back the previous back buffer, stay "not reset".
        createBackBuffer(old);
        setDefaultState();
        loss_ = Loss::kNotReset;
        return hr;
    }
    setDefaultState();
    loss_ = Loss::kOk;
    forcedLoss_ = false;
    return D3D_OK;
}

HRESULT Device::GetDirect3D(IDirect3D8** ppD3D8) {
    if (ppD3D8 == nullptr) return D3DERR_INVALIDCALL;
    d3d_->AddRef();
    *ppD3D8 = d3d_;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS8* pCaps) {
    if (pCaps == nullptr) return D3DERR_INVALIDCALL;
    d3d_->fillCaps(adapter_, pCaps);
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(D3DDISPLAYMODE* pMode) {
    if (pMode == nullptr) return D3DERR_INVALIDCALL;
    *pMode = {pp_.BackBufferWidth, pp_.BackBufferHeight, 0, pp_.BackBufferFormat};
    return D3D_OK;
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) {
    if (pParameters == nullptr) return D3DERR_INVALIDCALL;
    *pParameters = {adapter_, D3DDEVTYPE_HAL, window_, behaviorFlags_};
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------
HRESULT SimulateDeviceLoss(IDirect3DDevice8* device) {
    if (device == nullptr) return D3DERR_INVALIDCALL;
    toDevice(device)->forceLost();
    return D3D_OK;
}

HRESULT GetDeviceStats(IDirect3DDevice8* device, DeviceStats* stats) {
    if (device == nullptr || stats == nullptr) return D3DERR_INVALIDCALL;
    stats->programs = toDevice(device)->programCount();
    stats->draws = toDevice(device)->drawCount();
    stats->stagedTextureBytes = toDevice(device)->stagedTextureBytes();
    return D3D_OK;
}

}  // namespace eh::d3d8
