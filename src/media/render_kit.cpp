#include "media/render_kit.h"

#include <algorithm>
#include <cstring>

#include "d3dx/d3dx8.h"
#include "d3dx/d3dx_prepared.h"
#include "media/entry_prefetch.h"
#include "platform/os/message_box.h"
#include "platform/os/messages.h"

namespace eh::media {
namespace {

void CopyName(char (&field)[128], const char* text) {
    std::strncpy(field, text ? text : "", sizeof field - 1);
    field[sizeof field - 1] = '\0';
}

}  // namespace

TextureRef EmptyTextureRef() {
    TextureRef ref;
    std::memset(&ref, 0, sizeof ref);
    ref.index = -1;
    return ref;
}

HRESULT RenderKit::LoadWithD3DX(IDirect3DDevice8* device, const void* bytes, UINT size, UINT width,
                                UINT height, D3DFORMAT format, IDirect3DTexture8** texture) {
    return D3DXCreateTextureFromFileInMemoryEx(device, bytes, size, width, height, 0, 0, format,
                                               D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                               nullptr, nullptr, texture);
}

void RenderKit::Init(IDirect3D8* d3d, IDirect3DDevice8* device, D3DFORMAT adapterFormat,
                     HWND window) {
    if (device == nullptr) return;
    window_ = window;
    device_ = device;
    D3DCAPS8 caps{};
    if (SUCCEEDED(device->GetDeviceCaps(&caps))) maxTextureWidth_ = caps.MaxTextureWidth;
    adapterFormat_ = adapterFormat;

    auto offered = [&](D3DFORMAT format) {
        return d3d != nullptr && SUCCEEDED(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, adapterFormat_,
                                                                  0, D3DRTYPE_TEXTURE, format));
    };
    fallbackFormat_ = offered(D3DFMT_A1R5G5B5) ? D3DFMT_A1R5G5B5 : D3DFMT_R5G6B5;
    compressedAvailable_ = false;
    compressedFormat_ = D3DFMT_UNKNOWN;
    for (D3DFORMAT format : {D3DFMT_DXT5, D3DFMT_DXT4, D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3}) {
        if (offered(format)) {
            compressedFormat_ = format;
            compressedAvailable_ = true;
            break;
        }
    }
}

TextureRef RenderKit::CreateTextureFromMemory(const void* bytes, UINT size, const char* name,
                                              const char* folder, bool reuse) {
    TextureRef result = EmptyTextureRef();
    CopyName(result.secondName, name);
    if (device_ == nullptr) return result;
    const std::string nameText = name ? name : "";
    const std::string folderText = folder ? folder : "";

    if (reuse) {
        for (int i = 0; i < slotCount(); ++i) {
            const TextureSlot& s = slots_[static_cast<std::size_t>(i)];
            if (s.name == nameText && s.folder == folderText) {
                result.index = i;
                return result;
            }
        }
    }
    if (slotCount() >= kMaxSlots) return result;

    slots_.emplace_back();
    TextureSlot& s = slots_.back();
    s.name = nameText;
    s.folder = folderText;
    s.fromMemory = true;

    IDirect3DTexture8* texture = nullptr;
    HRESULT hr = S_FALSE;
    const d3dx::PreparedTexture* prepared =
        prefetch_ != nullptr && loader_ == &LoadWithD3DX ? prefetch_->PreparedFor(bytes, size)
                                                         : nullptr;
    if (prepared != nullptr) {
        hr = d3dx::CreateTextureFromPrepared(device_, *prepared, 0, 0, 0, 0, compressedFormat_,
                                             D3DPOOL_MANAGED, &texture);
    }
    if (hr == S_FALSE) hr = loader_(device_, bytes, size, 0, 0, compressedFormat_, &texture);
    if (FAILED(hr)) {
        texture = nullptr;
        const UINT side = std::min(kFallbackSide, maxTextureWidth_);
        hr = loader_(device_, bytes, size, side, side, fallbackFormat_, &texture);
    }
    if (SUCCEEDED(hr) && texture != nullptr) {
        s.texture = texture;
        s.loaded = true;
    } else {
        s.texture = nullptr;
        s.loaded = false;
        const std::string text =
            hr == D3DERR_OUTOFVIDEOMEMORY
                ? "Not enought video memory to load " + nameText +
                      ". There why some objects will be white color."
                : "Texture " + nameText +
                      " not loaded. There why some objects will be white color.";
        MessageBoxA(window_, text.c_str(), "Warning!", MB_ICONWARNING);
        SetCursor(nullptr);
    }
    s.width = s.height = s.kind = 0;
    result.index = slotCount() - 1;
    return result;
}

void RenderKit::SetTexture(DWORD stage, TextureRef ref) {
    if (device_ == nullptr) return;
    if (ref.index == -1) {
        device_->SetTexture(stage, nullptr);
        return;
    }
    if (ref.index >= 0 && ref.index < slotCount() && stage <= 7) {
        device_->SetTexture(stage, slots_[static_cast<std::size_t>(ref.index)].texture);
    }
}

void RenderKit::ReleaseAll() {
    for (TextureSlot& s : slots_) {
        if (s.texture != nullptr && s.loaded) {
            s.texture->Release();
            s.texture = nullptr;
            s.loaded = false;
        }
        if (s.kind == kSurfaceSlot && s.loaded && s.surface != nullptr) {
            s.surface->Release();
            s.surface = nullptr;
            s.loaded = false;
        }
    }
}

}  // namespace eh::media
