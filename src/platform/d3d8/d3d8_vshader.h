// Vertex shader declarations and vs 1.0/1.1 token streams, translated to GLSL.
//
// A declaration maps stream-0 vertex data to input registers v0..v15. The token stream is
// translated instruction by instruction into GLSL operating on vec4 registers; the result
// writes the same varyings as the fixed-function vertex program (vDiffuse, vSpecular,
// vTex0..7, vFog), so the fragment side is shared.
//
// Both parsers stop at their end token and refuse a stream that has none within the limit
// given, an unknown opcode, register or modifier, or a register number out of range.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace eh::d3d8 {

struct VsElement {
    std::uint32_t reg;     // input register v0..v15
    std::uint32_t type;    // D3DVSDT_*
    std::uint32_t offset;  // bytes from the vertex start
};

struct VsDeclaration {
    std::vector<VsElement> elements;
    // D3DVSD_CONST blocks, loaded into the constant registers when the shader is selected.
    std::vector<std::pair<std::uint32_t, std::array<float, 4>>> constants;
    std::uint32_t bytes = 0;  // bytes one vertex needs (end of the last element)
};

// Size in bytes of one D3DVSDT_* element, 0 for an unknown type.
std::uint32_t vsTypeSize(std::uint32_t type);

// Parses a declaration of at most maxTokens DWORDs (D3DVSD_END included).
bool parseVsDeclaration(const std::uint32_t* tokens, std::size_t maxTokens, VsDeclaration* out,
                        std::string* error);

// Translates a vs.1.0/1.1 token stream of at most maxTokens DWORDs to a GLSL vertex
// shader body (without the prelude of generateVertexPrelude). inputMask receives the input
// registers the code reads.
bool translateVertexShader(const std::uint32_t* tokens, std::size_t maxTokens, std::string* glsl,
                           std::uint32_t* inputMask, std::string* error);

}  // namespace eh::d3d8
