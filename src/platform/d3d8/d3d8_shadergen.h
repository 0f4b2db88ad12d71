// Fixed-function state as a program key, and the GLSL generated for a key.
//
// The key holds only what changes the generated code: which vertex components exist, the
// lighting switches and material sources, the number of lights, fog mode, alpha function
// and each active texture stage's operations, arguments, texture kind and coordinate
// source. Matrices, colours, light values, the alpha reference and the texture factor are
// uniforms, so changing them never makes a new program. Keys are zero-filled and
// normalised (stages after the first disabled one, and fields that do not matter for a
// draw, stay zero) so that equal behaviour gives equal bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace eh::d3d8 {

inline constexpr int kMaxStages = 8;
inline constexpr int kMaxLights = 8;
inline constexpr int kMaxVsConstants = 96;

// StageKey::textureType: what the stage samples.
inline constexpr std::uint8_t kStageTextureNone = 0;  // none bound: reads white
inline constexpr std::uint8_t kStageTexture2D = 1;
inline constexpr std::uint8_t kStageTextureCube = 2;

struct StageKey {
    std::uint8_t colorOp, colorArg0, colorArg1, colorArg2;
    std::uint8_t alphaOp, alphaArg0, alphaArg1, alphaArg2;
    std::uint8_t textureType;  // kStageTexture*
    std::uint8_t texCoordSet;  // input coordinate set (fixed-function vertex only)
    std::uint8_t texGen;       // 0 pass-through, 1 camera normal, 2 camera position, 3 reflection
    std::uint8_t transform;    // D3DTTFF count 0..4, bit 7 = projected
    std::uint8_t resultTemp;   // RESULTARG is D3DTA_TEMP
    std::uint8_t pad[3];
};

struct ProgramKey {
    std::uint32_t vertexShader;  // 0: fixed-function vertex processing; else shader id
    std::uint8_t pretransformed, hasNormal, hasDiffuse, hasSpecular;
    std::uint8_t texSets;      // coordinate sets in the vertex
    std::uint8_t texSizes[8];  // floats per set, 1..4
    std::uint8_t lighting, lightCount, specular, localViewer, normalizeNormals;
    // Colour sources after COLORVERTEX and vertex contents are taken into account:
    // 0 material, 1 vertex diffuse, 2 vertex specular.
    std::uint8_t diffuseSource, ambientSource, specularSource, emissiveSource;
    std::uint8_t fogMode;    // D3DFOG_* or 0 when fog is off
    std::uint8_t alphaFunc;  // D3DCMP_* or 0 when the alpha test is off
    std::uint8_t stageCount;
    std::uint8_t pad[2];
    StageKey stages[kMaxStages];

    ProgramKey() { std::memset(this, 0, sizeof(*this)); }
    bool operator==(const ProgramKey& other) const {
        return std::memcmp(this, &other, sizeof(*this)) == 0;
    }
};

struct ProgramKeyHash {
    std::size_t operator()(const ProgramKey& key) const {
        // FNV-1a over the key bytes.
        const auto* bytes = reinterpret_cast<const unsigned char*>(&key);
        std::uint64_t h = 1469598103934665603ull;
        for (std::size_t i = 0; i < sizeof(key); ++i) h = (h ^ bytes[i]) * 1099511628211ull;
        return static_cast<std::size_t>(h);
    }
};

// "#version 330 core" plus the definitions every generated vertex program shares: the
// conversion of a Direct3D clip position to GL (half-pixel offset, y flip for our row
// order, depth range 0..1 either by clip control or by remapping z).
std::string vertexPrelude(bool zeroToOneDepth);

// Fixed-function vertex program for the key (the key's vertexShader is 0).
std::string generateFixedVertexShader(const ProgramKey& key, bool zeroToOneDepth);

// Texture stages, specular add, fog and alpha test for the key.
std::string generateFragmentShader(const ProgramKey& key);

}  // namespace eh::d3d8
