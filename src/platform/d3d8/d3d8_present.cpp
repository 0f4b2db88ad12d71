// The frame: BeginScene/EndScene, Clear, Present with the gamma ramp applied, and the
// back and front buffers.
#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/d3d8/d3d8_device.h"
#include "platform/os/sdl/sdl_window.h"

namespace eh::d3d8 {
namespace {

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

HRESULT Device::createGammaResources() {
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

}  // namespace eh::d3d8
