#include "graphics/adapter_catalog.h"

#include <algorithm>

#include "config/log_lines.h"
#include "platform/os/message_box.h"

namespace eh::graphics {
namespace {

// Depth formats in the order they are checked.
constexpr D3DFORMAT kDepthFormats[3] = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32};

}  // namespace

AdapterCatalog::~AdapterCatalog() {
    ReleaseDirect3D();
}

void AdapterCatalog::ReleaseDirect3D() {
    if (d3d_ != nullptr) {
        d3d_->Release();
        d3d_ = nullptr;
    }
}

void AdapterCatalog::log(const char* line) {
    if (log_) log_(line);
}

HRESULT AdapterCatalog::Create(Direct3DFactory factory) {
    ReleaseDirect3D();
    d3d_ = factory != nullptr ? factory(D3D_SDK_VERSION) : nullptr;
    if (d3d_ == nullptr) return ShowError(kErrorNoDirect3D);
    log(config::log_lines::kCreateD3dComplete);
    HRESULT hr = Enumerate();
    if (hr != S_OK) {
        log(config::log_lines::kCantEnumerateDeviceList);
        ReleaseDirect3D();
        return ShowError(hr);
    }
    log(config::log_lines::kEnumerateDeviceListComplete);
    return S_OK;
}

HRESULT AdapterCatalog::Adopt(IDirect3D8* d3d) {
    ReleaseDirect3D();
    d3d_ = d3d;
    if (d3d_ == nullptr) return kErrorNoDirect3D;
    return Enumerate();
}

bool AdapterCatalog::enumerateAdapter(UINT ordinal, AdapterRecord& record) {
    d3d_->GetAdapterIdentifier(ordinal, 0, &record.identifier);

    // Distinct (width, height, format) of the modes large enough; refresh rates collapse.
    std::vector<ModeEntry> working;
    std::vector<D3DFORMAT> formats;
    UINT count = d3d_->GetAdapterModeCount(ordinal);
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode{};
        if (FAILED(d3d_->EnumAdapterModes(ordinal, i, &mode))) continue;
        if (mode.Width < kMinModeWidth || mode.Height < kMinModeHeight) continue;
        bool known = std::any_of(working.begin(), working.end(), [&](const ModeEntry& m) {
            return m.Width == mode.Width && m.Height == mode.Height && m.Format == mode.Format;
        });
        if (known || working.size() >= kMaxWorkingModes) continue;
        working.push_back({mode.Width, mode.Height, mode.Format});
        if (std::find(formats.begin(), formats.end(), mode.Format) == formats.end())
            formats.push_back(mode.Format);
    }
    std::stable_sort(working.begin(), working.end(), [](const ModeEntry& a, const ModeEntry& b) {
        return a.Width != b.Width ? a.Width < b.Width : a.Height < b.Height;
    });

    d3d_->GetDeviceCaps(ordinal, D3DDEVTYPE_HAL, &record.caps);
    record.deviceName = "HAL";
    record.reserved = 0;
    record.modeCount = 0;
    record.currentMode = 0;
    record.windowed = FALSE;
    record.multisampleType = D3DMULTISAMPLE_NONE;
    record.depthD16 = record.depthD24X8 = record.depthD32 = FALSE;
    std::fill(std::begin(record.multisampleSupported), std::end(record.multisampleSupported),
              FALSE);

    std::vector<D3DFORMAT> usable;
    for (D3DFORMAT f : formats) {
        if (FAILED(d3d_->CheckDeviceType(ordinal, D3DDEVTYPE_HAL, f, f, FALSE))) continue;
        usable.push_back(f);
        BOOL* depthFlags[3] = {&record.depthD16, &record.depthD24X8, &record.depthD32};
        for (int d = 0; d < 3; ++d) {
            if (SUCCEEDED(d3d_->CheckDeviceFormat(ordinal, D3DDEVTYPE_HAL, f, D3DUSAGE_DEPTHSTENCIL,
                                                  D3DRTYPE_SURFACE, kDepthFormats[d])) &&
                SUCCEEDED(
                    d3d_->CheckDepthStencilMatch(ordinal, D3DDEVTYPE_HAL, f, f, kDepthFormats[d])))
                *depthFlags[d] = TRUE;
        }
        for (int k = 0; k < kMultisampleEntries; ++k) {
            if (SUCCEEDED(d3d_->CheckDeviceMultiSampleType(ordinal, D3DDEVTYPE_HAL, f, FALSE,
                                                           MultisampleTypeAt(k))))
                record.multisampleSupported[k] = TRUE;
        }
    }

    for (const ModeEntry& m : working) {
        for (D3DFORMAT f : usable) {
            if (f != m.Format || record.modeCount >= kMaxModes) continue;
            record.modes[record.modeCount++] = m;
        }
    }
    return record.modeCount > 0;
}

HRESULT AdapterCatalog::Enumerate() {
    adapterCount_ = 0;
    if (d3d_ == nullptr) return kErrorNoCompatibleDevice;
    UINT count = d3d_->GetAdapterCount();
    for (UINT ordinal = 0; ordinal < count && adapterCount_ < kMaxAdapters; ++ordinal) {
        AdapterRecord& record = adapters_[adapterCount_];
        record = AdapterRecord{};
        if (enumerateAdapter(ordinal, record)) ++adapterCount_;
    }
    if (adapterCount_ == 0) return kErrorNoCompatibleDevice;

    current_ = 0;
    AdapterRecord& r = adapters_[0];
    r.currentMode = 0;
    r.multisampleType = D3DMULTISAMPLE_NONE;
    r.windowed = FALSE;
    r.depthFormat = r.depthD32 ? D3DFMT_D32 : r.depthD24X8 ? D3DFMT_D24X8 : D3DFMT_D16;
    RefreshSelection();
    return S_OK;
}

void AdapterCatalog::RefreshSelection() {
    const AdapterRecord& r = adapters_[current_];
    const ModeEntry& mode = r.modes[r.currentMode];
    Selection next;
    next.depthFormat = r.depthFormat;
    next.multisampleType = r.multisampleType;
    next.backBufferFormat = mode.Format;
    next.height = mode.Height;
    next.width = mode.Width;
    next.windowed = r.windowed;
    if (next.depthFormat != mirror_.depthFormat ||
        next.multisampleType != mirror_.multisampleType ||
        next.backBufferFormat != mirror_.backBufferFormat || next.height != mirror_.height ||
        next.width != mirror_.width || next.windowed != mirror_.windowed)
        changed_ = TRUE;
    mirror_ = next;
}

void AdapterCatalog::SelectMode(UINT width, UINT height, int bits, int multisample) {
    AdapterRecord& r = adapters_[current_];
    for (int k = 0; k < kMultisampleEntries; ++k) {
        if (static_cast<int>(MultisampleTypeAt(k)) == multisample && r.multisampleSupported[k]) {
            r.multisampleType = MultisampleTypeAt(k);
            break;
        }
    }
    for (UINT i = 0; i < r.modeCount; ++i) {
        const ModeEntry& m = r.modes[i];
        if (m.Width == width && m.Height == height && BitsOf(m.Format) == bits) {
            r.currentMode = i;
            break;
        }
    }
    RefreshSelection();
}

const char* AdapterCatalog::ErrorMessage(HRESULT code) {
    switch (static_cast<DWORD>(code)) {
        case 0x82000001u:
            return "Could not initialize Direct3D. You may\n"
                   "want to check that the latest version of\n"
                   "DirectX is correctly installed on your\n"
                   "system.";
        case 0x82000003u:
            return "Could not find any compatible Direct3D\ndevices.";
        default:
            return "Generic application error.";
    }
}

HRESULT AdapterCatalog::ShowError(HRESULT code) {
    const char* message = ErrorMessage(code);
    log(message);
    MessageBoxA(nullptr, message, "Error!", MB_ICONERROR);
    return code;
}

void CatalogModeSource::SelectMode(int width, int height, int bits, int multisample) {
    if (catalog_.AdapterCount() == 0) return;
    catalog_.SelectMode(static_cast<UINT>(width), static_cast<UINT>(height), bits, multisample);
}

config::ModeSelection CatalogModeSource::Selection() const {
    config::ModeSelection s;
    if (catalog_.AdapterCount() == 0 || catalog_.Current().modeCount == 0) return s;
    const ModeEntry& mode = catalog_.CurrentMode();
    s.width = static_cast<int>(mode.Width);
    s.height = static_cast<int>(mode.Height);
    s.bitCount = BitsOf(mode.Format);
    s.multisample = static_cast<int>(catalog_.Current().multisampleType);
    return s;
}

std::vector<config::DisplayMode> CatalogModeSource::Modes() const {
    std::vector<config::DisplayMode> modes;
    if (catalog_.AdapterCount() == 0) return modes;
    const AdapterRecord& r = catalog_.Current();
    for (UINT i = 0; i < r.modeCount; ++i) {
        const ModeEntry& m = r.modes[i];
        modes.push_back({static_cast<int>(m.Width), static_cast<int>(m.Height), BitsOf(m.Format)});
    }
    return modes;
}

int CatalogModeSource::CurrentModeIndex() const {
    if (catalog_.AdapterCount() == 0) return -1;
    const AdapterRecord& r = catalog_.Current();
    return r.currentMode < r.modeCount ? static_cast<int>(r.currentMode) : -1;
}

config::MultisampleSupport CatalogModeSource::SupportedMultisample() const {
    config::MultisampleSupport supported{};
    if (catalog_.AdapterCount() == 0) return supported;
    const AdapterRecord& r = catalog_.Current();
    for (int k = 0; k < kMultisampleEntries; ++k) supported[k] = r.multisampleSupported[k] != FALSE;
    return supported;
}

void CatalogModeSource::SetCurrentMode(std::intptr_t modeIndex) {
    if (catalog_.AdapterCount() == 0) return;
    AdapterRecord& record = catalog_.Current();
    if (modeIndex < 0 || modeIndex >= static_cast<std::intptr_t>(record.modeCount)) return;
    record.currentMode = static_cast<UINT>(modeIndex);
    catalog_.RefreshSelection();
}

void CatalogModeSource::SetCurrentMultisampleEntry(std::intptr_t entry) {
    if (catalog_.AdapterCount() == 0) return;
    AdapterRecord& record = catalog_.Current();
    std::intptr_t n = 0;
    for (int k = 0; k < kMultisampleEntries; ++k) {
        if (!record.multisampleSupported[k]) continue;
        if (n++ != entry) continue;
        record.multisampleType = MultisampleTypeAt(k);
        catalog_.RefreshSelection();
        return;
    }
}

}  // namespace eh::graphics
