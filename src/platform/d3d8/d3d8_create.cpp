// Resource creation and render targets of the device.
#include <SDL.h>

#include "platform/d3d8/d3d8_device.h"

namespace eh::d3d8 {

HRESULT Device::CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                   IDirect3DSurface8** ppSurface) {
    if (ppSurface == nullptr) return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    const GlFormat gl = glFormatOf(Format);
    if (Width == 0 || Height == 0 || Width > 16384 || Height > 16384 || gl.bytesPerPixel == 0) {
        return D3DERR_INVALIDCALL;
    }
    auto* s = new Surface(this, Surface::Kind::kImage, Format, Width, Height, D3DMULTISAMPLE_NONE,
                          D3DPOOL_SYSTEMMEM, 0, false);
    s->pixels.assign(static_cast<std::size_t>(Width) * Height * gl.bytesPerPixel, 0);
    *ppSurface = s;
    return D3D_OK;
}

HRESULT Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                              D3DPOOL Pool, IDirect3DTexture8** ppTexture) {
    if (ppTexture == nullptr) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    const UINT maxSide = static_cast<UINT>(caps_.maxTextureSize);
    if (Width == 0 || Height == 0 || Width > maxSide || Height > maxSide ||
        glFormatOf(Format).bytesPerPixel == 0 || Pool == D3DPOOL_SYSTEMMEM) {
        return D3DERR_INVALIDCALL;
    }
    // Render targets live in the default pool only, as in Direct3D.
    if ((Usage & D3DUSAGE_RENDERTARGET) &&
        (Pool != D3DPOOL_DEFAULT || !isBackBufferFormat(Format))) {
        return D3DERR_INVALIDCALL;
    }
    makeCurrent();
    auto* t = new Texture(this, Width, Height, Levels, Usage, Format, Pool);
    if (!t->create()) {
        t->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    textureChanged();  // creation bound the new texture on the active unit
    *ppTexture = t;
    return D3D_OK;
}

HRESULT Device::CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                  D3DPOOL Pool, IDirect3DCubeTexture8** ppCubeTexture) {
    if (ppCubeTexture == nullptr) return D3DERR_INVALIDCALL;
    *ppCubeTexture = nullptr;
    if (EdgeLength == 0 || EdgeLength > static_cast<UINT>(caps_.maxTextureSize) ||
        glFormatOf(Format).bytesPerPixel == 0 || (Usage & D3DUSAGE_RENDERTARGET) ||
        Pool == D3DPOOL_SYSTEMMEM) {
        return D3DERR_INVALIDCALL;
    }
    makeCurrent();
    auto* t = new CubeTexture(this, EdgeLength, Levels, Usage, Format, Pool);
    if (!t->create()) {
        t->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    textureChanged();
    *ppCubeTexture = t;
    return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                   IDirect3DVertexBuffer8** ppVertexBuffer) {
    if (ppVertexBuffer == nullptr) return D3DERR_INVALIDCALL;
    *ppVertexBuffer = nullptr;
    if (Length == 0 || Length > (256u << 20) || Pool == D3DPOOL_SYSTEMMEM) {
        return D3DERR_INVALIDCALL;
    }
    *ppVertexBuffer = new VertexBuffer(this, Length, Usage, FVF, Pool);
    return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DIndexBuffer8** ppIndexBuffer) {
    if (ppIndexBuffer == nullptr) return D3DERR_INVALIDCALL;
    *ppIndexBuffer = nullptr;
    if (Length == 0 || Length > (256u << 20) || Pool == D3DPOOL_SYSTEMMEM ||
        (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32)) {
        return D3DERR_INVALIDCALL;
    }
    *ppIndexBuffer = new IndexBuffer(this, Length, Usage, Format, Pool);
    return D3D_OK;
}

HRESULT Device::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                          D3DMULTISAMPLE_TYPE MultiSample,
                                          IDirect3DSurface8** ppSurface) {
    if (ppSurface == nullptr) return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    const UINT maxSide = static_cast<UINT>(caps_.maxTextureSize);
    if (Width == 0 || Height == 0 || Width > maxSide || Height > maxSide ||
        !isDepthFormat(Format) || MultiSample == 1 || MultiSample > 16 ||
        static_cast<int>(MultiSample) > caps_.maxSamples) {
        return D3DERR_INVALIDCALL;
    }
    makeCurrent();
    auto* s = new Surface(this, Surface::Kind::kDepth, Format, Width, Height, MultiSample,
                          D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, true);
    glGenRenderbuffers(1, &s->renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, s->renderbuffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, static_cast<GLsizei>(MultiSample),
                                     glDepthFormatOf(Format), static_cast<GLsizei>(Width),
                                     static_cast<GLsizei>(Height));
    *ppSurface = s;
    return D3D_OK;
}

HRESULT Device::SetRenderTarget(IDirect3DSurface8* pRenderTarget, IDirect3DSurface8* pNewZStencil) {
    auto* rt = static_cast<Surface*>(pRenderTarget);
    auto* ds = static_cast<Surface*>(pNewZStencil);
    if (rt == nullptr) rt = renderTarget_;  // null keeps the current colour target
    if (rt->kind != Surface::Kind::kBackBuffer &&
        !(rt->kind == Surface::Kind::kTextureLevel && (rt->usage & D3DUSAGE_RENDERTARGET))) {
        return D3DERR_INVALIDCALL;
    }
    if (ds != nullptr && (ds->kind != Surface::Kind::kDepth || ds->width < rt->width ||
                          ds->height < rt->height || ds->multiSample != rt->multiSample)) {
        return D3DERR_INVALIDCALL;
    }
    makeCurrent();
    rt->AddRef();
    if (ds != nullptr) ds->AddRef();
    if (renderTarget_ != nullptr) renderTarget_->Release();
    if (depthStencil_ != nullptr) depthStencil_->Release();
    renderTarget_ = rt;
    depthStencil_ = ds;
    bindRenderTarget();
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(IDirect3DSurface8** ppRenderTarget) {
    if (ppRenderTarget == nullptr) return D3DERR_INVALIDCALL;
    renderTarget_->AddRef();
    *ppRenderTarget = renderTarget_;
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) {
    if (ppZStencilSurface == nullptr) return D3DERR_INVALIDCALL;
    *ppZStencilSurface = depthStencil_;
    if (depthStencil_ == nullptr) return D3DERR_NOTFOUND;
    depthStencil_->AddRef();
    return D3D_OK;
}

}  // namespace eh::d3d8
