// The two vertex shaders, vs.1.0 assembly. Each instruction reads at most one constant
// and one input register, and frc writes only x and y, so the texts also assemble for
// real vs 1.x hardware.
#include "mediagen/world/data_files.h"

namespace eh::mediagen::world {

const std::string& BillboardShaderText() {
    static const std::string text = R"(vs.1.0
; Camera-facing billboard that sways in the wind.
; v0 corner offset (x -1/1, y -1.5/0.5), v3 anchor, v5 colour, v7 uv, v8 (size, sway)
; c0 (0, 0.5, 1, 2)  c1.x wind phase  c4-c7 transposed view x projection
; c20 cosine series  c21 (pi, 1/2pi, 2pi, 10.5)  c23.x 0.15  c24 sine series
; c26-c28 view rows without translation

; theta = wind + anchor x, wrapped into [-pi, pi)
add r0.x, v3.x, c1.x
add r0.x, r0.x, c21.x
mul r0.x, r0.x, c21.y
frc r0.xy, r0.x
mad r0.x, r0.x, c21.z, -c21.x

; a = cos(theta) x 0.15 x sway
mul r1.x, r0.x, r0.x
mad r2.x, r1.x, c20.w, c20.z
mad r2.x, r2.x, r1.x, c20.y
mad r2.x, r2.x, r1.x, c20.x
mul r2.x, r2.x, c23.x
mul r2.x, r2.x, v8.y

; cos a (r4.x) and sin a (r5.x) by the series
mul r3.x, r2.x, r2.x
mad r4.x, r3.x, c20.w, c20.z
mad r4.x, r4.x, r3.x, c20.y
mad r4.x, r4.x, r3.x, c20.x
mad r5.x, r3.x, c24.w, c24.z
mad r5.x, r5.x, r3.x, c24.y
mad r5.x, r5.x, r3.x, c24.x
mul r5.x, r5.x, r2.x

; corner rotated by a in its plane
mul r6.x, v0.x, r4.x
mad r6.x, -v0.y, r5.x, r6.x
mul r6.y, v0.x, r5.x
mad r6.y, v0.y, r4.x, r6.y
mov r6.z, c0.x

; from view space into world space, scaled by the size, at the anchor
dp3 r7.x, r6, c26
dp3 r7.y, r6, c27
dp3 r7.z, r6, c28
mul r7.xyz, r7, v8.x
add r7.xyz, r7, v3
mov r7.w, c0.z

m4x4 oPos, r7, c4
mov oD0, v5
mov oT0.xy, v7
)";
    return text;
}

const std::string& GrassShaderText() {
    static const std::string text = R"(vs.1.0
; Grass tufts waving in the wind; the foot (v = 1) stays, the tip (v = 0.01) moves.
; v0 position (world x 4), v7 (u, v, alpha)
; c0 (0, 0.5, 1, 2)  c1.x wind time  c4-c7 transposed world x view x projection
; c8 sine series  c10.x 1.07  c11-c13 wave weights  c14, c15 wave directions
; c16 wave speeds  c17.w 2pi  c18 colour weights  c19 colour  c20.x fade

; four wave phases: x.c14 + y.c15 + c16.t
mul r0, c14, v0.x
mad r0, c15, v0.y, r0
mov r1, c1.x
mad r0, c16, r1.x, r0

; fraction, x 1.07, - 0.5, x 2pi
frc r1.xy, r0
frc r2.xy, r0.zwzw
mov r1.zw, r2.xxxy
mul r1, r1, c10.x
add r1, r1, -c0.y
mul r1, r1, c17.w

; sine by the series: x + x^3 c8.x + x^5 c8.y + x^7 c8.z + x^9 c8.w
mul r2, r1, r1
mad r3, r2, c8.w, c8.z
mad r3, r3, r2, c8.y
mad r3, r3, r2, c8.x
mul r3, r3, r2
mad r3, r3, r1, r1

; displacement weighted by (1 - v)^2
add r4.x, c0.z, -v7.y
mul r4.x, r4.x, r4.x
dp4 r5.x, r3, c11
dp4 r5.y, r3, c12
dp4 r5.z, r3, c13
mul r5.xyz, r5, r4.x
add r6.xyz, v0, r5
mov r6.w, c0.z
m4x4 oPos, r6, c4

; colour: c19.y - c19.xzxz x (waves . c18); alpha = vertex alpha x fade
dp4 r7.x, r3, c18
mul r8, c19.xzxz, r7.x
add oD0.xyz, -r8, c19.y
mul oD0.w, v7.z, c20.x
mov oT0.xy, v7
)";
    return text;
}

}  // namespace eh::mediagen::world
