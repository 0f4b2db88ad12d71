#include "platform/d3d8/d3d8_vshader.h"

#include <cstring>
#include <string>

#include "platform/d3d8/d3d8types.h"

namespace eh::d3d8 {
namespace {

constexpr std::uint32_t kMaxInputs = 16;
constexpr std::uint32_t kMaxTemps = 12;
constexpr std::uint32_t kMaxConsts = 96;
constexpr std::uint32_t kMaxTexOut = 8;

std::uint32_t regType(std::uint32_t token) {
    return (token & D3DSP_REGTYPE_MASK) >> D3DSP_REGTYPE_SHIFT;
}
std::uint32_t regNum(std::uint32_t token) {
    return token & D3DSP_REGNUM_MASK;
}

// Reads the shader token stream with a hard end, so a stream without an end token is
// refused rather than read past its buffer.
class TokenReader {
  public:
    TokenReader(const std::uint32_t* tokens, std::size_t limit) : tokens_(tokens), limit_(limit) {}
    bool next(std::uint32_t* token) {
        if (pos_ >= limit_) return false;
        *token = tokens_[pos_++];
        return true;
    }
    bool skip(std::size_t count) {
        if (count > limit_ - pos_) return false;
        pos_ += count;
        return true;
    }

  private:
    const std::uint32_t* tokens_;
    std::size_t limit_;
    std::size_t pos_ = 0;
};

struct Translator {
    std::string body;
    std::uint32_t inputMask = 0;
    std::string error;

    bool fail(const std::string& why) {
        error = why;
        return false;
    }

    // Register name for a destination or source token; offset selects the n-th register
    // after it (the matrix macros). Returns false for a register we do not have.
    bool regName(std::uint32_t token, std::uint32_t offset, bool isDest, std::string* out) {
        const std::uint32_t type = regType(token);
        const std::uint32_t n = regNum(token) + offset;
        const bool relative = !isDest && (token & D3DVS_ADDRESSMODE_MASK) != 0;
        switch (type) {
            case D3DSPR_TEMP:
                if (n >= kMaxTemps) return fail("temporary register out of range");
                *out = "r[" + std::to_string(n) + "]";
                return true;
            case D3DSPR_INPUT:
                if (isDest) return fail("input register written");
                if (n >= kMaxInputs) return fail("input register out of range");
                inputMask |= 1u << n;
                *out = "v" + std::to_string(n);
                return true;
            case D3DSPR_CONST:
                if (isDest) return fail("constant register written");
                if (relative) {
                    *out = "cRel(a0 + " + std::to_string(n) + ")";
                } else {
                    if (n >= kMaxConsts) return fail("constant register out of range");
                    *out = "c[" + std::to_string(n) + "]";
                }
                return true;
            case D3DSPR_ADDR:
                if (n != 0) return fail("address register out of range");
                *out = isDest ? "a0v" : "vec4(float(a0))";
                return true;
            case D3DSPR_RASTOUT:
                if (!isDest) return fail("output register read");
                if (n == D3DSRO_POSITION)
                    *out = "oPos";
                else if (n == D3DSRO_FOG)
                    *out = "oFog";
                else if (n == D3DSRO_POINT_SIZE)
                    *out = "oPts";
                else
                    return fail("rasteriser output out of range");
                return true;
            case D3DSPR_ATTROUT:
                if (!isDest) return fail("output register read");
                if (n > 1) return fail("colour output out of range");
                *out = "oD" + std::to_string(n);
                return true;
            case D3DSPR_TEXCRDOUT:
                if (!isDest) return fail("output register read");
                if (n >= kMaxTexOut) return fail("texture output out of range");
                *out = "oT" + std::to_string(n);
                return true;
            default:
                return fail("unknown register type");
        }
    }

    bool source(std::uint32_t token, std::uint32_t offset, std::string* out) {
        if ((token & 0x80000000u) == 0) return fail("malformed source parameter");
        std::string name;
        if (!regName(token, offset, false, &name)) return false;
        const std::uint32_t swizzle = (token & D3DVS_SWIZZLE_MASK) >> D3DVS_SWIZZLE_SHIFT;
        if (swizzle != 0xE4) {
            static const char kComp[] = "xyzw";
            name += ".";
            for (int i = 0; i < 4; ++i) name += kComp[(swizzle >> (2 * i)) & 3];
        }
        const std::uint32_t mod = token & D3DSP_SRCMOD_MASK;
        if (mod == D3DSPSM_NEG) {
            name = "(-" + name + ")";
        } else if (mod != D3DSPSM_NONE) {
            return fail("unsupported source modifier");
        }
        *out = name;
        return true;
    }

    bool dest(std::uint32_t token, std::string* name, std::string* mask) {
        if ((token & 0x80000000u) == 0) return fail("malformed destination parameter");
        if (token & D3DSP_DSTMOD_MASK) return fail("unsupported destination modifier");
        if (!regName(token, 0, true, name)) return false;
        const std::uint32_t m = (token & D3DSP_WRITEMASK_ALL) >> 16;
        mask->clear();
        if (m != 0xF) {
            static const char kComp[] = "xyzw";
            for (int i = 0; i < 4; ++i) {
                if (m & (1u << i)) *mask += kComp[i];
            }
        }
        return true;
    }

    void emit(const std::string& dst, const std::string& mask, const std::string& value) {
        if (mask.empty()) {
            body += "    " + dst + " = " + value + ";\n";
        } else {
            body += "    { vec4 t = " + value + "; " + dst + "." + mask + " = t." + mask + "; }\n";
        }
    }

    bool instruction(std::uint32_t opcode, TokenReader& in) {
        int sources = 0;
        switch (opcode) {
            case D3DSIO_MOV:
            case D3DSIO_RCP:
            case D3DSIO_RSQ:
            case D3DSIO_EXP:
            case D3DSIO_LOG:
            case D3DSIO_EXPP:
            case D3DSIO_LOGP:
            case D3DSIO_LIT:
            case D3DSIO_FRC:
                sources = 1;
                break;
            case D3DSIO_ADD:
            case D3DSIO_SUB:
            case D3DSIO_MUL:
            case D3DSIO_DP3:
            case D3DSIO_DP4:
            case D3DSIO_MIN:
            case D3DSIO_MAX:
            case D3DSIO_SLT:
            case D3DSIO_SGE:
            case D3DSIO_DST:
            case D3DSIO_M4x4:
            case D3DSIO_M4x3:
            case D3DSIO_M3x4:
            case D3DSIO_M3x3:
            case D3DSIO_M3x2:
                sources = 2;
                break;
            case D3DSIO_MAD:
                sources = 3;
                break;
            default:
                return fail("unsupported opcode " + std::to_string(opcode));
        }
        std::uint32_t dstToken = 0;
        std::uint32_t srcTokens[3] = {};
        if (!in.next(&dstToken)) return fail("truncated instruction");
        for (int i = 0; i < sources; ++i) {
            if (!in.next(&srcTokens[i])) return fail("truncated instruction");
        }
        std::string dst, mask, s[3];
        if (!dest(dstToken, &dst, &mask)) return false;
        for (int i = 0; i < sources; ++i) {
            if (!source(srcTokens[i], 0, &s[i])) return false;
        }
        // Writing a0 (vs 1.1 "mov a0.x, src") keeps the floor of the value.
        if (dst == "a0v") {
            if (opcode != D3DSIO_MOV) return fail("address register written by non-mov");
            body += "    a0 = int(floor((" + s[0] + ").x));\n";
            return true;
        }
        std::string v;
        // Scalar operations read the last component of the swizzled source (a replicate
        // swizzle makes every component that one).
        switch (opcode) {
            case D3DSIO_MOV:
                v = s[0];
                break;
            case D3DSIO_ADD:
                v = s[0] + " + " + s[1];
                break;
            case D3DSIO_SUB:
                v = s[0] + " - " + s[1];
                break;
            case D3DSIO_MUL:
                v = s[0] + " * " + s[1];
                break;
            case D3DSIO_MAD:
                v = s[0] + " * " + s[1] + " + " + s[2];
                break;
            case D3DSIO_RCP:
                v = "vec4(ehRcp((" + s[0] + ").w))";
                break;
            case D3DSIO_RSQ:
                v = "vec4(ehRsq((" + s[0] + ").w))";
                break;
            case D3DSIO_DP3:
                v = "vec4(dot((" + s[0] + ").xyz, (" + s[1] + ").xyz))";
                break;
            case D3DSIO_DP4:
                v = "vec4(dot(" + s[0] + ", " + s[1] + "))";
                break;
            case D3DSIO_MIN:
                v = "min(" + s[0] + ", " + s[1] + ")";
                break;
            case D3DSIO_MAX:
                v = "max(" + s[0] + ", " + s[1] + ")";
                break;
            case D3DSIO_SLT:
                v = "vec4(lessThan(" + s[0] + ", " + s[1] + "))";
                break;
            case D3DSIO_SGE:
                v = "vec4(greaterThanEqual(" + s[0] + ", " + s[1] + "))";
                break;
            case D3DSIO_EXP:
                v = "vec4(exp2((" + s[0] + ").w))";
                break;
            case D3DSIO_LOG:
                v = "vec4(ehLog((" + s[0] + ").w))";
                break;
            case D3DSIO_EXPP:
                v = "ehExpp((" + s[0] + ").w)";
                break;
            case D3DSIO_LOGP:
                v = "ehLogp((" + s[0] + ").w)";
                break;
            case D3DSIO_LIT:
                v = "ehLit(" + s[0] + ")";
                break;
            case D3DSIO_DST:
                v = "vec4(1.0, (" + s[0] + ").y * (" + s[1] + ").y, (" + s[0] + ").z, (" + s[1] +
                    ").w)";
                break;
            case D3DSIO_FRC:
                v = "fract(" + s[0] + ")";
                break;
            default: {
                // Matrix macros: rows are consecutive registers starting at the second
                // source's register.
                int rows = 4, width = 4;
                if (opcode == D3DSIO_M4x3) rows = 3;
                if (opcode == D3DSIO_M3x4) width = 3;
                if (opcode == D3DSIO_M3x3) rows = 3, width = 3;
                if (opcode == D3DSIO_M3x2) rows = 2, width = 3;
                v = "vec4(";
                for (int r = 0; r < 4; ++r) {
                    if (r > 0) v += ", ";
                    if (r >= rows) {
                        v += "0.0";
                        continue;
                    }
                    std::string row;
                    if (!source(srcTokens[1], static_cast<std::uint32_t>(r), &row)) return false;
                    if (width == 4) {
                        v += "dot(" + s[0] + ", " + row + ")";
                    } else {
                        v += "dot((" + s[0] + ").xyz, (" + row + ").xyz)";
                    }
                }
                v += ")";
                if (mask.empty() && rows < 4) {
                    mask = rows == 3 ? "xyz" : "xy";
                }
                break;
            }
        }
        emit(dst, mask, v);
        return true;
    }
};

}  // namespace

std::uint32_t vsTypeSize(std::uint32_t type) {
    switch (type) {
        case D3DVSDT_FLOAT1:
            return 4;
        case D3DVSDT_FLOAT2:
            return 8;
        case D3DVSDT_FLOAT3:
            return 12;
        case D3DVSDT_FLOAT4:
            return 16;
        case D3DVSDT_D3DCOLOR:
            return 4;
        case D3DVSDT_UBYTE4:
            return 4;
        case D3DVSDT_SHORT2:
            return 4;
        case D3DVSDT_SHORT4:
            return 8;
        default:
            return 0;
    }
}

bool parseVsDeclaration(const std::uint32_t* tokens, std::size_t maxTokens, VsDeclaration* out,
                        std::string* error) {
    *out = VsDeclaration{};
    if (tokens == nullptr) {
        *error = "no declaration";
        return false;
    }
    std::uint32_t offset = 0;
    bool inStream = false;
    for (std::size_t i = 0; i < maxTokens; ++i) {
        const std::uint32_t token = tokens[i];
        if (token == D3DVSD_END()) return true;
        const std::uint32_t type = (token & D3DVSD_TOKENTYPEMASK) >> D3DVSD_TOKENTYPESHIFT;
        switch (type) {
            case D3DVSD_TOKEN_NOP:
                break;
            case D3DVSD_TOKEN_STREAM:
                if (token & D3DVSD_STREAMTESSMASK) {
                    *error = "tessellator streams are not supported";
                    return false;
                }
                if ((token & D3DVSD_STREAMNUMBERMASK) != 0) {
                    *error = "only stream 0 is supported";
                    return false;
                }
                inStream = true;
                offset = 0;
                break;
            case D3DVSD_TOKEN_STREAMDATA: {
                if (!inStream) {
                    *error = "stream data before a stream token";
                    return false;
                }
                if (token & D3DVSD_DATALOADTYPEMASK) {  // D3DVSD_SKIP: count DWORDs
                    offset += 4 * ((token & D3DVSD_SKIPCOUNTMASK) >> D3DVSD_SKIPCOUNTSHIFT);
                    break;
                }
                const std::uint32_t dataType =
                    (token & D3DVSD_DATATYPEMASK) >> D3DVSD_DATATYPESHIFT;
                const std::uint32_t reg = token & D3DVSD_VERTEXREGMASK;
                const std::uint32_t size = vsTypeSize(dataType);
                if (size == 0 || reg >= kMaxInputs) {
                    *error = "bad vertex element";
                    return false;
                }
                for (const VsElement& e : out->elements) {
                    if (e.reg == reg) {
                        *error = "input register declared twice";
                        return false;
                    }
                }
                out->elements.push_back({reg, dataType, offset});
                offset += size;
                out->bytes = std::max(out->bytes, offset);
                break;
            }
            case D3DVSD_TOKEN_CONSTMEM: {
                const std::uint32_t count =
                    (token & D3DVSD_CONSTCOUNTMASK) >> D3DVSD_CONSTCOUNTSHIFT;
                const std::uint32_t address =
                    (token & D3DVSD_CONSTADDRESSMASK) >> D3DVSD_CONSTADDRESSSHIFT;
                if (address + count > kMaxConsts || count * 4 > maxTokens - i - 1) {
                    *error = "bad constant block";
                    return false;
                }
                for (std::uint32_t k = 0; k < count; ++k) {
                    std::array<float, 4> value;
                    std::memcpy(value.data(), &tokens[i + 1 + 4 * k], sizeof(value));
                    out->constants.emplace_back(address + k, value);
                }
                i += 4 * count;
                break;
            }
            default:
                *error = "unsupported declaration token";
                return false;
        }
    }
    *error = "declaration has no end token";
    return false;
}

bool translateVertexShader(const std::uint32_t* tokens, std::size_t maxTokens, std::string* glsl,
                           std::uint32_t* inputMask, std::string* error) {
    if (tokens == nullptr || maxTokens == 0) {
        *error = "no shader code";
        return false;
    }
    TokenReader in(tokens, maxTokens);
    std::uint32_t version = 0;
    in.next(&version);
    if (version != D3DVS_VERSION(1, 0) && version != D3DVS_VERSION(1, 1)) {
        *error = "not a vs.1.0 or vs.1.1 shader";
        return false;
    }
    Translator t;
    bool ended = false;
    std::uint32_t token = 0;
    while (in.next(&token)) {
        const std::uint32_t opcode = token & D3DSI_OPCODE_MASK;
        if (opcode == D3DSIO_END) {
            ended = true;
            break;
        }
        if (opcode == D3DSIO_COMMENT) {
            if (!in.skip((token & D3DSI_COMMENTSIZE_MASK) >> D3DSI_COMMENTSIZE_SHIFT)) {
                *error = "truncated comment";
                return false;
            }
            continue;
        }
        if (opcode == D3DSIO_NOP) continue;
        if (!t.instruction(opcode, in)) {
            *error = t.error;
            return false;
        }
    }
    if (!ended) {
        *error = "shader has no end token";
        return false;
    }
    std::string s;
    for (std::uint32_t i = 0; i < kMaxInputs; ++i) {
        if (t.inputMask & (1u << i)) {
            s += "layout(location = " + std::to_string(i) + ") in vec4 v" + std::to_string(i) +
                 ";\n";
        }
    }
    s += "uniform vec4 c[96];\n";
    // Out-of-range relative constant reads give zero, as Direct3D's do.
    s += "vec4 cRel(int i) { return (i >= 0 && i < 96) ? c[i] : vec4(0.0); }\n";
    s += "float ehRcp(float x) { return x == 1.0 ? 1.0 : 1.0 / x; }\n";
    s += "float ehRsq(float x) { float a = abs(x); return a == 1.0 ? 1.0 : inversesqrt(a); }\n";
    s += "float ehLog(float x) { float a = abs(x); return a == 0.0 ? -3.4e38 : log2(a); }\n";
    s += "vec4 ehExpp(float x) { float f = floor(x); return vec4(exp2(f), x - f, exp2(x), 1.0); "
         "}\n";
    s += "vec4 ehLogp(float x) { float a = abs(x); if (a == 0.0) return vec4(-3.4e38, 1.0, "
         "-3.4e38, 1.0); float e = floor(log2(a)); return vec4(e, a / exp2(e), log2(a), 1.0); }\n";
    s += "vec4 ehLit(vec4 s) { float p = clamp(s.w, -128.0, 128.0); return vec4(1.0, max(s.x, "
         "0.0), (s.x > 0.0 && s.y > 0.0) ? pow(s.y, p) : 0.0, 1.0); }\n";
    s += "void main() {\n";
    s += "    vec4 r[12];\n    for (int i = 0; i < 12; ++i) r[i] = vec4(0.0);\n";
    s += "    int a0 = 0;\n";
    s += "    vec4 oPos = vec4(0.0, 0.0, 0.0, 1.0), oD0 = vec4(1.0), oD1 = vec4(0.0);\n";
    s += "    vec4 oFog = vec4(1.0), oPts = vec4(1.0);\n";
    for (std::uint32_t i = 0; i < kMaxTexOut; ++i) {
        s += "    vec4 oT" + std::to_string(i) + " = vec4(0.0, 0.0, 0.0, 1.0);\n";
    }
    s += t.body;
    s += "    gl_Position = ehToGl(oPos);\n";
    s += "    vDiffuse = clamp(oD0, 0.0, 1.0);\n    vSpecular = clamp(oD1, 0.0, 1.0);\n";
    s += "    vFog = clamp(oFog.x, 0.0, 1.0);\n";
    for (std::uint32_t i = 0; i < kMaxTexOut; ++i) {
        s += "    vTex" + std::to_string(i) + " = oT" + std::to_string(i) + ";\n";
    }
    s += "}\n";
    *glsl = s;
    *inputMask = t.inputMask;
    return true;
}

}  // namespace eh::d3d8
