// Device lifetime, recorded state, render targets, loss and reset, Clear, Present, gamma.
#include "platform/d3d8/d3d8_device.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/d3d8/d3d8_ext.h"
#include "platform/os/window.h"

namespace eh::d3d8 {
namespace {

DWORD floatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// Render states that exist in Direct3D 8 (the setter refuses the others).
bool knownRenderState(DWORD s) {
    static const DWORD kStates[] = {7,   8,   9,   10,  14,  15,  16,  19,  20,  22,  23,  24,  25,
                                    26,  27,  28,  29,  30,  34,  35,  36,  37,  38,  40,  47,  48,
                                    52,  53,  54,  55,  56,  57,  58,  59,  60,  128, 129, 130, 131,
                                    132, 133, 134, 135, 136, 137, 139, 140, 141, 142, 143, 145, 146,
                                    147, 148, 151, 152, 153, 154, 155, 156, 157, 158, 159, 160, 161,
                                    162, 163, 164, 165, 166, 167, 168, 170, 171, 172, 173};
    return std::find(std::begin(kStates), std::end(kStates), s) != std::end(kStates);
}

const char* kGammaVs =
    "#version 330 core\n"
    "out vec2 uv;\n"
    "void main() {\n"
    "    vec2 p = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));\n"
    "    uv = p;\n"
    "    gl_Position = vec4(p * 2.0 - 1.0, 0.0, 1.0);\n"
    "}\n";
// The ramp's 16-bit entries drive an 8-bit output through their top byte, as display
// hardware does; the LUT holds those bytes.
const char* kGammaFs =
    "#version 330 core\n"
    "in vec2 uv;\n"
    "uniform sampler2D uImage;\n"
    "uniform sampler2D uLut;\n"
    "out vec4 fragColor;\n"
    "void main() {\n"
    "    vec3 c = texture(uImage, uv).rgb;\n"
    "    ivec3 i = ivec3(floor(clamp(c, 0.0, 1.0) * 255.0 + 0.5));\n"
    "    fragColor = vec4(texelFetch(uLut, ivec2(i.r, 0), 0).r,\n"
    "                     texelFetch(uLut, ivec2(i.g, 0), 0).g,\n"
    "                     texelFetch(uLut, ivec2(i.b, 0), 0).b, 1.0);\n"
    "}\n";

}  // namespace

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
    std::string log;
    gammaProgram_ = compileProgram(kGammaVs, kGammaFs, &log);
    if (gammaProgram_ == 0) {
        std::fprintf(stderr, "d3d8: gamma program: %s\n", log.c_str());
        return D3DERR_NOTAVAILABLE;
    }
    glUseProgram(gammaProgram_);
    glUniform1i(glGetUniformLocation(gammaProgram_, "uImage"), 0);
    glUniform1i(glGetUniformLocation(gammaProgram_, "uLut"), 1);
    glGenTextures(1, &lutTex_);
    glBindTexture(GL_TEXTURE_2D, lutTex_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 256, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    SetGammaRamp(0, &gamma_);
    const HRESULT hr = createBackBuffer(pp);
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
        pp.MultiSampleType == 1 || pp.MultiSampleType > 16 ||
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
    glGenTextures(1, &frontTex_);
    glBindTexture(GL_TEXTURE_2D, frontTex_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0,
                 GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
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

void Device::setDefaultState() {
    releaseBindings();
    rs_.fill(0);
    rs_[D3DRS_ZENABLE] = pp_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs_[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs_[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs_[D3DRS_ZWRITEENABLE] = TRUE;
    rs_[D3DRS_LASTPIXEL] = TRUE;
    rs_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs_[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs_[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs_[D3DRS_FOGSTART] = floatBits(0.0f);
    rs_[D3DRS_FOGEND] = floatBits(1.0f);
    rs_[D3DRS_FOGDENSITY] = floatBits(1.0f);
    rs_[D3DRS_STENCILFAIL] = rs_[D3DRS_STENCILZFAIL] = rs_[D3DRS_STENCILPASS] = 1;
    rs_[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs_[D3DRS_STENCILMASK] = rs_[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs_[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs_[D3DRS_CLIPPING] = TRUE;
    rs_[D3DRS_LIGHTING] = TRUE;
    rs_[D3DRS_COLORVERTEX] = TRUE;
    rs_[D3DRS_LOCALVIEWER] = TRUE;
    rs_[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs_[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs_[D3DRS_SOFTWAREVERTEXPROCESSING] =
        (behaviorFlags_ & D3DCREATE_SOFTWARE_VERTEXPROCESSING) ? TRUE : FALSE;
    rs_[D3DRS_POINTSIZE] = floatBits(1.0f);
    rs_[D3DRS_POINTSIZE_MIN] = floatBits(0.0f);
    rs_[D3DRS_POINTSCALE_A] = floatBits(1.0f);
    rs_[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs_[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs_[D3DRS_PATCHSEGMENTS] = floatBits(1.0f);
    rs_[D3DRS_POINTSIZE_MAX] = floatBits(64.0f);
    rs_[D3DRS_COLORWRITEENABLE] = 0xF;
    rs_[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs_[D3DRS_POSITIONORDER] = 3;
    rs_[D3DRS_NORMALORDER] = 1;
    for (int s = 0; s < kMaxStages; ++s) {
        auto& t = tss_[s];
        t.fill(0);
        t[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(s);
        t[D3DTSS_ADDRESSU] = t[D3DTSS_ADDRESSV] = t[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        t[D3DTSS_MAGFILTER] = t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        t[D3DTSS_MAXANISOTROPY] = 1;
        t[D3DTSS_COLORARG0] = t[D3DTSS_ALPHAARG0] = t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        samplerDirty_[s] = true;
    }
    world_ = view_ = proj_ = identity();
    texMatrix_.fill(identity());
    material_ = D3DMATERIAL8{};
    lights_.clear();
    vertexShader_ = 0;
    stride_ = 0;
    baseVertex_ = 0;
    if (renderTarget_ != backBuffer_ || depthStencil_ != autoDepth_) {
        SetRenderTarget(backBuffer_, autoDepth_);
    }
    viewport_ = {0, 0, backBuffer_->width, backBuffer_->height, 0.0f, 1.0f};
    dirty_ = kDirtyAll;
    for (auto& s : serial_) ++s;
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

HRESULT Device::Present(CONST RECT*, CONST RECT*, HWND, CONST RGNDATA*) {
    if (loss_ != Loss::kOk || windowGone()) {
        if (loss_ == Loss::kOk) loss_ = Loss::kLost;
        return D3DERR_DEVICELOST;
    }
    makeCurrent();
    const GLsizei w = static_cast<GLsizei>(pp_.BackBufferWidth);
    const GLsizei h = static_cast<GLsizei>(pp_.BackBufferHeight);
    glDisable(GL_SCISSOR_TEST);
    GLuint source = backBuffer_->texture;
    GLuint sourceFbo = srcFbo_;
    if (backBuffer_->renderbuffer != 0) {
        // Resolve the multisampled back buffer (draw FBO holds it when it is the target).
        GLuint msFbo = 0;
        glGenFramebuffers(1, &msFbo);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, msFbo);
        glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  backBuffer_->renderbuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFbo_);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glDeleteFramebuffers(1, &msFbo);
        source = resolveTex_;
        sourceFbo = resolveFbo_;
    }
    if (gammaIdentity_) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, sourceFbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, frontFbo_);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    } else {
        glBindFramebuffer(GL_FRAMEBUFFER, frontFbo_);
        glViewport(0, 0, w, h);
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glUseProgram(gammaProgram_);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, source);
        glBindSampler(0, 0);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, lutTex_);
        glBindSampler(1, 0);
        glBindVertexArray(emptyVao_);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glBindVertexArray(vao_);
        program_ = nullptr;
        dirty_ |= kDirtyRaster | kDirtySamplers | kDirtyViewport;
        samplerDirty_.fill(true);
    }
    // The window shows the presented image scaled to its size, flipped to GL's row order.
    int ww = 0, wh = 0;
    SDL_GL_GetDrawableSize(window_->sdl, &ww, &wh);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, frontFbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, w, h, 0, wh, ww, 0, GL_COLOR_BUFFER_BIT,
                      (ww == w && wh == h) ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SetSwapInterval(window_->offscreen || pp_.FullScreen_PresentationInterval ==
                                                     D3DPRESENT_INTERVAL_IMMEDIATE
                               ? 0
                               : 1);
    SDL_GL_SwapWindow(window_->sdl);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    dirty_ |= kDirtyRaster;  // scissor
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE, IDirect3DSurface8** pp) {
    if (pp == nullptr || BackBuffer >= pp_.BackBufferCount) return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *pp = backBuffer_;
    return D3D_OK;
}

void Device::SetGammaRamp(DWORD, CONST D3DGAMMARAMP* pRamp) {
    if (pRamp == nullptr) return;
    gamma_ = *pRamp;
    std::uint8_t lut[256 * 3];
    gammaIdentity_ = true;
    for (int i = 0; i < 256; ++i) {
        lut[3 * i] = static_cast<std::uint8_t>(gamma_.red[i] >> 8);
        lut[3 * i + 1] = static_cast<std::uint8_t>(gamma_.green[i] >> 8);
        lut[3 * i + 2] = static_cast<std::uint8_t>(gamma_.blue[i] >> 8);
        if (lut[3 * i] != i || lut[3 * i + 1] != i || lut[3 * i + 2] != i) gammaIdentity_ = false;
    }
    makeCurrent();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, lutTex_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, 1, GL_RGB, GL_UNSIGNED_BYTE, lut);
    dirty_ |= kDirtySamplers;
}

void Device::GetGammaRamp(D3DGAMMARAMP* pRamp) {
    if (pRamp != nullptr) *pRamp = gamma_;
}

HRESULT Device::GetFrontBuffer(IDirect3DSurface8* pDestSurface) {
    auto* dest = static_cast<Surface*>(pDestSurface);
    if (dest == nullptr || dest->kind != Surface::Kind::kImage ||
        (dest->format != D3DFMT_A8R8G8B8 && dest->format != D3DFMT_X8R8G8B8) ||
        dest->width < pp_.BackBufferWidth || dest->height < pp_.BackBufferHeight) {
        return D3DERR_INVALIDCALL;
    }
    makeCurrent();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, frontFbo_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(dest->width));
    // GL row 0 is the top row of the image (see d3d8_local.h), so rows come out in order.
    glReadPixels(0, 0, static_cast<GLsizei>(pp_.BackBufferWidth),
                 static_cast<GLsizei>(pp_.BackBufferHeight), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 dest->pixels.data());
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    for (UINT y = 0; y < pp_.BackBufferHeight; ++y) {
        for (UINT x = 0; x < pp_.BackBufferWidth; ++x) {
            dest->pixels[(static_cast<std::size_t>(y) * dest->width + x) * 4 + 3] = 0xFF;
        }
    }
    return D3D_OK;
}

HRESULT Device::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT Device::Clear(DWORD Count, CONST D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                      DWORD Stencil) {
    if ((Count > 0 && pRects == nullptr) ||
        (Flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) ||
        ((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && depthStencil_ == nullptr) ||
        ((Flags & D3DCLEAR_STENCIL) && depthStencil_->format != D3DFMT_D24S8)) {
        return D3DERR_INVALIDCALL;
    }
    if (loss_ != Loss::kOk) return D3D_OK;
    makeCurrent();
    glBindFramebuffer(GL_FRAMEBUFFER, drawFbo_);
    GLbitfield mask = 0;
    if (Flags & D3DCLEAR_TARGET) {
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(((Color >> 16) & 0xFF) / 255.0f, ((Color >> 8) & 0xFF) / 255.0f,
                     (Color & 0xFF) / 255.0f, ((Color >> 24) & 0xFF) / 255.0f);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (Flags & D3DCLEAR_ZBUFFER) {
        glDepthMask(GL_TRUE);
        glClearDepth(std::clamp(Z, 0.0f, 1.0f));
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (Flags & D3DCLEAR_STENCIL) {
        glStencilMask(0xFF);
        glClearStencil(static_cast<GLint>(Stencil & 0xFF));
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    // A clear covers the viewport, narrowed by each rectangle (y down, like our rows).
    glEnable(GL_SCISSOR_TEST);
    const LONG vx1 = static_cast<LONG>(viewport_.X), vy1 = static_cast<LONG>(viewport_.Y);
    const LONG vx2 = vx1 + static_cast<LONG>(viewport_.Width);
    const LONG vy2 = vy1 + static_cast<LONG>(viewport_.Height);
    const DWORD rects = Count == 0 ? 1 : Count;
    for (DWORD i = 0; i < rects; ++i) {
        LONG x1 = vx1, y1 = vy1, x2 = vx2, y2 = vy2;
        if (Count > 0) {
            x1 = std::max(x1, pRects[i].x1);
            y1 = std::max(y1, pRects[i].y1);
            x2 = std::min(x2, pRects[i].x2);
            y2 = std::min(y2, pRects[i].y2);
        }
        if (x2 <= x1 || y2 <= y1) continue;
        glScissor(x1, y1, x2 - x1, y2 - y1);
        glClear(mask);
    }
    glDisable(GL_SCISSOR_TEST);
    dirty_ |= kDirtyRaster;
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE State, CONST D3DMATRIX* pMatrix) {
    if (pMatrix == nullptr) return D3DERR_INVALIDCALL;
    const DWORD s = State;
    if (s == D3DTS_WORLD) {
        world_ = *pMatrix;
        bump(kUTransform);
    } else if (s == D3DTS_VIEW) {
        view_ = *pMatrix;
        bump(kUTransform);
        bump(kULights);  // lights live in camera space
    } else if (s == D3DTS_PROJECTION) {
        proj_ = *pMatrix;
        bump(kUTransform);
    } else if (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7) {
        texMatrix_[s - D3DTS_TEXTURE0] = *pMatrix;
        bump(kUTexMatrix);
    } else if (s > 256 && s < 512) {
        return D3D_OK;  // blend matrices: vertex blending is off, nothing reads them
    } else {
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    if (pMatrix == nullptr) return D3DERR_INVALIDCALL;
    const DWORD s = State;
    if (s == D3DTS_WORLD)
        *pMatrix = world_;
    else if (s == D3DTS_VIEW)
        *pMatrix = view_;
    else if (s == D3DTS_PROJECTION)
        *pMatrix = proj_;
    else if (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7)
        *pMatrix = texMatrix_[s - D3DTS_TEXTURE0];
    else
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT Device::SetViewport(CONST D3DVIEWPORT8* pViewport) {
    if (pViewport == nullptr || pViewport->Width == 0 || pViewport->Height == 0 ||
        pViewport->X + pViewport->Width > renderTarget_->width ||
        pViewport->Y + pViewport->Height > renderTarget_->height || pViewport->MinZ < 0.0f ||
        pViewport->MaxZ > 1.0f || pViewport->MinZ > pViewport->MaxZ) {
        return D3DERR_INVALIDCALL;
    }
    viewport_ = *pViewport;
    dirty_ |= kDirtyViewport;
    bump(kUViewport);
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT8* pViewport) {
    if (pViewport == nullptr) return D3DERR_INVALIDCALL;
    *pViewport = viewport_;
    return D3D_OK;
}

HRESULT Device::SetMaterial(CONST D3DMATERIAL8* pMaterial) {
    if (pMaterial == nullptr) return D3DERR_INVALIDCALL;
    material_ = *pMaterial;
    bump(kUMaterial);
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL8* pMaterial) {
    if (pMaterial == nullptr) return D3DERR_INVALIDCALL;
    *pMaterial = material_;
    return D3D_OK;
}

// Light indices are sparse in Direct3D; we keep a table up to this bound.
constexpr DWORD kLightIndexLimit = 256;

HRESULT Device::SetLight(DWORD Index, CONST D3DLIGHT8* pLight) {
    if (pLight == nullptr || Index >= kLightIndexLimit || pLight->Type < D3DLIGHT_POINT ||
        pLight->Type > D3DLIGHT_DIRECTIONAL) {
        return D3DERR_INVALIDCALL;
    }
    if (lights_.size() <= Index) lights_.resize(Index + 1);
    lights_[Index].light = *pLight;
    bump(kULights);
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD Index, D3DLIGHT8* pLight) {
    if (pLight == nullptr || Index >= lights_.size()) return D3DERR_INVALIDCALL;
    *pLight = lights_[Index].light;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD Index, BOOL Enable) {
    if (Index >= kLightIndexLimit) return D3DERR_INVALIDCALL;
    if (lights_.size() <= Index) {
        // Enabling a light never set gives Direct3D's default: white, directional, +z.
        lights_.resize(Index + 1);
        D3DLIGHT8& l = lights_[Index].light;
        l.Type = D3DLIGHT_DIRECTIONAL;
        l.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        l.Direction = {0.0f, 0.0f, 1.0f};
    }
    if (Enable) {
        int active = 0;
        for (const auto& l : lights_) active += l.enabled ? 1 : 0;
        if (!lights_[Index].enabled && active >= kMaxLights) return D3DERR_INVALIDCALL;
    }
    lights_[Index].enabled = Enable != FALSE;
    bump(kULights);
    dirty_ |= kDirtyKey;
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD Index, BOOL* pEnable) {
    if (pEnable == nullptr || Index >= lights_.size()) return D3DERR_INVALIDCALL;
    *pEnable = lights_[Index].enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    if (!knownRenderState(State)) return D3DERR_INVALIDCALL;
    if (rs_[State] == Value) return D3D_OK;
    rs_[State] = Value;
    switch (State) {
        case D3DRS_LIGHTING:
        case D3DRS_SPECULARENABLE:
        case D3DRS_LOCALVIEWER:
        case D3DRS_NORMALIZENORMALS:
        case D3DRS_COLORVERTEX:
        case D3DRS_DIFFUSEMATERIALSOURCE:
        case D3DRS_SPECULARMATERIALSOURCE:
        case D3DRS_AMBIENTMATERIALSOURCE:
        case D3DRS_EMISSIVEMATERIALSOURCE:
        case D3DRS_FOGENABLE:
        case D3DRS_FOGTABLEMODE:
        case D3DRS_FOGVERTEXMODE:
        case D3DRS_ALPHATESTENABLE:
        case D3DRS_ALPHAFUNC:
            dirty_ |= kDirtyKey;
            break;
        case D3DRS_AMBIENT:
            bump(kUMaterial);
            break;
        case D3DRS_TEXTUREFACTOR:
        case D3DRS_ALPHAREF:
        case D3DRS_FOGCOLOR:
        case D3DRS_FOGSTART:
        case D3DRS_FOGEND:
        case D3DRS_FOGDENSITY:
            bump(kUFragment);
            break;
        default:
            dirty_ |= kDirtyRaster;
            break;
    }
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    if (pValue == nullptr || !knownRenderState(State)) return D3DERR_INVALIDCALL;
    *pValue = rs_[State];
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) {
    if (ppTexture == nullptr || Stage >= kMaxStages) return D3DERR_INVALIDCALL;
    BaseTexture* t = textures_[Stage];
    *ppTexture = t != nullptr ? t->asBase() : nullptr;
    if (t != nullptr) t->addRefInterface();
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
    if (Stage >= kMaxStages) return D3DERR_INVALIDCALL;
    BaseTexture* t = toBaseTexture(pTexture);
    if (pTexture != nullptr && (t == nullptr || t->device() != this)) return D3DERR_INVALIDCALL;
    if (textures_[Stage] == t) return D3D_OK;
    if (t != nullptr) t->addRefInterface();
    if (textures_[Stage] != nullptr) textures_[Stage]->releaseInterface();
    const bool kindChanged = (textures_[Stage] == nullptr) != (t == nullptr) ||
                             (t != nullptr && textures_[Stage]->target() != t->target());
    textures_[Stage] = t;
    if (kindChanged) dirty_ |= kDirtyKey;
    dirty_ |= kDirtySamplers;
    samplerDirty_[Stage] = true;
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
    if (pValue == nullptr || Stage >= kMaxStages || Type == 0 || Type > D3DTSS_RESULTARG ||
        Type == 12) {
        return D3DERR_INVALIDCALL;
    }
    *pValue = tss_[Stage][Type];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    if (Stage >= kMaxStages || Type == 0 || Type > D3DTSS_RESULTARG || Type == 12) {
        return D3DERR_INVALIDCALL;
    }
    if (tss_[Stage][Type] == Value) return D3D_OK;
    tss_[Stage][Type] = Value;
    switch (Type) {
        case D3DTSS_ADDRESSU:
        case D3DTSS_ADDRESSV:
        case D3DTSS_ADDRESSW:
        case D3DTSS_BORDERCOLOR:
        case D3DTSS_MAGFILTER:
        case D3DTSS_MINFILTER:
        case D3DTSS_MIPFILTER:
        case D3DTSS_MIPMAPLODBIAS:
        case D3DTSS_MAXMIPLEVEL:
        case D3DTSS_MAXANISOTROPY:
            samplerDirty_[Stage] = true;
            dirty_ |= kDirtySamplers;
            break;
        default:
            dirty_ |= kDirtyKey;
            break;
    }
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                UINT Stride) {
    if (StreamNumber != 0 || Stride > 255) return D3DERR_INVALIDCALL;
    auto* vb = static_cast<VertexBuffer*>(pStreamData);
    if (vb != nullptr && vb->device() != this) return D3DERR_INVALIDCALL;
    if (vb != nullptr) vb->AddRef();
    if (stream_ != nullptr) stream_->Release();
    stream_ = vb;
    stride_ = Stride;
    dirty_ |= kDirtyInput;
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData,
                                UINT* pStride) {
    if (StreamNumber != 0 || ppStreamData == nullptr || pStride == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppStreamData = stream_;
    if (stream_ != nullptr) stream_->AddRef();
    *pStride = stride_;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
    auto* ib = static_cast<IndexBuffer*>(pIndexData);
    if (ib != nullptr && ib->device() != this) return D3DERR_INVALIDCALL;
    if (ib != nullptr) ib->AddRef();
    if (indices_ != nullptr) indices_->Release();
    indices_ = ib;
    baseVertex_ = BaseVertexIndex;
    return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) {
    if (ppIndexData == nullptr || pBaseVertexIndex == nullptr) return D3DERR_INVALIDCALL;
    *ppIndexData = indices_;
    if (indices_ != nullptr) indices_->AddRef();
    *pBaseVertexIndex = baseVertex_;
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
    return D3D_OK;
}

}  // namespace eh::d3d8
