// The two shader texts, assembled by our D3DXAssembleShader and run by a small vs 1.x
// interpreter, against a direct computation of the formulas they must implement.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "d3dx/d3dx8.h"
#include "mediagen/world/data_files.h"

namespace eh::mediagen::world {
namespace {

using Vec4 = std::array<float, 4>;

struct Registers {
    std::array<Vec4, 16> v{};
    std::array<Vec4, 96> c{};
    std::array<Vec4, 12> r{};
    Vec4 oPos{}, oD0{}, oT0{};
};

std::vector<DWORD> assemble(const std::string& text) {
    LPD3DXBUFFER code = nullptr, errors = nullptr;
    const HRESULT hr =
        D3DXAssembleShader(text.data(), static_cast<UINT>(text.size()), 0, nullptr, &code, &errors);
    EXPECT_EQ(hr, S_OK) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    std::vector<DWORD> tokens;
    if (code) {
        const DWORD* p = static_cast<const DWORD*>(code->GetBufferPointer());
        tokens.assign(p, p + code->GetBufferSize() / 4);
        code->Release();
    }
    if (errors) errors->Release();
    return tokens;
}

// Reads a source parameter (swizzle and negation applied).
Vec4 source(Registers& regs, DWORD token) {
    const DWORD type = (token >> 28) & 7, number = token & 0x7FF;
    Vec4 value{};
    switch (type) {
        case 0:
            value = regs.r.at(number);
            break;
        case 1:
            value = regs.v.at(number);
            break;
        case 2:
            value = regs.c.at(number);
            break;
        default:
            ADD_FAILURE() << "unexpected source type " << type;
    }
    Vec4 out;
    for (int i = 0; i < 4; ++i)
        out[static_cast<std::size_t>(i)] = value[(token >> (16 + 2 * i)) & 3];
    if (((token >> 24) & 0xF) == 1)
        for (float& f : out) f = -f;
    return out;
}

void write(Registers& regs, DWORD token, const Vec4& value) {
    const DWORD type = (token >> 28) & 7, number = token & 0x7FF, mask = (token >> 16) & 0xF;
    Vec4* target = nullptr;
    if (type == 0)
        target = &regs.r.at(number);
    else if (type == 4 && number == 0)
        target = &regs.oPos;
    else if (type == 5 && number == 0)
        target = &regs.oD0;
    else if (type == 6 && number == 0)
        target = &regs.oT0;
    ASSERT_NE(target, nullptr) << "unexpected destination type " << type;
    for (int i = 0; i < 4; ++i)
        if (mask & (1u << i))
            (*target)[static_cast<std::size_t>(i)] = value[static_cast<std::size_t>(i)];
}

float dot(const Vec4& a, const Vec4& b, int n) {
    float s = 0.0f;
    for (int i = 0; i < n; ++i)
        s += a[static_cast<std::size_t>(i)] * b[static_cast<std::size_t>(i)];
    return s;
}

void run(const std::vector<DWORD>& code, Registers& regs) {
    ASSERT_FALSE(code.empty());
    EXPECT_EQ(code[0], 0xFFFE0100u);  // vs.1.0
    std::size_t pc = 1;
    while (pc < code.size() && code[pc] != 0x0000FFFF) {
        const DWORD op = code[pc] & 0xFFFF;
        std::vector<DWORD> params;
        ++pc;
        while (pc < code.size() && (code[pc] & 0x80000000u)) params.push_back(code[pc++]);
        if (op == 81) {  // def: destination then four raw floats
            continue;
        }
        ASSERT_FALSE(params.empty());
        std::vector<Vec4> s;
        for (std::size_t i = 1; i < params.size(); ++i) s.push_back(source(regs, params[i]));
        Vec4 d{};
        switch (op) {
            case 1:
                d = s[0];
                break;
            case 2:
                for (int i = 0; i < 4; ++i) d[i] = s[0][i] + s[1][i];
                break;
            case 4:
                for (int i = 0; i < 4; ++i) d[i] = s[0][i] * s[1][i] + s[2][i];
                break;
            case 5:
                for (int i = 0; i < 4; ++i) d[i] = s[0][i] * s[1][i];
                break;
            case 8:
                d.fill(dot(s[0], s[1], 3));
                break;
            case 9:
                d.fill(dot(s[0], s[1], 4));
                break;
            case 19:
                for (int i = 0; i < 4; ++i) d[i] = s[0][i] - std::floor(s[0][i]);
                break;
            case 20: {  // m4x4: rows are consecutive constants from the second source
                const DWORD base = params[2] & 0x7FF;
                for (int i = 0; i < 4; ++i)
                    d[static_cast<std::size_t>(i)] =
                        dot(s[0], regs.c.at(base + static_cast<DWORD>(i)), 4);
                break;
            }
            default:
                FAIL() << "opcode " << op << " not expected in these shaders";
        }
        write(regs, params[0], d);
    }
}

constexpr float kPi = 3.14159265f;

// A view and a projection-like matrix with every entry non-trivial.
void fillMatrices(Registers& regs, int first) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            regs.c[static_cast<std::size_t>(first + i)][static_cast<std::size_t>(j)] =
                0.1f * static_cast<float>((i * 7 + j * 3) % 11) - 0.4f + (i == j ? 1.0f : 0.0f);
}

TEST(WorldShaders, BillboardShaderSwaysAndFacesTheCamera) {
    const std::vector<DWORD> code = assemble(BillboardShaderText());
    const float yaw = 0.7f, pitch = -0.3f;
    // View rotation rows of a yaw-pitch camera.
    const float view[3][3] = {
        {std::cos(yaw), std::sin(yaw) * std::sin(pitch), -std::sin(yaw) * std::cos(pitch)},
        {0.0f, std::cos(pitch), std::sin(pitch)},
        {std::sin(yaw), -std::cos(yaw) * std::sin(pitch), std::cos(yaw) * std::cos(pitch)}};
    for (float wind : {0.0f, 1.3f, 17.9f}) {
        for (const auto& corner :
             {Vec4{-1, -1.5f, 0, 0}, Vec4{1, 0.5f, 0, 0}, Vec4{1, -1.5f, 0, 0}}) {
            Registers regs;
            regs.c[0] = {0, 0.5f, 1, 2};
            regs.c[1] = {wind * 1.65f, 0, 0, 0};
            fillMatrices(regs, 4);
            regs.c[20] = {1, -0.5f, 0.041f, -0.001388f};
            regs.c[21] = {kPi, 1.0f / (2 * kPi), 2 * kPi, 10.5f};
            regs.c[22] = {5, 1, 2, 0.75f};
            regs.c[23] = {0.15f, 0.25f, 7, 0.75f};
            regs.c[24] = {1, -1.0f / 6, 1.0f / 120, -1.0f / 5040};
            for (int i = 0; i < 3; ++i)
                regs.c[static_cast<std::size_t>(26 + i)] = {view[i][0], view[i][1], view[i][2], 0};
            regs.c[29] = {0, 0, 0, 1};
            regs.v[0] = corner;
            regs.v[3] = {-480.0f, 130.0f, 350.0f, 1};
            regs.v[5] = {1, 1, 1, 0.2745f};
            regs.v[7] = {0.027f, 0.97f, 0, 0};
            regs.v[8] = {40.0f, 0.15f, 0, 0};
            run(code, regs);

            // Direct computation of the same formulas.
            double theta = wind * 1.65 + regs.v[3][0];
            theta = (theta + kPi) / (2 * kPi);
            theta = (theta - std::floor(theta)) * 2 * kPi - kPi;
            auto cosSeries = [](double x) {
                const double x2 = x * x;
                return 1 - 0.5 * x2 + 0.041 * x2 * x2 - 0.001388 * x2 * x2 * x2;
            };
            auto sinSeries = [](double x) {
                const double x2 = x * x;
                return x * (1 - x2 / 6 + x2 * x2 / 120 - x2 * x2 * x2 / 5040);
            };
            const double a = cosSeries(theta) * 0.15 * 0.15;
            const double ca = cosSeries(a), sa = sinSeries(a);
            const double rx = corner[0] * ca - corner[1] * sa, ry = corner[0] * sa + corner[1] * ca;
            double world[4];
            for (int i = 0; i < 3; ++i)
                world[i] = (rx * view[i][0] + ry * view[i][1]) * 40.0 +
                           regs.v[3][static_cast<std::size_t>(i)];
            world[3] = 1.0;
            for (int i = 0; i < 4; ++i) {
                double expected = 0;
                for (int k = 0; k < 4; ++k)
                    expected +=
                        world[k] *
                        regs.c[static_cast<std::size_t>(4 + i)][static_cast<std::size_t>(k)];
                EXPECT_NEAR(regs.oPos[static_cast<std::size_t>(i)], expected,
                            2e-3 * (1 + std::fabs(expected)));
            }
            // The quad faces the camera: its offset from the anchor has no view-z part.
            const double offset[3] = {world[0] - regs.v[3][0], world[1] - regs.v[3][1],
                                      world[2] - regs.v[3][2]};
            EXPECT_NEAR(offset[0] * view[0][2] + offset[1] * view[1][2] + offset[2] * view[2][2],
                        0.0, 1e-3);
            EXPECT_EQ(regs.oD0, regs.v[5]);
            EXPECT_FLOAT_EQ(regs.oT0[0], 0.027f);
            EXPECT_FLOAT_EQ(regs.oT0[1], 0.97f);
        }
    }
}

TEST(WorldShaders, GrassShaderWavesTheTipsAndFades) {
    const std::vector<DWORD> code = assemble(GrassShaderText());
    for (float wind : {0.0f, 3.7f, 41.0f}) {
        for (float v : {1.0f, 0.5f, 0.01f}) {
            Registers regs;
            regs.c[0] = {0, 0.5f, 1, 2};
            regs.c[1] = {wind, 0, 0, 0};
            fillMatrices(regs, 4);
            regs.c[8] = {-0.16161616f, 0.0083333f, -0.00019841f, 0.0000027557f};
            regs.c[10] = {1.07f, 0, 0, 0};
            regs.c[11] = {4, 4, 0, 2.5f};
            regs.c[12] = {-2, -1.33f, -2.33f, -1};
            regs.c[13] = {1, 2, 3, 3};
            regs.c[14] = {-0.006f, -0.012f, 0.024f, 0.048f};
            regs.c[15] = {-0.003f, -0.006f, -0.012f, -0.048f};
            regs.c[16] = {0.105f, 0.21f, 0.245f, 0.35f};
            regs.c[17] = {4, kPi / 2, kPi, 2 * kPi};
            regs.c[18] = {0.35f, 0.1f, 0.1f, 0.03f};
            regs.c[19] = {0.6f, 0.7f, 0.2f, 0};
            regs.c[20] = {0.4f, 0, 0.2f, 0};
            regs.v[0] = {920.0f, 190.0f, 430.0f, 1};
            regs.v[7] = {0.3f, v, 0.75f, 0};
            run(code, regs);

            double waves[4], offset[3] = {0, 0, 0}, colourDot = 0;
            for (int i = 0; i < 4; ++i) {
                const std::size_t k = static_cast<std::size_t>(i);
                double p = regs.v[0][0] * regs.c[14][k] + regs.v[0][1] * regs.c[15][k] +
                           regs.c[16][k] * wind;
                p = ((p - std::floor(p)) * 1.07 - 0.5) * 2 * kPi;
                const double p2 = p * p;
                waves[i] = p + p * p2 *
                                   (regs.c[8][0] +
                                    p2 * (regs.c[8][1] + p2 * (regs.c[8][2] + p2 * regs.c[8][3])));
                offset[0] += waves[i] * regs.c[11][k];
                offset[1] += waves[i] * regs.c[12][k];
                offset[2] += waves[i] * regs.c[13][k];
                colourDot += waves[i] * regs.c[18][k];
            }
            const double weight = (1 - v) * (1 - v);
            double pos[4] = {regs.v[0][0] + offset[0] * weight, regs.v[0][1] + offset[1] * weight,
                             regs.v[0][2] + offset[2] * weight, 1};
            for (int i = 0; i < 4; ++i) {
                double expected = 0;
                for (int k = 0; k < 4; ++k)
                    expected +=
                        pos[k] *
                        regs.c[static_cast<std::size_t>(4 + i)][static_cast<std::size_t>(k)];
                EXPECT_NEAR(regs.oPos[static_cast<std::size_t>(i)], expected,
                            2e-3 * (1 + std::fabs(expected)));
            }
            EXPECT_NEAR(regs.oD0[0], 0.7 - 0.6 * colourDot, 1e-4);
            EXPECT_NEAR(regs.oD0[1], 0.7 - 0.2 * colourDot, 1e-4);
            EXPECT_NEAR(regs.oD0[2], 0.7 - 0.6 * colourDot, 1e-4);
            EXPECT_NEAR(regs.oD0[3], 0.75 * 0.4, 1e-6);
            EXPECT_FLOAT_EQ(regs.oT0[1], v);
        }
    }
}

}  // namespace
}  // namespace eh::mediagen::world
