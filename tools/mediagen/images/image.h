// Working pictures of the image generator: float canvases for painting, float masks for
// shapes, and the 8-bit RGBA image every encoder takes.
//
// Conventions shared by every generator: row 0 is the top row (Direct3D's v = 0), x grows
// to the right, colours are straight (not premultiplied) and nominally in 0..1; values
// outside that range are clamped only when a canvas becomes an Image8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace eh::mediagen {

struct Color {
    float r = 0, g = 0, b = 0, a = 1;
};

Color operator+(Color x, Color y);
Color operator*(Color x, float k);
Color Mix(Color x, Color y, float t);         // t = 0 gives x, t = 1 gives y (alpha mixed too)
Color Rgb(int r, int g, int b, int a = 255);  // from 8-bit components

// 8-bit RGBA, rows top first, 4 bytes per pixel in the order R, G, B, A.
struct Image8 {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    Image8() = default;
    Image8(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}
    uint8_t* at(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    const uint8_t* at(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
};

// A single-channel float picture: coverage, density, height.
class Mask {
  public:
    Mask() = default;
    Mask(int w, int h, float value = 0) : w_(w), h_(h), v_(static_cast<size_t>(w) * h, value) {}
    int width() const { return w_; }
    int height() const { return h_; }
    float& at(int x, int y) { return v_[static_cast<size_t>(y) * w_ + x]; }
    float at(int x, int y) const { return v_[static_cast<size_t>(y) * w_ + x]; }
    // Clamped to the edge when wrap is false, periodic otherwise.
    float sample(float x, float y, bool wrap = false) const;  // bilinear, pixel centres at +0.5
    std::vector<float>& data() { return v_; }
    const std::vector<float>& data() const { return v_; }

  private:
    int w_ = 0, h_ = 0;
    std::vector<float> v_;
};

class Canvas {
  public:
    Canvas() = default;
    Canvas(int w, int h, Color fill = {0, 0, 0, 0})
        : w_(w), h_(h), px_(static_cast<size_t>(w) * h, fill) {}
    int width() const { return w_; }
    int height() const { return h_; }
    Color& at(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }
    const Color& at(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
    Color sample(float x, float y, bool wrap = false) const;  // bilinear, pixel centres at +0.5

    // Paints colour c over the pixel with coverage k (0..1): "over" compositing with
    // straight alpha, so painting on a transparent canvas keeps c's colour.
    void over(int x, int y, Color c, float k);
    // Adds k * c to the colour channels only.
    void add(int x, int y, Color c, float k);
    // Paints a whole mask at (ox, oy); coverage = mask value, wrapping at the canvas edges
    // when wrap is set (for tileable textures).
    void overMask(const Mask& m, int ox, int oy, Color c, bool wrap = false);

  private:
    int w_ = 0, h_ = 0;
    std::vector<Color> px_;
};

Image8 ToImage8(const Canvas& c);
Canvas FromImage8(const Image8& img);

// Separable blur by three box passes (close to a Gaussian of sigma ~ radius / 1.7).
void BoxBlur(Mask& m, int radius, bool wrap = false);
void BoxBlur(Canvas& c, int radius, bool wrap = false);

// Area-average downsampling by an integer factor (dimensions must divide).
Mask Downsample(const Mask& m, int factor);
Canvas Downsample(const Canvas& c, int factor);
// Resampling to any size by area averaging in both directions (for thumbnails).
Image8 ResizeArea(const Image8& img, int w, int h);

float Clamp01(float v);
float Smoothstep(float e0, float e1, float x);
inline float Lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

}  // namespace eh::mediagen
