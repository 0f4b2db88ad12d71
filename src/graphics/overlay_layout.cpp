#include "graphics/overlay_layout.h"

#include <algorithm>
#include <cstdio>

namespace eh::graphics {

int LayoutClock(int hours, int minutes, int seconds, bool twentyFourHour,
                const OverlayLayout& layout, GlyphPlacement out[kMaxClockGlyphs]) {
    hours = std::clamp(hours, 0, 23);
    minutes = std::clamp(minutes, 0, 59);
    seconds = std::clamp(seconds, 0, 59);
    const float step = layout.glyphWidth * layout.advance;
    bool pm = false;
    int shownHours = hours;
    float x0 = layout.clockX;
    if (!twentyFourHour) {
        x0 -= 2.0f * step;
        pm = hours >= 12;
        shownHours = hours % 12 == 0 ? 12 : hours % 12;
    }
    char text[9];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", shownHours, minutes, seconds);

    int n = 0;
    for (int k = 0; k < 8; ++k) {
        if (!twentyFourHour && k == 0 && text[0] == '0') continue;  // the empty first place
        out[n++] = {text[k] - '0', x0 + static_cast<float>(k) * step, layout.clockY};
    }
    if (!twentyFourHour) {
        out[n++] = {pm ? kGlyphP : kGlyphA, x0 + 8.0f * step, layout.clockY};
        out[n++] = {kGlyphM, x0 + 9.0f * step, layout.clockY};
    }
    return n;
}

int LayoutFps(int fps, const OverlayLayout& layout, GlyphPlacement out[kMaxFpsGlyphs]) {
    char text[16];
    int length = std::snprintf(text, sizeof text, "%i", fps);
    length = std::min(length, kMaxFpsGlyphs);
    const float step = layout.glyphWidth * layout.advance;
    for (int k = 0; k < length; ++k) {
        int glyph = text[k] - '0';
        if (glyph < 0) glyph = kGlyphDot;
        out[k] = {glyph, layout.fpsX + static_cast<float>(k) * step, layout.fpsY};
    }
    return length;
}

}  // namespace eh::graphics
