// Recorded state: render and texture-stage states, transforms, viewport, material,
// lights, bound textures and streams, and the state a device starts (and resets) with.
// Setters only record and mark what changed; d3d8_draw.cpp turns it into GL.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/d3d8/d3d8_device.h"

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

// Direct3D 8 leaves texture-stage state 12 unnumbered, between D3DTSS_TEXCOORDINDEX and
// D3DTSS_ADDRESSU.
constexpr DWORD kUnnumberedStageState = 12;

// Texture-stage states that exist in Direct3D 8 (the setter refuses the others).
bool knownStageState(DWORD type) {
    return type >= D3DTSS_COLOROP && type <= D3DTSS_RESULTARG && type != kUnnumberedStageState;
}

}  // namespace

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
        case D3DRS_ALPHAREF:
            // The reference decides whether the test can fail at all (see buildKey).
            dirty_ |= kDirtyKey;
            bump(kUFragment);
            break;
        case D3DRS_AMBIENT:
            bump(kUMaterial);
            break;
        case D3DRS_TEXTUREFACTOR:
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
    if (pValue == nullptr || Stage >= kMaxStages || !knownStageState(Type)) {
        return D3DERR_INVALIDCALL;
    }
    *pValue = tss_[Stage][Type];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    if (Stage >= kMaxStages || !knownStageState(Type)) {
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

}  // namespace eh::d3d8
