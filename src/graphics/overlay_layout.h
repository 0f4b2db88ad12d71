// Where the overlay's glyphs go: the clock (24- or 12-hour) and the FPS counter.
//
// Positions and sizes are fractions of the viewport. Glyph indices: 0..9 the digits, 10 the
// colon, 11 the dot, 12 A, 13 M, 14 P (the digit textures' order).
#pragma once

#include <cstdint>

namespace eh::graphics {

inline constexpr int kGlyphColon = 10;
inline constexpr int kGlyphDot = 11;
inline constexpr int kGlyphA = 12;
inline constexpr int kGlyphM = 13;
inline constexpr int kGlyphP = 14;
inline constexpr int kGlyphCount = 15;

// The framework's defaults; the concrete saver sets its own in InitDefaults.
struct OverlayLayout {
    float glyphHeight = 0.048f;
    float glyphWidth = 0.037f;
    float advance = 1.0f;  // the pen moves glyphWidth * advance per glyph
    float clockX = 0.7f;   // left edge of the first 24-hour clock glyph
    float clockY = 0.92f;
    float fpsX = 0.01f;
    float fpsY = 0.01f;
    std::uint8_t red = 255, green = 255, blue = 255;
};

struct GlyphPlacement {
    int glyph = 0;
    float x = 0.0f;
    float y = 0.0f;
};

// At most ten clock glyphs (HH:MM:SS and AM/PM) and eleven FPS glyphs (a 32-bit count).
inline constexpr int kMaxClockGlyphs = 10;
inline constexpr int kMaxFpsGlyphs = 11;

// The clock for the local time hours:minutes:seconds (0..23, 0..59, 0..59; values outside
// are clamped). 24-hour style: eight glyphs from clockX. 12-hour style: from two advances
// further left, the hour 0 shown as 12 AM, 12 as 12 PM, 13..23 as 1..11 PM; a leading zero
// of the hour is left out (its place stays empty), then A or P and M. Returns the count.
int LayoutClock(int hours, int minutes, int seconds, bool twentyFourHour,
                const OverlayLayout& layout, GlyphPlacement out[kMaxClockGlyphs]);

// The FPS counter "%i" from fpsX; characters below '0' (the minus sign) show the dot.
int LayoutFps(int fps, const OverlayLayout& layout, GlyphPlacement out[kMaxFpsGlyphs]);

}  // namespace eh::graphics
