// Private to src/d3dx: the vs.1.0 / vs.1.1 assembler and the Direct3D 8 shader token format
// it writes. The device layer reads the same format (it is Direct3D's), so the constants here
// use Direct3D's numbers; they are spelled as our own constants to keep this header free of
// clashes with the device layer's header.
//
// Token stream:
//   version   0xFFFE0000 | major << 8 | minor              (vs.1.0: 0xFFFE0100, vs.1.1: 0xFFFE0101)
//   instruction                                           bits 0-15 opcode; vs 1.x stores no length
//   parameter  bit 31 set
//     bits  0-10 register number
//     bits 28-30 register type, low 3 bits; bits 11-12 its high 2 bits (0 for every vs 1.x type)
//     destination: bits 16-19 write mask (x, y, z, w)
//     source:      bit 13 relative addressing through a0.x
//                  bits 16-23 swizzle, 2 bits per output component (x in 16-17 … w in 22-23)
//                  bits 24-27 modifier (1 = negate)
//   def        opcode 81, the destination c# with a full mask, then four IEEE floats
//   end        0x0000FFFF
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace eh::d3dx {

inline constexpr std::uint32_t kVsVersion10 = 0xFFFE0100;
inline constexpr std::uint32_t kVsVersion11 = 0xFFFE0101;
inline constexpr std::uint32_t kEndToken = 0x0000FFFF;

// Opcodes (D3DSIO_*).
enum ShaderOpcode : std::uint32_t {
    kOpNop = 0,
    kOpMov = 1,
    kOpAdd = 2,
    kOpSub = 3,
    kOpMad = 4,
    kOpMul = 5,
    kOpRcp = 6,
    kOpRsq = 7,
    kOpDp3 = 8,
    kOpDp4 = 9,
    kOpMin = 10,
    kOpMax = 11,
    kOpSlt = 12,
    kOpSge = 13,
    kOpExp = 14,
    kOpLog = 15,
    kOpLit = 16,
    kOpDst = 17,
    kOpFrc = 19,
    kOpM4x4 = 20,
    kOpM4x3 = 21,
    kOpM3x4 = 22,
    kOpM3x3 = 23,
    kOpM3x2 = 24,
    kOpExpp = 78,
    kOpLogp = 79,
    kOpDef = 81,
};

// Register types (D3DSPR_*) and the numbers of the rasteriser outputs (D3DSRO_*).
enum ShaderRegisterType : std::uint32_t {
    kRegTemp = 0,       // r#
    kRegInput = 1,      // v#
    kRegConst = 2,      // c#
    kRegAddress = 3,    // a0
    kRegRastOut = 4,    // oPos (0), oFog (1), oPts (2)
    kRegAttrOut = 5,    // oD0, oD1
    kRegTexCrdOut = 6,  // oT0 … oT7
};
inline constexpr std::uint32_t kRastPosition = 0;
inline constexpr std::uint32_t kRastFog = 1;
inline constexpr std::uint32_t kRastPointSize = 2;

inline constexpr std::uint32_t kParamBit = 0x80000000u;
inline constexpr std::uint32_t kRelativeBit = 1u << 13;
inline constexpr std::uint32_t kWriteMaskAll = 0x000F0000u;
inline constexpr std::uint32_t kNoSwizzle = 0x00E40000u;  // x, y, z, w
inline constexpr std::uint32_t kNegate = 1u << 24;

// Register-type bits of a parameter token: low 3 bits at 28-30, high 2 bits at 11-12.
constexpr std::uint32_t registerTypeBits(std::uint32_t type) {
    return (type & 7u) << 28 | ((type >> 3) & 3u) << 11;
}

// The declaration token D3DVSD_CONST(reg, count) that carries `def` constants to a
// declaration (D3DVSD_TOKEN_CONSTMEM = 4 in bits 29-31, count in bits 25-28).
constexpr std::uint32_t constDeclarationToken(std::uint32_t reg, std::uint32_t count) {
    return 4u << 29 | count << 25 | reg;
}

struct AssembledShader {
    std::vector<std::uint32_t> tokens;     // version … end
    std::vector<std::uint32_t> constants;  // D3DVSD_CONST token and 4 floats per `def`
};

// Assembles vs.1.0 / vs.1.1 text. On failure returns false and leaves one line per problem in
// `errors`, each "line N: problem". Any byte sequence is accepted as input.
bool assembleVertexShader(std::string_view text, AssembledShader& out, std::string& errors);

}  // namespace eh::d3dx
