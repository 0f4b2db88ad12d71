// ID3DXBuffer and D3DXAssembleShader over the assembler in d3dx_shader_asm.cpp.
#include <atomic>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "d3dx/d3dx8.h"
#include "d3dx/d3dx_shader_asm.h"

namespace {

class Buffer final : public ID3DXBuffer {
  public:
    explicit Buffer(std::size_t size) : bytes_(size, 0) {}

    HRESULT QueryInterface(REFIID, void** ppvObj) override {
        if (ppvObj) *ppvObj = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    void* GetBufferPointer() override { return bytes_.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(bytes_.size()); }

  private:
    ~Buffer() = default;
    std::vector<unsigned char> bytes_;
    std::atomic<ULONG> refs_{1};
};

// A buffer holding `size` bytes copied from `data` (the text gets a terminating zero).
HRESULT makeBuffer(const void* data, std::size_t size, bool terminate, LPD3DXBUFFER* out) {
    Buffer* b = new (std::nothrow) Buffer(size + (terminate ? 1 : 0));
    if (!b) return E_OUTOFMEMORY;
    if (data && size) std::memcpy(b->GetBufferPointer(), data, size);
    *out = b;
    return S_OK;
}

}  // namespace

HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer) {
    if (!ppBuffer) return D3DERR_INVALIDCALL;
    *ppBuffer = nullptr;
    return makeBuffer(nullptr, NumBytes, false, ppBuffer);
}

HRESULT D3DXAssembleShader(const void* pSrcData, UINT SrcDataLen, DWORD, LPD3DXBUFFER* ppConstants,
                           LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors) {
    if (ppConstants) *ppConstants = nullptr;
    if (ppCompiledShader) *ppCompiledShader = nullptr;
    if (ppCompilationErrors) *ppCompilationErrors = nullptr;
    if (!pSrcData && SrcDataLen > 0) return D3DERR_INVALIDCALL;

    const std::string_view text(static_cast<const char*>(pSrcData), pSrcData ? SrcDataLen : 0);
    eh::d3dx::AssembledShader shader;
    std::string errors;
    if (!eh::d3dx::assembleVertexShader(text, shader, errors)) {
        if (ppCompilationErrors)
            makeBuffer(errors.data(), errors.size(), true, ppCompilationErrors);
        return D3DXERR_INVALIDDATA;
    }
    if (ppCompiledShader) {
        const HRESULT hr = makeBuffer(shader.tokens.data(), shader.tokens.size() * sizeof(DWORD),
                                      false, ppCompiledShader);
        if (FAILED(hr)) return hr;
    }
    if (ppConstants && !shader.constants.empty()) {
        const HRESULT hr = makeBuffer(shader.constants.data(),
                                      shader.constants.size() * sizeof(DWORD), false, ppConstants);
        if (FAILED(hr)) {
            if (ppCompiledShader && *ppCompiledShader)
                (*ppCompiledShader)->Release(), *ppCompiledShader = nullptr;
            return hr;
        }
    }
    return D3D_OK;
}
