// Vertex shader objects: creation from a declaration and vs.1.0/1.1 code (translated by
// d3d8_vshader.cpp), selection, deletion and the constant registers.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/d3d8/d3d8_device.h"
#include "platform/d3d8/d3d8_vshader.h"

namespace eh::d3d8 {
namespace {

// Longest declaration or token stream read, in DWORDs; a stream without its end token
// within it is refused.
constexpr std::size_t kMaxTokens = 8192;

}  // namespace

HRESULT Device::CreateVertexShader(CONST DWORD* pDeclaration, CONST DWORD* pFunction,
                                   DWORD* pHandle, DWORD) {
    if (pDeclaration == nullptr || pHandle == nullptr) return D3DERR_INVALIDCALL;
    // A declaration without code (fixed-function processing of declared data) is not
    // supported: the program always passes shader code.
    if (pFunction == nullptr) return D3DERR_INVALIDCALL;
    auto vs = std::make_unique<VertexShaderObject>();
    std::string error;
    if (!parseVsDeclaration(pDeclaration, kMaxTokens, &vs->declaration, &error)) {
        std::fprintf(stderr, "d3d8: vertex declaration refused: %s\n", error.c_str());
        return D3DERR_INVALIDCALL;
    }
    std::uint32_t inputs = 0;
    if (!translateVertexShader(pFunction, kMaxTokens, &vs->glsl, &inputs, &error)) {
        std::fprintf(stderr, "d3d8: vertex shader refused: %s\n", error.c_str());
        return D3DERR_INVALIDCALL;
    }
    vs->id = nextShaderId_++;
    const DWORD handle = kShaderHandleBit | vs->id;
    shaders_.emplace(handle, std::move(vs));
    *pHandle = handle;
    return D3D_OK;
}

HRESULT Device::SetVertexShader(DWORD Handle) {
    if (Handle & kShaderHandleBit) {
        auto it = shaders_.find(Handle);
        if (it == shaders_.end()) return D3DERR_INVALIDCALL;
        for (const auto& [reg, value] : it->second->declaration.constants) {
            vsConst_[reg] = value;
        }
        if (!it->second->declaration.constants.empty()) bump(kUVsConst);
    } else if (!fvfLayout(Handle).ok) {
        return D3DERR_INVALIDCALL;
    }
    if (vertexShader_ == Handle) return D3D_OK;
    vertexShader_ = Handle;
    dirty_ |= kDirtyKey | kDirtyInput;
    return D3D_OK;
}

HRESULT Device::GetVertexShader(DWORD* pHandle) {
    if (pHandle == nullptr) return D3DERR_INVALIDCALL;
    *pHandle = vertexShader_;
    return D3D_OK;
}

HRESULT Device::DeleteVertexShader(DWORD Handle) {
    auto it = shaders_.find(Handle);
    if (it == shaders_.end()) return D3DERR_INVALIDCALL;
    const std::uint32_t id = it->second->id;
    makeCurrent();
    for (auto p = programs_.begin(); p != programs_.end();) {
        if (p->first.vertexShader == id) {
            if (program_ == p->second.get()) program_ = nullptr;
            glDeleteProgram(p->second->name);
            p = programs_.erase(p);
        } else {
            ++p;
        }
    }
    shaders_.erase(it);
    if (vertexShader_ == Handle) vertexShader_ = 0;
    dirty_ |= kDirtyKey | kDirtyInput;
    return D3D_OK;
}

HRESULT Device::SetVertexShaderConstant(DWORD Register, CONST void* pConstantData,
                                        DWORD ConstantCount) {
    if (pConstantData == nullptr || Register >= kMaxVsConstants ||
        ConstantCount > kMaxVsConstants - Register) {
        return D3DERR_INVALIDCALL;
    }
    std::memcpy(&vsConst_[Register][0], pConstantData, 16u * ConstantCount);
    bump(kUVsConst);
    return D3D_OK;
}

HRESULT Device::GetVertexShaderConstant(DWORD Register, void* pConstantData, DWORD ConstantCount) {
    if (pConstantData == nullptr || Register >= kMaxVsConstants ||
        ConstantCount > kMaxVsConstants - Register) {
        return D3DERR_INVALIDCALL;
    }
    std::memcpy(pConstantData, &vsConst_[Register][0], 16u * ConstantCount);
    return D3D_OK;
}

}  // namespace eh::d3d8
