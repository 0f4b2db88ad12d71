// Anti-aliased shape painting onto masks: polygons, discs, ellipses, strokes and a stroke
// font. Coordinates are in pixels with pixel centres at +0.5; every shape combines with
// what is already in the mask by taking the maximum, so overlapping shapes do not
// accumulate past full coverage.
#pragma once

#include <string>
#include <vector>

#include "mediagen/images/image.h"

namespace eh::mediagen {

struct Vec2 {
    float x = 0, y = 0;
};

// Even-odd fill with 4 sub-rows per pixel and exact horizontal span coverage.
void FillPolygon(Mask& m, const std::vector<Vec2>& pts, float value = 1.0f);
void FillEllipse(Mask& m, float cx, float cy, float rx, float ry, float angleRad = 0,
                 float value = 1.0f, bool wrap = false);
// Capsule from a to b whose radius runs linearly from ra to rb.
void StrokeSegment(Mask& m, Vec2 a, Vec2 b, float ra, float rb, float value = 1.0f,
                   bool wrap = false);
// Polyline of constant radius.
void StrokePolyline(Mask& m, const std::vector<Vec2>& pts, float radius, float value = 1.0f);
// Quadratic Bezier from p0 over control c to p1, radius tapering from r0 to r1.
void StrokeCurve(Mask& m, Vec2 p0, Vec2 c, Vec2 p1, float r0, float r1, float value = 1.0f,
                 bool wrap = false);
std::vector<Vec2> QuadraticPoints(Vec2 p0, Vec2 c, Vec2 p1, int n);

// The same shapes painted straight onto a canvas in colour col ("over" compositing),
// optionally wrapping at the edges for tileable textures.
void PaintSegment(Canvas& c, Vec2 a, Vec2 b, float ra, float rb, Color col, bool wrap = false);
void PaintEllipse(Canvas& c, float cx, float cy, float rx, float ry, float angleRad, Color col,
                  bool wrap = false);
// A polygon filled into a scratch mask and painted at its place.
void PaintPolygon(Canvas& c, const std::vector<Vec2>& pts, Color col, bool wrap = false);

// Stroke font: upper-case letters, digits and ": . _ - / \" (lower case maps to upper
// case, unknown characters draw nothing). Glyphs are designed on a grid 6 units tall with
// the baseline at the bottom; height is the cap height in pixels, (x, y) the top-left.
float TextWidth(const std::string& text, float height);
void StrokeText(Mask& m, const std::string& text, float x, float y, float height,
                float strokeRadius, float value = 1.0f);
// Outline strokes of one glyph in font units (for tests and for glyph-sized layouts).
const std::vector<std::vector<Vec2>>& GlyphStrokes(char c);

}  // namespace eh::mediagen
