#include "graphics/overlay_layout.h"

#include "graphics/overlay.h"

#include <gtest/gtest.h>

#include <string>

namespace eh::graphics {
namespace {

// The glyphs as text, with '_' where a position of the 10 is left empty.
std::string Render(const GlyphPlacement* g, int n, float x0, float step) {
    std::string text(10, '_');
    const char names[] = "0123456789:.AMP";
    for (int i = 0; i < n; ++i) {
        int pos = static_cast<int>((g[i].x - x0) / step + 0.5f);
        if (pos >= 0 && pos < 10) text[pos] = names[g[i].glyph];
    }
    return text;
}

TEST(ClockLayout, TwentyFourHourStyle) {
    OverlayLayout layout;
    GlyphPlacement g[kMaxClockGlyphs];
    int n = LayoutClock(23, 5, 9, true, layout, g);
    ASSERT_EQ(n, 8);
    float step = layout.glyphWidth * layout.advance;
    EXPECT_EQ(Render(g, n, layout.clockX, step), "23:05:09__");
    EXPECT_FLOAT_EQ(g[0].x, 0.7f);
    EXPECT_FLOAT_EQ(g[7].x, 0.7f + 7 * step);
    EXPECT_FLOAT_EQ(g[3].y, 0.92f);
    EXPECT_EQ(g[2].glyph, kGlyphColon);
}

TEST(ClockLayout, TwelveHourStyleCases) {
    OverlayLayout layout;
    layout.glyphWidth = 0.047f;
    layout.advance = 0.79f;
    layout.clockX = 0.69f;
    float step = layout.glyphWidth * layout.advance;
    float x0 = layout.clockX - 2 * step;
    GlyphPlacement g[kMaxClockGlyphs];
    struct Case {
        int h, m, s;
        const char* text;
    } cases[] = {
        {0, 5, 9, "12:05:09AM"},  {13, 0, 0, "_1:00:00PM"},   {12, 30, 0, "12:30:00PM"},
        {1, 2, 3, "_1:02:03AM"},  {11, 59, 59, "11:59:59AM"}, {23, 59, 59, "11:59:59PM"},
        {10, 0, 0, "10:00:00AM"}, {22, 0, 0, "10:00:00PM"},
    };
    for (const Case& c : cases) {
        int n = LayoutClock(c.h, c.m, c.s, false, layout, g);
        EXPECT_EQ(Render(g, n, x0, step), c.text) << c.h;
        EXPECT_FLOAT_EQ(g[n - 1].x, x0 + 9 * step);
    }
    // An hour with a leading zero draws nine glyphs, the first at the second position.
    EXPECT_EQ(LayoutClock(13, 0, 0, false, layout, g), 9);
    EXPECT_FLOAT_EQ(g[0].x, x0 + step);
}

TEST(FpsLayout, DigitsAndTheDotFallback) {
    OverlayLayout layout;
    GlyphPlacement g[kMaxFpsGlyphs];
    ASSERT_EQ(LayoutFps(0, layout, g), 1);
    EXPECT_EQ(g[0].glyph, 0);
    EXPECT_FLOAT_EQ(g[0].x, 0.01f);
    EXPECT_FLOAT_EQ(g[0].y, 0.01f);
    ASSERT_EQ(LayoutFps(125, layout, g), 3);
    EXPECT_EQ(g[2].glyph, 5);
    EXPECT_FLOAT_EQ(g[2].x, 0.01f + 2 * 0.037f);
    ASSERT_EQ(LayoutFps(-7, layout, g), 2);
    EXPECT_EQ(g[0].glyph, kGlyphDot);
    EXPECT_EQ(LayoutFps(-2147483647 - 1, layout, g), kMaxFpsGlyphs);
}

}  // namespace
}  // namespace eh::graphics

namespace eh::graphics {
namespace {

TEST(LoadingCorners, LogoCoversTheBottomRight256By128On1024By768) {
    LoadingCorner c[4];
    LoadingCorners(1024, 768, c);
    EXPECT_EQ(c[0].resourceId, 486);
    // The quad spans pixels [x * W, (x + w) * W): 768..1023 by 640..767.
    EXPECT_FLOAT_EQ(c[0].x * 1024, 768.0f);
    EXPECT_FLOAT_EQ((c[0].x + c[0].width) * 1024, 1024.0f);
    EXPECT_FLOAT_EQ(c[0].y * 768, 640.0f);
    EXPECT_FLOAT_EQ((c[0].y + c[0].height) * 768, 768.0f);
    // Then bottom-left, top-left, top-right, all 256 x 128 pixels.
    EXPECT_EQ(c[1].resourceId, 487);
    EXPECT_FLOAT_EQ(c[1].x, 0.0f);
    EXPECT_FLOAT_EQ(c[1].y * 768, 640.0f);
    EXPECT_EQ(c[2].resourceId, 489);
    EXPECT_FLOAT_EQ(c[2].y, 0.0f);
    EXPECT_EQ(c[3].resourceId, 488);
    EXPECT_FLOAT_EQ(c[3].x * 1024, 768.0f);
    for (const LoadingCorner& k : c) {
        EXPECT_FLOAT_EQ(k.width * 1024, 256.0f);
        EXPECT_FLOAT_EQ(k.height * 768, 128.0f);
    }
}

}  // namespace
}  // namespace eh::graphics
