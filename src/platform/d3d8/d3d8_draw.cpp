// Draw preparation: the one place where recorded state becomes GL state, programs,
// uniforms and vertex input.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/d3d8/d3d8_device.h"

namespace eh::d3d8 {

FvfLayout fvfLayout(DWORD fvf) {
    FvfLayout l;
    const DWORD pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == 0) return l;
    l.rhw = pos == D3DFVF_XYZRHW;
    UINT offset = 0;
    if (pos == D3DFVF_XYZ) {
        l.posFloats = 3;
        offset = 12;
    } else if (pos == D3DFVF_XYZRHW) {
        l.posFloats = 4;
        offset = 16;
    } else {  // XYZB1..XYZB5: blend weights follow the position; vertex blending is off
        l.posFloats = 3;
        offset = 12 + 4 * ((pos - D3DFVF_XYZB1) / 2 + 1);
    }
    if (fvf & D3DFVF_NORMAL) l.normal = static_cast<int>(offset), offset += 12;
    if (fvf & D3DFVF_PSIZE) offset += 4;
    if (fvf & D3DFVF_DIFFUSE) l.diffuse = static_cast<int>(offset), offset += 4;
    if (fvf & D3DFVF_SPECULAR) l.specular = static_cast<int>(offset), offset += 4;
    l.texCount = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    if (l.texCount > 8) return l;
    for (int i = 0; i < l.texCount; ++i) {
        static const int kSizes[4] = {2, 3, 4, 1};
        l.texSize[i] = kSizes[(fvf >> (16 + 2 * i)) & 3];
        l.tex[i] = static_cast<int>(offset);
        offset += 4 * static_cast<UINT>(l.texSize[i]);
    }
    l.size = offset;
    l.ok = true;
    return l;
}

namespace {

GLenum glCompare(DWORD f) {
    static const GLenum kMap[] = {GL_ALWAYS,  GL_NEVER,    GL_LESS,   GL_EQUAL, GL_LEQUAL,
                                  GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    return f <= 8 ? kMap[f] : GL_ALWAYS;
}

GLenum glBlend(DWORD b) {
    switch (b) {
        case D3DBLEND_ZERO:
            return GL_ZERO;
        case D3DBLEND_ONE:
            return GL_ONE;
        case D3DBLEND_SRCCOLOR:
            return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR:
            return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA:
            return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA:
            return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA:
            return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA:
            return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR:
            return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR:
            return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT:
            return GL_SRC_ALPHA_SATURATE;
        default:
            return GL_ONE;
    }
}

GLenum glAddress(DWORD a) {
    switch (a) {
        case D3DTADDRESS_MIRROR:
            return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP:
            return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER:
            return GL_CLAMP_TO_BORDER;
        case D3DTADDRESS_MIRRORONCE:
            return GL_CLAMP_TO_EDGE;
        default:
            return GL_REPEAT;
    }
}

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    }
    return r;
}

// Inverse transpose of the upper 3 x 3 (row-major, row vectors), for normals.
void normalMatrix(const D3DMATRIX& m, float out[9]) {
    const float a = m._11, b = m._12, c = m._13;
    const float d = m._21, e = m._22, f = m._23;
    const float g = m._31, h = m._32, i = m._33;
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    const float s = std::fabs(det) > 1e-30f ? 1.0f / det : 0.0f;
    // inverse = adj / det; its transpose is the cofactor matrix / det.
    const float cof[9] = {A,
                          B,
                          C,
                          -(b * i - c * h),
                          a * i - c * g,
                          -(a * h - b * g),
                          b * f - c * e,
                          -(a * f - c * d),
                          a * e - b * d};
    for (int k = 0; k < 9; ++k) out[k] = cof[k] * s;
}

void colorToFloats(D3DCOLOR c, float out[4]) {
    out[0] = ((c >> 16) & 0xFF) / 255.0f;
    out[1] = ((c >> 8) & 0xFF) / 255.0f;
    out[2] = (c & 0xFF) / 255.0f;
    out[3] = ((c >> 24) & 0xFF) / 255.0f;
}

float bitsFloat(DWORD d) {
    float f;
    std::memcpy(&f, &d, 4);
    return f;
}

bool usesArg(DWORD op, DWORD a0, DWORD a1, DWORD a2, DWORD selector) {
    auto is = [selector](DWORD a) { return (a & D3DTA_SELECTMASK) == selector; };
    const bool three = op == D3DTOP_MULTIPLYADD || op == D3DTOP_LERP;
    return (op != D3DTOP_SELECTARG2 && is(a1)) || (op != D3DTOP_SELECTARG1 && is(a2)) ||
           (three && is(a0));
}

}  // namespace

HRESULT Device::checkDraw(D3DPRIMITIVETYPE type, UINT primitives, GLenum* mode, UINT* count) const {
    switch (type) {
        case D3DPT_POINTLIST:
            *mode = GL_POINTS, *count = primitives;
            break;
        case D3DPT_LINELIST:
            *mode = GL_LINES, *count = primitives * 2;
            break;
        case D3DPT_LINESTRIP:
            *mode = GL_LINE_STRIP, *count = primitives + 1;
            break;
        case D3DPT_TRIANGLELIST:
            *mode = GL_TRIANGLES, *count = primitives * 3;
            break;
        case D3DPT_TRIANGLESTRIP:
            *mode = GL_TRIANGLE_STRIP, *count = primitives + 2;
            break;
        case D3DPT_TRIANGLEFAN:
            *mode = GL_TRIANGLE_FAN, *count = primitives + 2;
            break;
        default:
            return D3DERR_INVALIDCALL;
    }
    if (primitives > 0xFFFFFF) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

void Device::buildKey() {
    ProgramKey k;
    const bool shader = (vertexShader_ & kShaderHandleBit) != 0;
    FvfLayout layout;
    if (shader) {
        auto it = shaders_.find(vertexShader_);
        k.vertexShader = it != shaders_.end() ? it->second->id : 0xFFFFFFFFu;
    } else {
        layout = fvfLayout(vertexShader_);
        k.pretransformed = layout.rhw;
        k.hasNormal = layout.normal >= 0;
        k.hasDiffuse = layout.diffuse >= 0;
        k.hasSpecular = layout.specular >= 0;
        k.texSets = static_cast<std::uint8_t>(layout.texCount);
        for (int i = 0; i < layout.texCount; ++i) {
            k.texSizes[i] = static_cast<std::uint8_t>(layout.texSize[i]);
        }
        // Pre-transformed vertices are never lit or fogged.
        if (rs_[D3DRS_LIGHTING] && !layout.rhw) {
            k.lighting = 1;
            int count = 0;
            for (const auto& l : lights_) count += l.enabled ? 1 : 0;
            k.lightCount = static_cast<std::uint8_t>(std::min(count, kMaxLights));
            k.localViewer = rs_[D3DRS_LOCALVIEWER] != 0;
            k.normalizeNormals = rs_[D3DRS_NORMALIZENORMALS] != 0;
            auto source = [&](DWORD state) -> std::uint8_t {
                if (!rs_[D3DRS_COLORVERTEX]) return 0;
                if (rs_[state] == D3DMCS_COLOR1 && k.hasDiffuse) return 1;
                if (rs_[state] == D3DMCS_COLOR2 && k.hasSpecular) return 2;
                return 0;
            };
            k.diffuseSource = source(D3DRS_DIFFUSEMATERIALSOURCE);
            k.ambientSource = source(D3DRS_AMBIENTMATERIALSOURCE);
            k.specularSource = source(D3DRS_SPECULARMATERIALSOURCE);
            k.emissiveSource = source(D3DRS_EMISSIVEMATERIALSOURCE);
        }
        if (rs_[D3DRS_FOGENABLE] && !layout.rhw) {
            const DWORD mode = rs_[D3DRS_FOGTABLEMODE] != D3DFOG_NONE ? rs_[D3DRS_FOGTABLEMODE]
                                                                      : rs_[D3DRS_FOGVERTEXMODE];
            k.fogMode = static_cast<std::uint8_t>(mode <= D3DFOG_LINEAR ? mode : 0);
        }
    }
    if (shader && rs_[D3DRS_FOGENABLE]) k.fogMode = D3DFOG_LINEAR;  // oFog carries the factor
    k.specular = rs_[D3DRS_SPECULARENABLE] != 0;
    // A test no 8-bit alpha can fail (GREATEREQUAL 0, LESSEQUAL 255) is left out: its
    // discard would only keep llvmpipe from writing depth before the fragment program.
    const DWORD alphaFunc = rs_[D3DRS_ALPHAFUNC], alphaRef = rs_[D3DRS_ALPHAREF] & 0xFF;
    const bool alphaAlwaysPasses = alphaFunc == D3DCMP_ALWAYS ||
                                   (alphaFunc == D3DCMP_GREATEREQUAL && alphaRef == 0) ||
                                   (alphaFunc == D3DCMP_LESSEQUAL && alphaRef == 0xFF);
    if (rs_[D3DRS_ALPHATESTENABLE] && !alphaAlwaysPasses) {
        k.alphaFunc = static_cast<std::uint8_t>(std::min<DWORD>(alphaFunc, 8));
    }
    for (int s = 0; s < kMaxStages; ++s) {
        const auto& t = tss_[s];
        if (t[D3DTSS_COLOROP] == D3DTOP_DISABLE || t[D3DTSS_COLOROP] > D3DTOP_LERP) break;
        StageKey& st = k.stages[s];
        k.stageCount = static_cast<std::uint8_t>(s + 1);
        const DWORD cop = t[D3DTSS_COLOROP], aop = t[D3DTSS_ALPHAOP];
        const bool threeC = cop == D3DTOP_MULTIPLYADD || cop == D3DTOP_LERP;
        const bool threeA = aop == D3DTOP_MULTIPLYADD || aop == D3DTOP_LERP;
        st.colorOp = static_cast<std::uint8_t>(cop);
        st.colorArg0 = static_cast<std::uint8_t>(threeC ? t[D3DTSS_COLORARG0] & 0x3F : 0);
        st.colorArg1 = static_cast<std::uint8_t>(t[D3DTSS_COLORARG1] & 0x3F);
        st.colorArg2 = static_cast<std::uint8_t>(t[D3DTSS_COLORARG2] & 0x3F);
        st.alphaOp = static_cast<std::uint8_t>(aop <= D3DTOP_LERP ? aop : D3DTOP_DISABLE);
        if (st.alphaOp != D3DTOP_DISABLE) {
            st.alphaArg0 = static_cast<std::uint8_t>(threeA ? t[D3DTSS_ALPHAARG0] & 0x3F : 0);
            st.alphaArg1 = static_cast<std::uint8_t>(t[D3DTSS_ALPHAARG1] & 0x3F);
            st.alphaArg2 = static_cast<std::uint8_t>(t[D3DTSS_ALPHAARG2] & 0x3F);
        }
        st.resultTemp = t[D3DTSS_RESULTARG] == D3DTA_TEMP;
        const bool sampled =
            usesArg(cop, st.colorArg0, st.colorArg1, st.colorArg2, D3DTA_TEXTURE) ||
            (st.alphaOp != D3DTOP_DISABLE &&
             usesArg(aop, st.alphaArg0, st.alphaArg1, st.alphaArg2, D3DTA_TEXTURE)) ||
            cop == D3DTOP_BLENDTEXTUREALPHA || cop == D3DTOP_BLENDTEXTUREALPHAPM ||
            aop == D3DTOP_BLENDTEXTUREALPHA || aop == D3DTOP_BLENDTEXTUREALPHAPM;
        if (sampled && textures_[s] != nullptr) {
            st.textureType =
                textures_[s]->target() == GL_TEXTURE_CUBE_MAP ? kStageTextureCube : kStageTexture2D;
            if (!shader) {
                const DWORD tci = t[D3DTSS_TEXCOORDINDEX];
                st.texCoordSet = static_cast<std::uint8_t>(std::min<DWORD>(tci & 0xFFFF, 7));
                st.texGen = static_cast<std::uint8_t>((tci >> 16) & 3);
                const DWORD ttff = t[D3DTSS_TEXTURETRANSFORMFLAGS];
                st.transform = static_cast<std::uint8_t>(std::min<DWORD>(ttff & 0xFF, 4) |
                                                         ((ttff & D3DTTFF_PROJECTED) ? 0x80 : 0));
            }
        }
    }
    key_ = k;
}

Program* Device::programFor(const ProgramKey& key) {
    auto it = programs_.find(key);
    if (it != programs_.end()) return it->second.get();
    std::string vertex;
    if (key.vertexShader != 0) {
        const VertexShaderObject* vs = nullptr;
        for (const auto& [handle, object] : shaders_) {
            if (object->id == key.vertexShader) vs = object.get();
        }
        if (vs == nullptr) return nullptr;
        vertex = vertexPrelude(zeroToOne_) + vs->glsl;
    } else {
        vertex = generateFixedVertexShader(key, zeroToOne_);
    }
    std::string log;
    const GLuint name = compileProgram(vertex, generateFragmentShader(key), &log);
    if (name == 0) {
        std::fprintf(stderr, "d3d8: program generation failed: %s\n", log.c_str());
        return nullptr;
    }
    auto p = std::make_unique<Program>();
    p->name = name;
    auto loc = [name](const char* n) { return glGetUniformLocation(name, n); };
    p->uWorldView = loc("uWorldView");
    p->uProj = loc("uProj");
    p->uNormalMat = loc("uNormalMat");
    p->uPixel = loc("uPixel");
    p->uViewport = loc("uViewport");
    p->uTexMat = loc("uTexMat");
    p->uFog = loc("uFog");
    p->uMatDiffuse = loc("uMatDiffuse");
    p->uMatAmbient = loc("uMatAmbient");
    p->uMatSpecular = loc("uMatSpecular");
    p->uMatEmissive = loc("uMatEmissive");
    p->uMatPower = loc("uMatPower");
    p->uAmbient = loc("uAmbient");
    p->uLightDiffuse = loc("uLightDiffuse");
    p->uLightSpecular = loc("uLightSpecular");
    p->uLightAmbient = loc("uLightAmbient");
    p->uLightPos = loc("uLightPos");
    p->uLightDir = loc("uLightDir");
    p->uLightAtt = loc("uLightAtt");
    p->uLightSpot = loc("uLightSpot");
    p->uTFactor = loc("uTFactor");
    p->uAlphaRef = loc("uAlphaRef");
    p->uFogColor = loc("uFogColor");
    p->uC = loc("c");
    glUseProgram(name);
    for (int i = 0; i < kMaxStages; ++i) {
        const std::string sampler = "uTex" + std::to_string(i);
        const GLint l = loc(sampler.c_str());
        if (l >= 0) glUniform1i(l, i);
    }
    p->seen.fill(~0ull);
    program_ = nullptr;  // glUseProgram above changed the current program
    Program* raw = p.get();
    programs_.emplace(key, std::move(p));
    return raw;
}

void Device::applyRaster() {
    const bool depth = rs_[D3DRS_ZENABLE] != D3DZB_FALSE && depthStencil_ != nullptr;
    if (depth) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(glCompare(rs_[D3DRS_ZFUNC]));
        glDepthMask(rs_[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    } else {
        glDisable(GL_DEPTH_TEST);  // like Direct3D, also stops depth writes
    }
    if (rs_[D3DRS_ALPHABLENDENABLE]) {
        glEnable(GL_BLEND);
        GLenum src = glBlend(rs_[D3DRS_SRCBLEND]), dst = glBlend(rs_[D3DRS_DESTBLEND]);
        if (rs_[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA) {
            src = GL_SRC_ALPHA, dst = GL_ONE_MINUS_SRC_ALPHA;
        } else if (rs_[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA) {
            src = GL_ONE_MINUS_SRC_ALPHA, dst = GL_SRC_ALPHA;
        }
        glBlendFunc(src, dst);
        switch (rs_[D3DRS_BLENDOP]) {
            case D3DBLENDOP_SUBTRACT:
                glBlendEquation(GL_FUNC_SUBTRACT);
                break;
            case D3DBLENDOP_REVSUBTRACT:
                glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
                break;
            case D3DBLENDOP_MIN:
                glBlendEquation(GL_MIN);
                break;
            case D3DBLENDOP_MAX:
                glBlendEquation(GL_MAX);
                break;
            default:
                glBlendEquation(GL_FUNC_ADD);
                break;
        }
    } else {
        glDisable(GL_BLEND);
    }
    // Our targets hold Direct3D's rows bottom-up in GL terms, which mirrors every
    // triangle: what Direct3D sees counter-clockwise, GL sees clockwise.
    switch (rs_[D3DRS_CULLMODE]) {
        case D3DCULL_CW:
            glEnable(GL_CULL_FACE);
            glFrontFace(GL_CW);
            glCullFace(GL_BACK);
            break;
        case D3DCULL_CCW:
            glEnable(GL_CULL_FACE);
            glFrontFace(GL_CCW);
            glCullFace(GL_BACK);
            break;
        default:
            glDisable(GL_CULL_FACE);
            break;
    }
    const DWORD mask = rs_[D3DRS_COLORWRITEENABLE];
    glColorMask(mask & 1 ? GL_TRUE : GL_FALSE, mask & 2 ? GL_TRUE : GL_FALSE,
                mask & 4 ? GL_TRUE : GL_FALSE, mask & 8 ? GL_TRUE : GL_FALSE);
    glPolygonMode(GL_FRONT_AND_BACK, rs_[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                                     : rs_[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                                : GL_FILL);
    if (rs_[D3DRS_MULTISAMPLEANTIALIAS])
        glEnable(GL_MULTISAMPLE);
    else
        glDisable(GL_MULTISAMPLE);
    glDisable(GL_SCISSOR_TEST);
}

void Device::applySamplers() {
    for (int s = 0; s < kMaxStages; ++s) {
        const bool used = s < key_.stageCount && key_.stages[s].textureType != kStageTextureNone;
        if (!used) continue;
        BaseTexture* tex = textures_[s];
        glActiveTexture(GL_TEXTURE0 + s);
        glBindTexture(tex->target(), tex->name());
        glBindSampler(static_cast<GLuint>(s), samplers_[s]);
        if (!samplerDirty_[s]) continue;
        samplerDirty_[s] = false;
        const auto& t = tss_[s];
        const GLuint sm = samplers_[s];
        const bool minLinear = t[D3DTSS_MINFILTER] >= D3DTEXF_LINEAR;
        GLenum minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
        if (t[D3DTSS_MIPFILTER] == D3DTEXF_POINT) {
            minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        } else if (t[D3DTSS_MIPFILTER] >= D3DTEXF_LINEAR) {
            minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        }
        glSamplerParameteri(sm, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
        glSamplerParameteri(sm, GL_TEXTURE_MAG_FILTER,
                            t[D3DTSS_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
        glSamplerParameteri(sm, GL_TEXTURE_WRAP_S,
                            static_cast<GLint>(glAddress(t[D3DTSS_ADDRESSU])));
        glSamplerParameteri(sm, GL_TEXTURE_WRAP_T,
                            static_cast<GLint>(glAddress(t[D3DTSS_ADDRESSV])));
        glSamplerParameteri(sm, GL_TEXTURE_WRAP_R,
                            static_cast<GLint>(glAddress(t[D3DTSS_ADDRESSW])));
        float border[4];
        colorToFloats(t[D3DTSS_BORDERCOLOR], border);
        glSamplerParameterfv(sm, GL_TEXTURE_BORDER_COLOR, border);
        glSamplerParameterf(sm, GL_TEXTURE_LOD_BIAS, bitsFloat(t[D3DTSS_MIPMAPLODBIAS]));
        // MAXMIPLEVEL is the largest (most detailed) level the sampler may use.
        glSamplerParameterf(sm, GL_TEXTURE_MIN_LOD, static_cast<float>(t[D3DTSS_MAXMIPLEVEL]));
    }
    glActiveTexture(GL_TEXTURE0);
}

void Device::applyInput() {
    const GLuint name = stream_->sync();
    if (!(dirty_ & kDirtyInput) && name == boundVb_) return;
    boundVb_ = name;
    std::uint32_t want = 0;
    const GLsizei stride = static_cast<GLsizei>(stride_);
    auto pointer = [&](GLuint loc, GLint size, GLenum type, GLboolean norm, int offset) {
        glVertexAttribPointer(loc, size, type, norm, stride,
                              reinterpret_cast<const void*>(static_cast<std::uintptr_t>(offset)));
        want |= 1u << loc;
    };
    if (vertexShader_ & kShaderHandleBit) {
        const auto& decl = shaders_.at(vertexShader_)->declaration;
        for (const VsElement& e : decl.elements) {
            const int off = static_cast<int>(e.offset);
            switch (e.type) {
                case D3DVSDT_FLOAT1:
                    pointer(e.reg, 1, GL_FLOAT, GL_FALSE, off);
                    break;
                case D3DVSDT_FLOAT2:
                    pointer(e.reg, 2, GL_FLOAT, GL_FALSE, off);
                    break;
                case D3DVSDT_FLOAT3:
                    pointer(e.reg, 3, GL_FLOAT, GL_FALSE, off);
                    break;
                case D3DVSDT_FLOAT4:
                    pointer(e.reg, 4, GL_FLOAT, GL_FALSE, off);
                    break;
                case D3DVSDT_D3DCOLOR:
                    pointer(e.reg, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, off);
                    break;
                case D3DVSDT_UBYTE4:
                    pointer(e.reg, 4, GL_UNSIGNED_BYTE, GL_FALSE, off);
                    break;
                case D3DVSDT_SHORT2:
                    pointer(e.reg, 2, GL_SHORT, GL_FALSE, off);
                    break;
                default:
                    pointer(e.reg, 4, GL_SHORT, GL_FALSE, off);
                    break;
            }
        }
    } else {
        const FvfLayout l = fvfLayout(vertexShader_);
        pointer(0, l.posFloats, GL_FLOAT, GL_FALSE, 0);
        if (l.normal >= 0) pointer(1, 3, GL_FLOAT, GL_FALSE, l.normal);
        // D3DCOLOR is B, G, R, A in memory; GL_BGRA hands the shader (R, G, B, A).
        if (l.diffuse >= 0) pointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, l.diffuse);
        if (l.specular >= 0) pointer(3, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, l.specular);
        for (int i = 0; i < l.texCount; ++i) {
            pointer(4 + i, l.texSize[i], GL_FLOAT, GL_FALSE, l.tex[i]);
        }
    }
    for (GLuint i = 0; i < 16; ++i) {
        const bool on = (want >> i) & 1, was = (enabledAttribs_ >> i) & 1;
        if (on && !was) glEnableVertexAttribArray(i);
        if (!on && was) glDisableVertexAttribArray(i);
    }
    enabledAttribs_ = want;
}

void Device::uploadUniforms(Program& p) {
    auto stale = [&](UniformGroup g) {
        if (p.seen[g] == serial_[g]) return false;
        p.seen[g] = serial_[g];
        return true;
    };
    if (stale(kUViewport)) {
        if (p.uPixel >= 0) {
            glUniform4f(p.uPixel, 1.0f / static_cast<float>(viewport_.Width),
                        1.0f / static_cast<float>(viewport_.Height), 0.0f, 0.0f);
        }
        if (p.uViewport >= 0) {
            glUniform4f(p.uViewport, static_cast<float>(viewport_.X),
                        static_cast<float>(viewport_.Y), static_cast<float>(viewport_.Width),
                        static_cast<float>(viewport_.Height));
        }
    }
    if (stale(kUTransform)) {
        const D3DMATRIX wv = multiply(world_, view_);
        // Row-major Direct3D matrices go up unchanged: GL reads them as the transpose,
        // so M * v in GLSL is Direct3D's v * M.
        if (p.uWorldView >= 0) glUniformMatrix4fv(p.uWorldView, 1, GL_FALSE, &wv._11);
        if (p.uProj >= 0) glUniformMatrix4fv(p.uProj, 1, GL_FALSE, &proj_._11);
        if (p.uNormalMat >= 0) {
            float n[9];
            normalMatrix(wv, n);
            glUniformMatrix3fv(p.uNormalMat, 1, GL_FALSE, n);
        }
    }
    if (stale(kUTexMatrix) && p.uTexMat >= 0) {
        glUniformMatrix4fv(p.uTexMat, kMaxStages, GL_FALSE, &texMatrix_[0]._11);
    }
    if (stale(kUMaterial)) {
        if (p.uMatDiffuse >= 0) glUniform4fv(p.uMatDiffuse, 1, &material_.Diffuse.r);
        if (p.uMatAmbient >= 0) glUniform4fv(p.uMatAmbient, 1, &material_.Ambient.r);
        if (p.uMatSpecular >= 0) glUniform4fv(p.uMatSpecular, 1, &material_.Specular.r);
        if (p.uMatEmissive >= 0) glUniform4fv(p.uMatEmissive, 1, &material_.Emissive.r);
        if (p.uMatPower >= 0) glUniform1f(p.uMatPower, material_.Power);
        if (p.uAmbient >= 0) {
            float a[4];
            colorToFloats(rs_[D3DRS_AMBIENT], a);
            glUniform4fv(p.uAmbient, 1, a);
        }
    }
    if (stale(kULights) && p.uLightPos >= 0) {
        float diffuse[32] = {}, specular[32] = {}, ambient[32] = {}, pos[32] = {}, dir[32] = {};
        float att[32] = {}, spot[32] = {};
        int n = 0;
        for (const auto& slot : lights_) {
            if (!slot.enabled || n >= kMaxLights) continue;
            const D3DLIGHT8& l = slot.light;
            std::memcpy(&diffuse[4 * n], &l.Diffuse, 16);
            std::memcpy(&specular[4 * n], &l.Specular, 16);
            std::memcpy(&ambient[4 * n], &l.Ambient, 16);
            const D3DVECTOR& P = l.Position;
            const D3DVECTOR& D = l.Direction;
            for (int c = 0; c < 3; ++c) {
                pos[4 * n + c] =
                    P.x * view_.m[0][c] + P.y * view_.m[1][c] + P.z * view_.m[2][c] + view_.m[3][c];
                dir[4 * n + c] = D.x * view_.m[0][c] + D.y * view_.m[1][c] + D.z * view_.m[2][c];
            }
            const float len = std::sqrt(dir[4 * n] * dir[4 * n] + dir[4 * n + 1] * dir[4 * n + 1] +
                                        dir[4 * n + 2] * dir[4 * n + 2]);
            for (int c = 0; c < 3 && len > 0.0f; ++c) dir[4 * n + c] /= len;
            pos[4 * n + 3] = static_cast<float>(l.Type);
            dir[4 * n + 3] = l.Range;
            att[4 * n] = l.Attenuation0;
            att[4 * n + 1] = l.Attenuation1;
            att[4 * n + 2] = l.Attenuation2;
            att[4 * n + 3] = l.Falloff;
            spot[4 * n] = std::cos(l.Theta * 0.5f);
            spot[4 * n + 1] = std::cos(l.Phi * 0.5f);
            ++n;
        }
        glUniform4fv(p.uLightDiffuse, kMaxLights, diffuse);
        glUniform4fv(p.uLightSpecular, kMaxLights, specular);
        glUniform4fv(p.uLightAmbient, kMaxLights, ambient);
        glUniform4fv(p.uLightPos, kMaxLights, pos);
        glUniform4fv(p.uLightDir, kMaxLights, dir);
        glUniform4fv(p.uLightAtt, kMaxLights, att);
        glUniform4fv(p.uLightSpot, kMaxLights, spot);
    }
    if (stale(kUFragment)) {
        float c[4];
        colorToFloats(rs_[D3DRS_TEXTUREFACTOR], c);
        if (p.uTFactor >= 0) glUniform4fv(p.uTFactor, 1, c);
        if (p.uAlphaRef >= 0)
            glUniform1f(p.uAlphaRef, static_cast<float>(rs_[D3DRS_ALPHAREF] & 0xFF));
        colorToFloats(rs_[D3DRS_FOGCOLOR], c);
        if (p.uFogColor >= 0) glUniform4fv(p.uFogColor, 1, c);
        if (p.uFog >= 0) {
            glUniform3f(p.uFog, bitsFloat(rs_[D3DRS_FOGSTART]), bitsFloat(rs_[D3DRS_FOGEND]),
                        bitsFloat(rs_[D3DRS_FOGDENSITY]));
        }
    }
    if (stale(kUVsConst) && p.uC >= 0) glUniform4fv(p.uC, kMaxVsConstants, &vsConst_[0][0]);
}

bool Device::prepareDraw(UINT, UINT) {
    makeCurrent();
    if ((dirty_ & kDirtyKey) || program_ == nullptr) {
        buildKey();
        Program* p = programFor(key_);
        if (p == nullptr) return false;
        if (p != program_) {
            glUseProgram(p->name);
            program_ = p;
        }
        dirty_ |= kDirtySamplers;
    }
    if (dirty_ & kDirtyRaster) applyRaster();
    if (dirty_ & kDirtyViewport) {
        glViewport(static_cast<GLint>(viewport_.X), static_cast<GLint>(viewport_.Y),
                   static_cast<GLsizei>(viewport_.Width), static_cast<GLsizei>(viewport_.Height));
        glDepthRange(viewport_.MinZ, viewport_.MaxZ);
    }
    if (dirty_ & kDirtySamplers) applySamplers();
    applyInput();
    uploadUniforms(*program_);
    dirty_ = 0;
    ++draws_;
    return true;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                              UINT PrimitiveCount) {
    GLenum mode;
    UINT count;
    if (FAILED(checkDraw(PrimitiveType, PrimitiveCount, &mode, &count))) {
        return D3DERR_INVALIDCALL;
    }
    if (PrimitiveCount == 0) return D3D_OK;
    if (stream_ == nullptr || stride_ == 0 || vertexShader_ == 0) return D3DERR_INVALIDCALL;
    UINT need = 0;
    if (vertexShader_ & kShaderHandleBit) {
        auto it = shaders_.find(vertexShader_);
        if (it == shaders_.end()) return D3DERR_INVALIDCALL;
        need = it->second->declaration.bytes;
    } else {
        need = fvfLayout(vertexShader_).size;
    }
    // The last vertex must lie inside the buffer.
    const std::uint64_t end =
        (static_cast<std::uint64_t>(StartVertex) + count - 1) * stride_ + need;
    if (need > stride_ || end > stream_->length()) return D3DERR_INVALIDCALL;
    if (loss_ != Loss::kOk) return D3D_OK;  // a lost device drops draws silently
    if (!prepareDraw(StartVertex, count)) return D3DERR_INVALIDCALL;
    glDrawArrays(mode, static_cast<GLint>(StartVertex), static_cast<GLsizei>(count));
    return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT, UINT, UINT startIndex,
                                     UINT primCount) {
    GLenum mode;
    UINT count;
    if (FAILED(checkDraw(PrimitiveType, primCount, &mode, &count))) return D3DERR_INVALIDCALL;
    if (primCount == 0) return D3D_OK;
    if (stream_ == nullptr || indices_ == nullptr || stride_ == 0 || vertexShader_ == 0) {
        return D3DERR_INVALIDCALL;
    }
    const UINT isize = indices_->indexSize();
    if ((static_cast<std::uint64_t>(startIndex) + count) * isize > indices_->length()) {
        return D3DERR_INVALIDCALL;
    }
    UINT need = 0;
    if (vertexShader_ & kShaderHandleBit) {
        auto it = shaders_.find(vertexShader_);
        if (it == shaders_.end()) return D3DERR_INVALIDCALL;
        need = it->second->declaration.bytes;
    } else {
        need = fvfLayout(vertexShader_).size;
    }
    if (need > stride_ || need > stream_->length()) return D3DERR_INVALIDCALL;
    // Every index the draw reads must name a vertex inside the buffer.
    const std::uint64_t vertices = (stream_->length() - need) / stride_ + 1;
    if (baseVertex_ + static_cast<std::uint64_t>(indices_->maxIndex(startIndex, count)) >=
        vertices) {
        return D3DERR_INVALIDCALL;
    }
    if (loss_ != Loss::kOk) return D3D_OK;
    if (!prepareDraw(0, count)) return D3DERR_INVALIDCALL;
    indices_->sync();
    glDrawElementsBaseVertex(
        mode, static_cast<GLsizei>(count), isize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
        reinterpret_cast<const void*>(static_cast<std::uintptr_t>(startIndex) * isize),
        static_cast<GLint>(baseVertex_));
    return D3D_OK;
}
}  // namespace eh::d3d8
