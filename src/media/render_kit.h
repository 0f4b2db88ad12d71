// RenderKit: the program's texture manager. Every texture is created through it from
// encoded image bytes (JPEG, TGA, BMP, DDS, PNG) into a fixed table of slots; callers keep
// a by-value TextureRef naming a slot and ask the kit to bind it to a texture stage.
//
// Formats are chosen once, at Init: the first block-compressed format the device offers
// (DXT5, DXT4, DXT1, DXT2, DXT3, in that order) for every texture, or the image's own
// format when there is none; and a 16-bit fallback (A1R5G5B5 when offered, else R5G6B5)
// for the second attempt at a texture the first attempt could not create.
//
// A texture that fails both attempts keeps its slot without a texture (objects using it
// draw untextured) and shows one warning box ("Warning!") through the platform layer.
// Slots are filled in order and never reused; textures live in the managed pool and
// survive a device reset. There is no global instance: the shell's SaverApp owns the one
// the program draws with and hands it to every object that makes textures; tests make
// their own. GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d8/d3d8.h"

namespace eh::media {

// A by-value texture handle (260 bytes). Textures created from memory leave firstName
// empty and put the texture name in secondName. index -1 means no texture.
struct TextureRef {
    char firstName[128];
    char secondName[128];
    int index;
};
static_assert(sizeof(TextureRef) == 260);

// Two empty strings and index -1.
TextureRef EmptyTextureRef();

class EntryPrefetch;

class RenderKit {
  public:
    static constexpr int kMaxSlots = 1000;
    // The side of the second attempt (or the device's maximum width when smaller).
    static constexpr UINT kFallbackSide = 256;

    // TextureSlot::kind of a slot that holds a surface rather than a texture.
    static constexpr int kSurfaceSlot = 2;

    struct TextureSlot {
        IDirect3DTexture8* texture = nullptr;
        IDirect3DSurface8* surface = nullptr;  // kSurfaceSlot only; never set by this program
        std::string name;
        std::string folder;
        bool loaded = false;
        bool fromMemory = false;
        int width = 0, height = 0, kind = 0;
    };

    // How textures are made from bytes; D3DXCreateTextureFromFileInMemoryEx with a full
    // mip chain, the managed pool, default filters and no colour key. Replaceable so that
    // tests can script the device's answers.
    using TextureLoader = HRESULT (*)(IDirect3DDevice8* device, const void* bytes, UINT size,
                                      UINT width, UINT height, D3DFORMAT format,
                                      IDirect3DTexture8** texture);
    static HRESULT LoadWithD3DX(IDirect3DDevice8* device, const void* bytes, UINT size, UINT width,
                                UINT height, D3DFORMAT format, IDirect3DTexture8** texture);

    RenderKit() = default;
    // Does not release (the device may be gone by then): call ReleaseAll first.
    ~RenderKit() = default;
    RenderKit(const RenderKit&) = delete;
    RenderKit& operator=(const RenderKit&) = delete;

    // Attaches the device: reads MaxTextureWidth, stores `adapterFormat` for the format
    // checks (adapter 0, HAL, no usage, texture resource) and chooses the two formats.
    // Nothing happens for a null device.
    void Init(IDirect3D8* d3d, IDirect3DDevice8* device, D3DFORMAT adapterFormat, HWND window);

    // Creates a texture from `bytes` in the next slot and returns a handle to it (also
    // when the texture failed to load: the slot is kept, untextured). With `reuse`, the
    // first slot whose name and folder equal the arguments exactly (case-sensitive) is
    // returned instead, loaded or not. Without a device, or with the table full, the
    // result is index -1. The caller keeps ownership of `bytes`.
    TextureRef CreateTextureFromMemory(const void* bytes, UINT size, const char* name,
                                       const char* folder, bool reuse);

    // Binds the slot's texture (none when it did not load) to `stage` 0..7; index -1
    // unbinds the stage; any other index or stage is ignored.
    void SetTexture(DWORD stage, TextureRef ref);

    // Releases every loaded texture (and the surface of a kSurfaceSlot) and clears the
    // loaded flags; the slots stay counted. Before the device is released.
    void ReleaseAll();

    void setTextureLoader(TextureLoader loader) { loader_ = loader; }
    // While set, a first attempt whose bytes are the entry `ahead` handed out last takes
    // its prepared levels instead of decoding them again (same texture, same bytes).
    // Cleared with null; the default loader only.
    void SetPrefetch(const EntryPrefetch* ahead) { prefetch_ = ahead; }

    int slotCount() const { return static_cast<int>(slots_.size()); }
    const TextureSlot& slot(int index) const { return slots_.at(static_cast<std::size_t>(index)); }
    bool compressedAvailable() const { return compressedAvailable_; }
    D3DFORMAT compressedFormat() const { return compressedFormat_; }
    D3DFORMAT fallbackFormat() const { return fallbackFormat_; }
    UINT maxTextureWidth() const { return maxTextureWidth_; }

  private:
    bool compressedAvailable_ = false;
    D3DFORMAT adapterFormat_ = D3DFMT_UNKNOWN;
    D3DFORMAT compressedFormat_ = D3DFMT_UNKNOWN;
    D3DFORMAT fallbackFormat_ = D3DFMT_UNKNOWN;
    UINT maxTextureWidth_ = 0;
    std::vector<TextureSlot> slots_;
    HWND window_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
    TextureLoader loader_ = &LoadWithD3DX;
    const EntryPrefetch* prefetch_ = nullptr;
};

}  // namespace eh::media
