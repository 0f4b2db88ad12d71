// SkyBox: the textured box around the camera that shows the evening sky and the distant
// land. It is drawn first, without depth test, so everything else covers it.
//
// The box is 2000 units wide in x and z and 1500 tall in y, centred on the eye (the
// view's translation is removed while it is drawn), so it never comes nearer and its
// horizon stays at the vertical middle of the side faces. Each face maps texture
// coordinates [kUvInset, 1 - kUvInset] over its whole side. Seen from inside, the image's
// right and down directions on each face are (the media generator paints the same table):
//   front  (z = +1000): right +x, down -y      back  (z = -1000): right -x, down -y
//   left   (x = -1000): right +z, down -y      right (x = +1000): right -z, down -y
//   top    (y = +750):  right +x, down +z      bottom (y = -750): right +x, down -z
// Triangles are wound clockwise as seen from inside, so the scene's base culling
// (counter-clockwise) keeps them.
//
// Life: Setup once, Load with the media archive's entries; then Draw every frame.
// GUI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "model/mesh_model.h"
#include "platform/d3d8/d3d8.h"
#include "scene/vertex_formats.h"

namespace eh::scene {

class SkyBox {
  public:
    // Face records in storage order.
    enum Face { kBottom = 0, kTop, kFront, kLeft, kRight, kBack, kFaceCount };

    static constexpr int kMaxFaceSets = 1;
    static constexpr int kVertexCount = 36;
    static constexpr float kHalfWidth = 1000.0f;  // x and z
    static constexpr float kHalfHeight = 750.0f;  // y
    static constexpr float kUvInset = 0.00075f;
    // The archive entries of the six faces, indexed by Face.
    static const char* const kFaceFiles[kFaceCount];

    SkyBox(media::VertexBufferPool& pool, media::RenderKit& kit);

    // Creates the 36-vertex 0x152 buffer and fills it with the six faces (vertices 0-5
    // the front face, 6-11 back, 12-17 left, 18-23 right, 24-29 top, 30-35 bottom), sets
    // one face set and stores the kFaceFiles names in its records.
    void Setup();

    // Puts the archive entry name of `face` into its record's first name (the record
    // stays without a texture until Load). Names longer than 127 bytes are cut.
    void SetFaceFile(Face face, const char* fileName);

    // For the faces of set 0 in the order front, back, left, right, top, bottom: reads the entry
    // named by the record's first name and creates its texture under that name, with an
    // empty folder and reuse set; the returned TextureRef replaces the record. A face
    // whose entry cannot be read keeps its record (no texture: it draws untextured).
    void Load(const model::EntryReader& read);

    // Draws face set `faceSet` (nothing unless 0 <= faceSet < faceSetCount) around the
    // eye: the view transform is read, set with its translation row cleared, and put back
    // afterwards. Expects the caller's states: no depth test, no lighting, no fog, no
    // blending; sets stage 0's texture and the stream, and draws with stage 0 addressing
    // clamped (edges would otherwise bleed across the seams), putting the caller's
    // addressing modes and view back.
    void Draw(IDirect3DDevice8* device, int faceSet);

    // The face vertices as Setup writes them (for tests).
    static std::array<ClothVertex, kVertexCount> BuildVertices();

    // Number of face sets with records (Setup: 1).
    int faceSetCount = 0;
    // Face records of set 0, indexed by Face.
    std::array<media::TextureRef, kFaceCount> faces;

    int vertexBuffer() const { return buffer_; }

  private:
    media::VertexBufferPool* pool_;
    media::RenderKit* kit_;
    int buffer_ = -1;
};

}  // namespace eh::scene
