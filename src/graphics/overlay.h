// The on-screen FPS counter and clock, and the loading screen that creates the quad both
// draw with.
//
// The overlay owns the screen quad (a 4-vertex pre-transformed buffer of the vertex-buffer
// pool it was given, made by ShowLoadingScreen) and handles to the 15 digit textures, which
// the texture manager (RenderKit) makes from archive 452 and keeps until it releases all its
// textures at Shutdown. Draw runs inside the frame's scene, after the 3D scene, every frame;
// it allocates nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/log_line.h"
#include "graphics/overlay_layout.h"
#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "platform/d3d8/d3d8.h"

namespace eh::graphics {

// What Draw shows this frame.
struct OverlayFrame {
    bool showTime = false;
    bool showFps = false;
    bool twentyFourHour = true;
    int fps = 0;                              // frames of the last whole second
    int hours = 0, minutes = 0, seconds = 0;  // local time
};

class Overlay {
  public:
    // The quad is made in `pool`, the digit textures by `kit`; both must outlive the
    // overlay (the shell hands in the ones its SaverApp owns, a test its own).
    Overlay(media::VertexBufferPool& pool, media::RenderKit& kit);
    ~Overlay();
    Overlay(const Overlay&) = delete;
    Overlay& operator=(const Overlay&) = delete;

    OverlayLayout layout;

    // The loading screen: the quad, then the background and the four corner images drawn
    // into both buffers of the flip chain (each pass toggles *frontBufferParity), the
    // temporary textures released and the saved states restored.
    void ShowLoadingScreen(IDirect3DDevice8* device, const LogLineFn& log,
                           std::int32_t* frontBufferParity);
    // The 15 digit textures from archive 452, each made by the texture manager under its file
    // name in folder "Digits\" with reuse, so a second load adds no textures; its fallback
    // attempt and warning box apply. A missing entry, or a texture that failed both
    // attempts, leaves its glyph untextured. The kit must be attached to `device`.
    void LoadDigitTextures(IDirect3DDevice8* device, const LogLineFn& log);
    // The entries LoadDigitTextures asks archive 452 for, in glyph order.
    static std::vector<std::string> DigitEntryNames();
    // Depth test off and blending on, the glyph passes, then depth on and blending off.
    void Draw(IDirect3DDevice8* device, const OverlayFrame& frame);
    // The overlay's quad handle in the vertex-buffer pool, -1 before the loading screen.
    int QuadHandle() const;
    // Forgets the digit textures (Shutdown): the texture manager owns and releases them.
    void ReleaseTextures();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The corner rectangles of the loading screen, as fractions of the viewport: each corner
// image is drawn 256 x 128 pixels whatever its own size. In draw order: bottom-right
// (logo, 486), bottom-left (487), top-left (489), top-right (488).
struct LoadingCorner {
    int resourceId;
    float x, y, width, height;
};
void LoadingCorners(DWORD viewportWidth, DWORD viewportHeight, LoadingCorner out[4]);

// The time of day for the clock (local time).
void LocalTimeOfDay(int* hours, int* minutes, int* seconds);

}  // namespace eh::graphics
