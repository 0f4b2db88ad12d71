// VertexBufferPool: the owner of every vertex buffer and 16-bit index buffer the program
// draws from. Callers keep integer handles (-1: none yet), never buffer pointers.
//
// Only three vertex layouts exist, known by their flexible-vertex-format codes:
//   0x144 (XYZRHW | DIFFUSE | TEX1)          stride 28  pre-transformed 2D quads
//   0x152 (XYZ | NORMAL | DIFFUSE | TEX1)    stride 36  billboards, terrain, sky, effects
//   0x352 (XYZ | NORMAL | DIFFUSE | TEX3)    stride 56  model meshes (the third set holds
//                                            three floats, four bytes more than the code)
// Buffers are static managed buffers (they survive a device reset), locked whole with no
// flags. Slots are never freed; a vertex slot can be recreated in place through its handle.
//
// A buffer the device refuses to create leaves its slot without a buffer: locking it gives
// null and binding it binds nothing, so callers test the lock and skip drawing. Handles
// outside the tables are ignored the same way.
//
// There is no global instance: the shell's SaverApp owns the one the program draws with and
// hands it to every object that makes buffers; tests make their own. GUI thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d8/d3d8.h"

namespace eh::media {

// The 28-byte vertex of the 2D quads.
struct Quad2DVertex {
    float x, y, z, rhw;  // pixels, y down
    std::uint32_t colour;
    float u, v;
};
static_assert(sizeof(Quad2DVertex) == 28);

class VertexBufferPool {
  public:
    static constexpr int kMaxVertexBuffers = 10000;
    static constexpr int kMaxIndexBuffers = 10000;
    static constexpr DWORD kFvfQuad2D = 0x144;
    static constexpr DWORD kFvfColoured = 0x152;
    static constexpr DWORD kFvfModel = 0x352;

    // Bytes per vertex of one of the three codes; 0 for any other code.
    static UINT StrideOf(DWORD fvf);

    VertexBufferPool() = default;
    // Does not release: the device may already be gone when the program's instance is
    // destroyed. Call ReleaseAll before releasing the device.
    ~VertexBufferPool() = default;
    VertexBufferPool(const VertexBufferPool&) = delete;
    VertexBufferPool& operator=(const VertexBufferPool&) = delete;

    // Stores the device and window and reads the device's viewport (used by every
    // SetQuad2D afterwards). A null device does nothing.
    void Init(IDirect3DDevice8* device, HWND window);

    // (Re)creates a vertex buffer of `count` vertices of format `fvf`. A handle of -1 (or any
    // handle outside the table) takes the next slot and is written back; a handle of an
    // existing slot releases that slot's buffer and creates the new one in its place.
    // An unknown code, no device, or a full table leave *handle unchanged and create nothing.
    void CreateVertexBuffer(int* handle, DWORD fvf, UINT count);

    // A new managed INDEX16 buffer of `count` indices in the next slot; its handle, or -1
    // without a device or with a full table.
    int CreateIndexBuffer(UINT count);

    // The whole buffer locked (offset 0, size 0, flags 0), or null when the handle names
    // no buffer or the lock fails. Unlock only after a successful lock.
    void* LockVertexBuffer(int handle);
    void UnlockVertexBuffer(int handle);
    // Locks, copies min(bytes, buffer size) bytes to the start, unlocks.
    void FillVertexBuffer(int handle, const void* source, UINT bytes);
    void* LockIndexBuffer(int handle);
    void UnlockIndexBuffer(int handle);

    // Makes the index buffer the device's index source, base vertex index 0.
    void SetIndices(int handle);
    // Sets the slot's format code as the vertex shader, then binds its buffer to `stream`
    // with the slot's stride. Nothing for a handle outside the table.
    void SetStream(UINT stream, int handle);

    // Writes a screen quad into the first four vertices of a 0x144 buffer. (x, y) is the
    // top-left corner and (w, h) the size, as fractions of the viewport read at Init;
    // (uLeft, vTop) is the texture coordinate of the top-left corner, (uRight, vBottom) of
    // the bottom-right one. Vertices are in strip order: bottom-left, top-left,
    // bottom-right, top-right. z and rhw are left as the buffer's creator wrote them.
    void SetQuad2D(int handle, float x, float y, float w, float h, DWORD colour, float uLeft,
                   float vTop, float uRight, float vBottom);

    // Releases every buffer (slots stay counted, without buffers). Before the device goes.
    void ReleaseAll();

    int vertexBufferCount() const { return static_cast<int>(vertexSlots_.size()); }
    int indexBufferCount() const { return static_cast<int>(indexSlots_.size()); }
    // Null when the handle names no buffer.
    IDirect3DVertexBuffer8* vertexBuffer(int handle) const;
    IDirect3DIndexBuffer8* indexBuffer(int handle) const;
    DWORD fvf(int handle) const;
    UINT stride(int handle) const;
    // Size in bytes of the buffer, 0 when there is none.
    UINT vertexBufferBytes(int handle) const;
    const D3DVIEWPORT8& viewport() const { return viewport_; }
    // Replaces the viewport SetQuad2D maps its fractions to (read at Init), e.g. while
    // drawing into a render target of another size; returns the one it replaced.
    D3DVIEWPORT8 SetQuadViewport(const D3DVIEWPORT8& viewport) {
        D3DVIEWPORT8 previous = viewport_;
        viewport_ = viewport;
        return previous;
    }

  private:
    struct VertexSlot {
        DWORD fvf = 0;
        UINT stride = 0;
        IDirect3DVertexBuffer8* buffer = nullptr;
        UINT bytes = 0;
        bool created = false;
    };
    struct IndexSlot {
        IDirect3DIndexBuffer8* buffer = nullptr;
        UINT bytes = 0;
        bool created = false;
    };

    const VertexSlot* vertexSlot(int handle) const;
    const IndexSlot* indexSlot(int handle) const;

    std::vector<VertexSlot> vertexSlots_;
    std::vector<IndexSlot> indexSlots_;
    HWND window_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
    D3DVIEWPORT8 viewport_{};
};

}  // namespace eh::media
