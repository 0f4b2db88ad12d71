// Every picture generator of the program's media, one function per picture. Each returns
// the finished pixels; the catalogue (catalog.h) decides the file format and the name.
// All of them are pure functions of their arguments (fixed seeds inside).
#pragma once

#include <string>

#include "mediagen/images/image.h"

namespace eh::mediagen {

// --- Terrain and vegetation (nature.cpp) ---
Image8 MakeGround(int size);     // tileable meadow, opaque
Image8 MakeGrassTuft(int size);  // blades from the bottom edge, alpha cut-out
// Texels (at size 256, scaled with the size) that the tuft leaves empty on its left, right
// and top edges; its blades touch only the bottom edge.
constexpr int kTuftMargin = 8;
Image8 MakeTree(int kind);  // 512 x 512 billboards: 0 broad oak-like tree, 1 tall poplar
Image8 MakeOakBark();       // 256 x 512, tileable
Image8 MakeOakLeaves();     // 256 x 256, tileable, opaque

// --- Effects and model textures (effects.cpp) ---
Image8 MakeParticle(int size);  // soft sparkle; only the core reaches alpha 100
Image8 MakeRays();              // 256 x 512, two halves of vertical streaks on black
Image8 MakeCorona(int size);    // neutral radial flare, zero at the edge
Image8 MakeRibbon();            // 512 x 64 cloth ribbon
Image8 MakeSpotlightBeam();     // 128 x 256: u across the beam, v along it
Image8 MakeCrowFeathers();      // 256 x 256 feathers with cut-outs
Image8 MakeHorseCoat();         // 512 x 512 coat atlas
Image8 MakeSwordSteel();        // 256 x 512 blade, guard, grip, pommel

// --- Vision pictures (visions.cpp), index 0..9, light on black ---
constexpr int kVisionCount = 10;
Image8 MakeVision(int index, int size);
const char* VisionTitle(int index);

// --- Clock digits, emblem, loading screen and dialog art (branding.cpp) ---
constexpr int kDigitCount = 15;
const char* DigitFileName(int index);  // "digit_0.jpg" ... "digit_P.jpg"
Image8 MakeDigit(int index);           // 64 x 64 white glyph on black
Image8 MakeEmblem(int size, bool opaqueBackground);
Image8 MakeKeyArt();         // 512 x 512 loading-screen background (491)
Image8 MakeLogo();           // 256 x 128 with alpha (486)
Image8 MakePreviewBitmap();  // 155 x 115 (432)
Image8 MakeConfigBitmap();   // 190 x 144 (434)
Image8 MakeAboutBitmap();    // 70 x 70 (437)
// The evening scene seen toward the sword, at any size (used by several of the above).
Image8 RenderSceneMiniature(int width, int height);

}  // namespace eh::mediagen
