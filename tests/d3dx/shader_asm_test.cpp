// Assembler output against tokens worked out by hand from the Direct3D 8 token format, and
// the error lines for bad text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "d3dx/d3dx8.h"
#include "d3dx/d3dx_shader_asm.h"

namespace {

std::vector<DWORD> assemble(const std::string& text) {
    LPD3DXBUFFER code = nullptr, errors = nullptr;
    const HRESULT hr =
        D3DXAssembleShader(text.data(), static_cast<UINT>(text.size()), 0, nullptr, &code, &errors);
    EXPECT_EQ(hr, D3D_OK) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    EXPECT_EQ(errors, nullptr);
    std::vector<DWORD> tokens;
    if (code) {
        const auto* p = static_cast<const DWORD*>(code->GetBufferPointer());
        tokens.assign(p, p + code->GetBufferSize() / sizeof(DWORD));
        code->Release();
    }
    return tokens;
}

std::string errorsOf(const std::string& text) {
    LPD3DXBUFFER code = nullptr, errors = nullptr;
    const HRESULT hr =
        D3DXAssembleShader(text.data(), static_cast<UINT>(text.size()), 0, nullptr, &code, &errors);
    EXPECT_EQ(hr, D3DXERR_INVALIDDATA);
    EXPECT_EQ(code, nullptr);
    std::string message;
    if (errors) {
        message = static_cast<const char*>(errors->GetBufferPointer());
        errors->Release();
    }
    EXPECT_FALSE(message.empty());
    return message;
}

TEST(AssembleShader, TokensWorkedOutByHand) {
    const std::vector<DWORD> tokens = assemble(
        "; billboard-like test shader\n"
        "vs.1.1\n"
        "dp4 oPos.x, v0, c4          // position\n"
        "mov oD0, v5\n"
        "mad r0.xyz, -r1.yzxw, c[a0.x + 3].w, v2.xxyy\n"
        "mov a0.x, r3.x\n"
        "\n"
        "m4x4 oT3.xy, r11, c95\n"
        "mov oFog.x, -c[ 7 + a0.x ]\n"
        "rcp oPts, r2.w\n"
        "nop\n");
    const std::vector<DWORD> expected = {
        0xFFFE0101,  // vs.1.1
        9,           // dp4
        0xC0010000,  // oPos (rastout 4 << 28, number 0), mask x
        0x90E40000,  // v0 (input 1 << 28), no swizzle 0xE4
        0xA0E40004,  // c4 (const 2 << 28)
        1,           // mov
        0xD00F0000,  // oD0 (attrout 5), mask xyzw
        0x90E40005,  // v5
        4,           // mad
        0x80070000,  // r0 (temp 0), mask xyz
        0x81C90001,  // -r1.yzxw: negate 1 << 24, swizzle y,z,x,w = 1 | 2<<2 | 0<<4 | 3<<6 = 0xC9
        0xA0FF2003,  // c[a0.x + 3].w: swizzle wwww 0xFF, relative bit 13
        0x90500002,  // v2.xxyy: 0 | 0<<2 | 1<<4 | 1<<6 = 0x50
        1,           // mov
        0xB0010000,  // a0 (addr 3), mask x
        0x80000003,  // r3.x: swizzle xxxx = 0
        20,          // m4x4
        0xE0030003,  // oT3 (texcrdout 6), mask xy
        0x80E4000B,  // r11
        0xA0E4005F,  // c95
        1,           // mov
        0xC0010001,  // oFog (rastout, number 1), mask x
        0xA1E42007,  // -c[7 + a0.x]
        6,           // rcp
        0xC00F0002,  // oPts (rastout, number 2)
        0x80FF0002,  // r2.w
        0,           // nop
        0x0000FFFF,  // end
    };
    EXPECT_EQ(tokens, expected);
}

TEST(AssembleShader, EveryInstructionHasItsOpcodeAndOperandCount) {
    struct Case {
        const char* text;
        DWORD opcode;
        int sources;
    };
    const Case cases[] = {
        {"add r0, r1, r2", 2, 2},   {"sub r0, r1, r2", 3, 2},   {"dp3 r0, r1, r2", 8, 2},
        {"dst r0, r1, r2", 17, 2},  {"expp r0, r1.w", 78, 1},   {"lit r0, r1", 16, 1},
        {"logp r0, r1.w", 79, 1},   {"max r0, r1, r2", 11, 2},  {"min r0, r1, r2", 10, 2},
        {"mul r0, r1, r2", 5, 2},   {"rsq r0, r1.x", 7, 1},     {"sge r0, r1, r2", 13, 2},
        {"slt r0, r1, r2", 12, 2},  {"m3x2 r0, v0, c0", 24, 2}, {"m3x3 r0, v0, c0", 23, 2},
        {"m3x4 r0, v0, c0", 22, 2}, {"m4x3 r0, v0, c0", 21, 2}, {"exp r0, r1.x", 14, 1},
        {"log r0, r1.x", 15, 1},    {"frc r0, r1", 19, 1},      {"MUL R0, R1, R2", 5, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::vector<DWORD> t = assemble(std::string("vs.1.0\n") + c.text + "\n");
        ASSERT_EQ(t.size(), 4u + static_cast<std::size_t>(c.sources));  // version, op, dest, end
        EXPECT_EQ(t[0], 0xFFFE0100u);
        EXPECT_EQ(t[1], c.opcode);
        EXPECT_EQ(t[2], 0x800F0000u);  // r0, full mask
        EXPECT_EQ(t.back(), 0x0000FFFFu);
    }
}

TEST(AssembleShader, DefIsEmittedAndReturnedAsConstants) {
    const std::string text = "vs.1.0\ndef c10, 1.0, -0.5, 0, 2\nmov oPos, c10\n";
    LPD3DXBUFFER constants = nullptr, code = nullptr;
    ASSERT_EQ(D3DXAssembleShader(text.data(), static_cast<UINT>(text.size()), 0, &constants, &code,
                                 nullptr),
              D3D_OK);
    ASSERT_NE(code, nullptr);
    ASSERT_NE(constants, nullptr);
    const auto* t = static_cast<const DWORD*>(code->GetBufferPointer());
    const std::vector<DWORD> tokens(t, t + code->GetBufferSize() / 4);
    const std::vector<DWORD> expected = {0xFFFE0100, 81,         0xA00F000A, 0x3F800000,
                                         0xBF000000, 0x00000000, 0x40000000, 1,
                                         0xC00F0000, 0xA0E4000A, 0x0000FFFF};
    EXPECT_EQ(tokens, expected);
    const auto* k = static_cast<const DWORD*>(constants->GetBufferPointer());
    const std::vector<DWORD> decl(k, k + constants->GetBufferSize() / 4);
    // D3DVSD_CONST(10, 1) = CONSTMEM (4) << 29 | 1 << 25 | 10, then the four values.
    const std::vector<DWORD> expectedDecl = {0x8200000A, 0x3F800000, 0xBF000000, 0, 0x40000000};
    EXPECT_EQ(decl, expectedDecl);
    code->Release();
    constants->Release();
}

TEST(AssembleShader, ErrorsNameTheLineAndProblem) {
    EXPECT_NE(errorsOf("vs.1.0\n\nfoo r0, r1\n").find("line 3: unknown instruction 'foo'"),
              std::string::npos);
    EXPECT_NE(errorsOf("mov r0, r1\n").find("line 1: vs.1.0 or vs.1.1 expected"),
              std::string::npos);
    EXPECT_NE(errorsOf("; nothing\n").find("vs.1.0 or vs.1.1 expected"), std::string::npos);
    EXPECT_NE(errorsOf("vs.1.0\nmov a0.x, r0.x\n").find("line 2: a0 needs vs.1.1"),
              std::string::npos);
    EXPECT_NE(errorsOf("vs.1.0\nmov r0, c[a0.x]\n").find("line 2: a0 needs vs.1.1"),
              std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nmov v0, r0\n").find("line 2: 'v0' cannot be written"),
              std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nmov r0, oPos\n").find("cannot be read"), std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nadd r0, r1\n").find("'add' takes 3 operands, got 2"),
              std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nmov r0.yx, r1\n").find("bad write mask"), std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nmov r0, r1.xq\n").find("bad swizzle"), std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nmov r0, r1.xyzwx\n").find("bad swizzle"), std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nadd r0, r1, r2\nmul a0.x, r0, r1\n").find("line 3: a0 can only"),
              std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\ndef c0, 1, 2, x, 4\n").find("bad number 'x'"), std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\ndef r0, 1, 2, 3, 4\n").find("constant register"),
              std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nvs.1.1\n").find("line 2: second version"), std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nmov r0, c[a0.x + 96]\n").find("out of range"), std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nmov r0, c[a0.y]\n").find("bad constant address"),
              std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nmov r0, c[3\n").find("missing ']'"), std::string::npos);
    EXPECT_NE(errorsOf("vs.1.1\nmov r0, \n").find("missing source"), std::string::npos);
    // Register files end where vs 1.x ends them.
    for (const char* reg : {"r12", "v16", "c96", "oT8", "oD2", "a1"}) {
        SCOPED_TRACE(reg);
        const bool dest = reg[0] == 'o' || reg[0] == 'a';
        const std::string text = dest ? std::string("vs.1.1\nmov ") + reg + ", r0\n"
                                      : std::string("vs.1.1\nmov r0, ") + reg + "\n";
        EXPECT_NE(errorsOf(text).find("does not exist"), std::string::npos);
    }
    // Several problems: one line each.
    const std::string many = errorsOf("vs.1.1\nfoo\nbar\nmov r0, r99\n");
    EXPECT_NE(many.find("line 2:"), std::string::npos);
    EXPECT_NE(many.find("line 3:"), std::string::npos);
    EXPECT_NE(many.find("line 4:"), std::string::npos);
}

TEST(AssembleShader, NullAndEmptyArguments) {
    LPD3DXBUFFER code = reinterpret_cast<LPD3DXBUFFER>(1);
    EXPECT_EQ(D3DXAssembleShader(nullptr, 10, 0, nullptr, &code, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(D3DXAssembleShader("", 0, 0, nullptr, &code, nullptr), D3DXERR_INVALIDDATA);
    // Only the first SrcDataLen bytes count: the text need not be terminated.
    const char text[] = "vs.1.0\nmov oPos, v0\ngarbage";
    EXPECT_EQ(D3DXAssembleShader(text, 20, 0, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(D3DXAssembleShader(text, sizeof text - 1, 0, nullptr, nullptr, nullptr),
              D3DXERR_INVALIDDATA);
}

TEST(D3DXBuffer, HoldsBytesAndCountsReferences) {
    LPD3DXBUFFER b = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(12, &b), D3D_OK);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetBufferSize(), 12u);
    std::memset(b->GetBufferPointer(), 0xAB, 12);
    EXPECT_EQ(b->AddRef(), 2u);
    EXPECT_EQ(b->Release(), 1u);
    EXPECT_EQ(b->Release(), 0u);
}

}  // namespace
