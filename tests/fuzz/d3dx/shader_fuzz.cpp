// Fuzz target: the vs.1.x assembler on arbitrary text, through the public entry point.
#include <cstddef>
#include <cstdint>

#include "d3dx/d3dx8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LPD3DXBUFFER constants = nullptr, code = nullptr, errors = nullptr;
    const HRESULT hr =
        D3DXAssembleShader(data, static_cast<UINT>(size), 0, &constants, &code, &errors);
    if (SUCCEEDED(hr)) {
        // Tokens start with a vs 1.x version and end with the end token.
        const auto* t = static_cast<const DWORD*>(code->GetBufferPointer());
        const DWORD n = code->GetBufferSize() / 4;
        if (n < 2 || (t[0] & 0xFFFFFFFEu) != 0xFFFE0100u || t[n - 1] != 0x0000FFFFu)
            __builtin_trap();
    } else if (code || !errors) {
        __builtin_trap();
    }
    if (constants) constants->Release();
    if (code) code->Release();
    if (errors) errors->Release();
    return 0;
}
