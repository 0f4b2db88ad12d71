#include "platform/d3d8/d3d8_shadergen.h"

#include <string>

#include "platform/d3d8/d3d8types.h"

namespace eh::d3d8 {
namespace {

std::string num(int value) {
    return std::to_string(value);
}

// One argument of a texture stage as a vec4 expression.
std::string stageArg(int stage, std::uint8_t arg) {
    std::string base;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE:
            base = "vDiffuse";
            break;
        case D3DTA_CURRENT:
            base = "cur";
            break;
        case D3DTA_TEXTURE:
            base = "tex" + num(stage);
            break;
        case D3DTA_TFACTOR:
            base = "uTFactor";
            break;
        case D3DTA_SPECULAR:
            base = "vSpecular";
            break;
        case D3DTA_TEMP:
            base = "temp";
            break;
        default:
            base = "vec4(0.0)";
            break;
    }
    if (arg & D3DTA_ALPHAREPLICATE) base = "(" + base + ").aaaa";
    if (arg & D3DTA_COMPLEMENT) base = "(vec4(1.0) - " + base + ")";
    return base;
}

// The operation's result as a vec4 expression of a0, a1, a2 (the stage's arguments).
// Operations outside the supported set select the first argument.
std::string stageOp(int stage, std::uint8_t op) {
    const std::string tex = "tex" + num(stage);
    switch (op) {
        case D3DTOP_SELECTARG1:
            return "a1";
        case D3DTOP_SELECTARG2:
            return "a2";
        case D3DTOP_MODULATE:
            return "a1 * a2";
        case D3DTOP_MODULATE2X:
            return "2.0 * a1 * a2";
        case D3DTOP_MODULATE4X:
            return "4.0 * a1 * a2";
        case D3DTOP_ADD:
            return "a1 + a2";
        case D3DTOP_ADDSIGNED:
            return "a1 + a2 - 0.5";
        case D3DTOP_ADDSIGNED2X:
            return "2.0 * (a1 + a2 - 0.5)";
        case D3DTOP_SUBTRACT:
            return "a1 - a2";
        case D3DTOP_ADDSMOOTH:
            return "a1 + a2 - a1 * a2";
        case D3DTOP_BLENDDIFFUSEALPHA:
            return "mix(a2, a1, vDiffuse.a)";
        case D3DTOP_BLENDTEXTUREALPHA:
            return "mix(a2, a1, " + tex + ".a)";
        case D3DTOP_BLENDFACTORALPHA:
            return "mix(a2, a1, uTFactor.a)";
        case D3DTOP_BLENDTEXTUREALPHAPM:
            return "a1 + a2 * (1.0 - " + tex + ".a)";
        case D3DTOP_BLENDCURRENTALPHA:
            return "mix(a2, a1, cur.a)";
        case D3DTOP_MODULATEALPHA_ADDCOLOR:
            return "vec4(a1.rgb + a1.a * a2.rgb, a1.a)";
        case D3DTOP_MODULATECOLOR_ADDALPHA:
            return "vec4(a1.rgb * a2.rgb + a1.a, a1.a)";
        case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
            return "vec4((1.0 - a1.a) * a2.rgb + a1.rgb, a1.a)";
        case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
            return "vec4((vec3(1.0) - a1.rgb) * a2.rgb + a1.a, a1.a)";
        case D3DTOP_DOTPRODUCT3:
            return "vec4(4.0 * dot(a1.rgb - 0.5, a2.rgb - 0.5))";
        case D3DTOP_MULTIPLYADD:
            return "a0 + a1 * a2";
        case D3DTOP_LERP:
            return "mix(a2, a1, a0)";
        default:
            return "a1";
    }
}

// Whether the operation keeps arguments that lie in 0..1 (every stage argument does:
// textures are unsigned normalised, colours clamped or normalised) exactly inside 0..1, so
// its clamp is dead work.
bool staysInRange(std::uint8_t op) {
    switch (op) {
        case D3DTOP_SELECTARG1:
        case D3DTOP_SELECTARG2:
        case D3DTOP_MODULATE:  // a product of two floats in 0..1 rounds into 0..1
            return true;
        default:
            return false;
    }
}

const char* cmpExpr(std::uint8_t func) {
    switch (func) {
        case D3DCMP_NEVER:
            return "false";
        case D3DCMP_LESS:
            return "a < uAlphaRef";
        case D3DCMP_EQUAL:
            return "a == uAlphaRef";
        case D3DCMP_LESSEQUAL:
            return "a <= uAlphaRef";
        case D3DCMP_GREATER:
            return "a > uAlphaRef";
        case D3DCMP_NOTEQUAL:
            return "a != uAlphaRef";
        case D3DCMP_GREATEREQUAL:
            return "a >= uAlphaRef";
        default:
            return "true";
    }
}

// Colour source expression for a material colour (see ProgramKey::diffuseSource).
std::string source(std::uint8_t src, const char* material) {
    if (src == 1) return "aDiffuse";
    if (src == 2) return "aSpecular";
    return material;
}

}  // namespace

std::string vertexPrelude(bool zeroToOneDepth) {
    std::string s = "#version 330 core\n";
    // uPixel.xy: one pixel of the viewport in normalised device units, halved (1/W, 1/H):
    // Direct3D samples pixel centres at integer coordinates, GL at +0.5.
    s += "uniform vec4 uPixel;\n";
    s += "vec4 ehToGl(vec4 p) {\n";
    s += "    return vec4(p.x + p.w * uPixel.x, -p.y + p.w * uPixel.y, ";
    s += zeroToOneDepth ? "p.z" : "2.0 * p.z - p.w";
    s += ", p.w);\n}\n";
    s += "out vec4 vDiffuse;\nout vec4 vSpecular;\nout float vFog;\n";
    for (int i = 0; i < kMaxStages; ++i) s += "out vec4 vTex" + num(i) + ";\n";
    return s;
}

std::string generateFixedVertexShader(const ProgramKey& key, bool zeroToOneDepth) {
    std::string s = vertexPrelude(zeroToOneDepth);
    s += "layout(location = 0) in vec4 aPos;\n";
    if (key.hasNormal) s += "layout(location = 1) in vec3 aNormal;\n";
    if (key.hasDiffuse) s += "layout(location = 2) in vec4 aDiffuse;\n";
    if (key.hasSpecular) s += "layout(location = 3) in vec4 aSpecular;\n";
    for (int i = 0; i < key.texSets; ++i) {
        s += "layout(location = " + num(4 + i) + ") in vec4 aTex" + num(i) + ";\n";
    }
    s += "uniform mat4 uWorldView;\nuniform mat4 uProj;\nuniform mat3 uNormalMat;\n";
    s += "uniform vec4 uViewport;\nuniform mat4 uTexMat[8];\nuniform vec3 uFog;\n";
    if (key.lighting) {
        s += "uniform vec4 uMatDiffuse, uMatAmbient, uMatSpecular, uMatEmissive;\n";
        s += "uniform float uMatPower;\nuniform vec4 uAmbient;\n";
        if (key.lightCount > 0) {
            s += "uniform vec4 uLightDiffuse[8], uLightSpecular[8], uLightAmbient[8];\n";
            s += "uniform vec4 uLightPos[8], uLightDir[8], uLightAtt[8], uLightSpot[8];\n";
        }
    }
    s += "void main() {\n";
    s += "    vDiffuse = " + std::string(key.hasDiffuse ? "aDiffuse" : "vec4(1.0)") + ";\n";
    s += "    vSpecular = " + std::string(key.hasSpecular ? "aSpecular" : "vec4(0.0)") + ";\n";
    s += "    vFog = 1.0;\n";
    if (key.pretransformed) {
        // x, y in pixels of the render target (y down), z the depth, w = 1/rhw.
        s += "    float w = aPos.w != 0.0 ? 1.0 / aPos.w : 1.0;\n";
        s += "    vec2 ndc = (aPos.xy + 0.5 - uViewport.xy) / uViewport.zw * 2.0 - 1.0;\n";
        s += std::string("    float z = ") + (zeroToOneDepth ? "aPos.z" : "2.0 * aPos.z - 1.0") +
             ";\n";
        s += "    gl_Position = vec4(ndc * w, z * w, w);\n";
        s += "    vec3 eye = vec3(0.0);\n    vec3 N = vec3(0.0, 0.0, 1.0);\n";
    } else {
        s += "    vec4 eye4 = uWorldView * vec4(aPos.xyz, 1.0);\n";
        s += "    vec3 eye = eye4.xyz;\n";
        s += "    gl_Position = ehToGl(uProj * eye4);\n";
        s += std::string("    vec3 N = ") + (key.hasNormal ? "uNormalMat * aNormal" : "vec3(0.0)") +
             ";\n";
        if (key.normalizeNormals && key.hasNormal) {
            s += "    if (dot(N, N) > 0.0) N = normalize(N);\n";
        }
        if (key.lighting) {
            s += "    vec4 cD = " + source(key.diffuseSource, "uMatDiffuse") + ";\n";
            s += "    vec4 cA = " + source(key.ambientSource, "uMatAmbient") + ";\n";
            s += "    vec4 cS = " + source(key.specularSource, "uMatSpecular") + ";\n";
            s += "    vec4 cE = " + source(key.emissiveSource, "uMatEmissive") + ";\n";
            s += "    vec3 amb = uAmbient.rgb, dif = vec3(0.0), spe = vec3(0.0);\n";
            if (key.lightCount > 0) {
                s += "    vec3 V = " +
                     std::string(key.localViewer ? "-normalize(eye)" : "vec3(0.0, 0.0, -1.0)") +
                     ";\n";
                s += "    for (int i = 0; i < " + num(key.lightCount) + "; ++i) {\n";
                s += "        vec3 L;\n        float att = 1.0;\n";
                s += "        if (uLightPos[i].w == 3.0) {\n";
                s += "            L = -uLightDir[i].xyz;\n";
                s += "        } else {\n";
                s += "            vec3 d = uLightPos[i].xyz - eye;\n";
                s += "            float dist = length(d);\n";
                s += "            L = dist > 0.0 ? d / dist : vec3(0.0, 0.0, -1.0);\n";
                s += "            float den = uLightAtt[i].x + uLightAtt[i].y * dist + "
                     "uLightAtt[i].z * dist * dist;\n";
                s += "            att = dist > uLightDir[i].w ? 0.0 : (den > 0.0 ? 1.0 / den : "
                     "1.0);\n";
                s += "            if (uLightPos[i].w == 2.0) {\n";
                s += "                float rho = dot(-L, uLightDir[i].xyz);\n";
                s += "                float spot = rho > uLightSpot[i].x ? 1.0 : (rho <= "
                     "uLightSpot[i].y ? 0.0 : pow(max((rho - uLightSpot[i].y) / "
                     "max(uLightSpot[i].x - uLightSpot[i].y, 1e-6), 0.0), uLightAtt[i].w));\n";
                s += "                att *= spot;\n";
                s += "            }\n";
                s += "        }\n";
                s += "        amb += uLightAmbient[i].rgb * att;\n";
                s += "        float NdotL = dot(N, L);\n";
                s += "        if (NdotL > 0.0) {\n";
                s += "            dif += uLightDiffuse[i].rgb * NdotL * att;\n";
                if (key.specular) {
                    s += "            vec3 H = normalize(V + L);\n";
                    s += "            float NdotH = max(dot(N, H), 0.0);\n";
                    s += "            if (NdotH > 0.0) spe += uLightSpecular[i].rgb * "
                         "pow(NdotH, uMatPower) * att;\n";
                }
                s += "        }\n";
                s += "    }\n";
            }
            s += "    vDiffuse = vec4(clamp(cA.rgb * amb + cD.rgb * dif + cE.rgb, 0.0, 1.0), "
                 "clamp(cD.a, 0.0, 1.0));\n";
            s += "    vSpecular = vec4(clamp(cS.rgb * spe, 0.0, 1.0), clamp(cS.a, 0.0, 1.0));\n";
        }
        if (key.fogMode != 0) {
            s += "    float fd = abs(eye.z);\n";
            switch (key.fogMode) {
                case D3DFOG_LINEAR:
                    s += "    vFog = clamp((uFog.y - fd) / max(uFog.y - uFog.x, 1e-6), 0.0, "
                         "1.0);\n";
                    break;
                case D3DFOG_EXP:
                    s += "    vFog = clamp(exp(-uFog.z * fd), 0.0, 1.0);\n";
                    break;
                default:
                    s += "    vFog = clamp(exp(-pow(uFog.z * fd, 2.0)), 0.0, 1.0);\n";
                    break;
            }
        }
    }
    // Texture coordinates, per stage that samples a texture.
    for (int i = 0; i < key.stageCount; ++i) {
        const StageKey& st = key.stages[i];
        if (st.textureType == kStageTextureNone) continue;
        std::string t;
        switch (key.pretransformed ? 0 : st.texGen) {
            case 1:
                t = "vec4(N, 1.0)";
                break;
            case 2:
                t = "vec4(eye, 1.0)";
                break;
            case 3:
                s += "    vec3 E" + num(i) + " = " +
                     std::string(key.localViewer ? "-normalize(eye)" : "vec3(0.0, 0.0, -1.0)") +
                     ";\n";
                t = "vec4(2.0 * dot(N, E" + num(i) + ") * N - E" + num(i) + ", 1.0)";
                break;
            default:
                if (st.texCoordSet < key.texSets) {
                    // Missing components: the first one after the set's last reads 1 (so a
                    // 2D coordinate takes its translation from the matrix's third row).
                    const std::string a = "aTex" + num(st.texCoordSet);
                    switch (key.texSizes[st.texCoordSet]) {
                        case 1:
                            t = "vec4(" + a + ".x, 1.0, 0.0, 0.0)";
                            break;
                        case 2:
                            t = "vec4(" + a + ".xy, 1.0, 0.0)";
                            break;
                        case 3:
                            t = "vec4(" + a + ".xyz, 1.0)";
                            break;
                        default:
                            t = a;
                            break;
                    }
                } else {
                    t = "vec4(0.0, 0.0, 1.0, 0.0)";
                }
                break;
        }
        const int count = st.transform & 0x7;
        if (count != 0 && !key.pretransformed) {
            t = "(uTexMat[" + num(i) + "] * " + t + ")";
            if (st.transform & 0x80) {
                const char* last = count == 2 ? "y" : count == 3 ? "z" : "w";
                s += "    vec4 pt" + num(i) + " = " + t + ";\n";
                t = "vec4(pt" + num(i) + ".xyz / max(abs(pt" + num(i) + "." + last +
                    "), 1e-20), 1.0)";
            }
        }
        s += "    vTex" + num(i) + " = " + t + ";\n";
    }
    s += "}\n";
    return s;
}

std::string generateFragmentShader(const ProgramKey& key) {
    std::string s = "#version 330 core\n";
    s += "in vec4 vDiffuse;\nin vec4 vSpecular;\nin float vFog;\n";
    s += "uniform vec4 uTFactor;\nuniform float uAlphaRef;\nuniform vec4 uFogColor;\n";
    s += "out vec4 fragColor;\n";
    for (int i = 0; i < key.stageCount; ++i) {
        const StageKey& st = key.stages[i];
        if (st.textureType == kStageTextureNone) continue;
        s += "in vec4 vTex" + num(i) + ";\n";
        s += std::string("uniform ") +
             (st.textureType == kStageTextureCube ? "samplerCube" : "sampler2D") + " uTex" +
             num(i) + ";\n";
    }
    s += "void main() {\n    vec4 cur = vDiffuse;\n    vec4 temp = vec4(0.0);\n";
    s += "    vec4 a0, a1, a2;\n";
    for (int i = 0; i < key.stageCount; ++i) {
        const StageKey& st = key.stages[i];
        const std::string n = num(i);
        if (st.textureType == kStageTextureCube) {
            s += "    vec4 tex" + n + " = texture(uTex" + n + ", vTex" + n + ".xyz);\n";
        } else if (st.textureType == kStageTexture2D) {
            s += "    vec4 tex" + n + " = texture(uTex" + n + ", vTex" + n + ".xy);\n";
        } else {
            s += "    vec4 tex" + n + " = vec4(1.0);\n";
        }
        s += "    {\n";
        s += "        a0 = " + stageArg(i, st.colorArg0) + ";\n";
        s += "        a1 = " + stageArg(i, st.colorArg1) + ";\n";
        s += "        a2 = " + stageArg(i, st.colorArg2) + ";\n";
        s += "        vec3 rgb = " +
             (staysInRange(st.colorOp) ? "(" + stageOp(i, st.colorOp) + ").rgb"
                                       : "clamp((" + stageOp(i, st.colorOp) + ").rgb, 0.0, 1.0)") +
             ";\n";
        // ALPHAOP DISABLE while the colour operation runs passes the alpha on unchanged.
        if (st.alphaOp == D3DTOP_DISABLE) {
            s += "        float alpha = cur.a;\n";
        } else {
            s += "        a0 = " + stageArg(i, st.alphaArg0) + ";\n";
            s += "        a1 = " + stageArg(i, st.alphaArg1) + ";\n";
            s += "        a2 = " + stageArg(i, st.alphaArg2) + ";\n";
            s +=
                "        float alpha = " +
                (staysInRange(st.alphaOp) ? "(" + stageOp(i, st.alphaOp) + ").a"
                                          : "clamp((" + stageOp(i, st.alphaOp) + ").a, 0.0, 1.0)") +
                ";\n";
        }
        s += std::string("        ") + (st.resultTemp ? "temp" : "cur") + " = vec4(rgb, alpha);\n";
        s += "    }\n";
    }
    if (key.specular) s += "    cur.rgb = clamp(cur.rgb + vSpecular.rgb, 0.0, 1.0);\n";
    if (key.fogMode != 0) s += "    cur.rgb = mix(uFogColor.rgb, cur.rgb, vFog);\n";
    if (key.alphaFunc != 0) {
        // Direct3D compares the 8-bit alpha with the 8-bit reference.
        s += "    float a = floor(clamp(cur.a, 0.0, 1.0) * 255.0 + 0.5);\n";
        s += std::string("    if (!(") + cmpExpr(key.alphaFunc) + ")) discard;\n";
    }
    s += "    fragColor = cur;\n}\n";
    return s;
}

}  // namespace eh::d3d8
