// The display adapters, their full-screen modes and the current selection.
//
// Built once at start-up from the Direct3D object (which the catalog then owns), read and
// changed by the settings, the configuration dialog and device creation. Capacities are
// fixed: 10 adapters, 150 modes per adapter, 100 distinct (width, height, format) modes
// collected per adapter before the usable formats are matched; modes past a capacity are
// dropped. Only adapter 0 is ever selected.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "config/dialog_lists.h"
#include "graphics/log_line.h"
#include "platform/d3d8/d3d8.h"

namespace eh::graphics {

// Result codes of Create and Enumerate (also the codes ShowError knows).
inline constexpr HRESULT kErrorNoDirect3D = static_cast<HRESULT>(0x82000001u);
inline constexpr HRESULT kErrorNoCompatibleDevice = static_cast<HRESULT>(0x82000003u);

inline constexpr int kMaxAdapters = 10;
inline constexpr int kMaxModes = 150;
inline constexpr int kMaxWorkingModes = 100;
// Multisample list: index 0 is "none", index k >= 1 stands for k + 1 samples (the
// dialog's list, whose entries config counts).
inline constexpr int kMultisampleEntries = config::kMultisampleEntries;
inline constexpr UINT kMinModeWidth = 640;
inline constexpr UINT kMinModeHeight = 400;

inline D3DMULTISAMPLE_TYPE MultisampleTypeAt(int index) {
    return static_cast<D3DMULTISAMPLE_TYPE>(index == 0 ? 0 : index + 1);
}
// 32 for the two 32-bit formats, 16 for everything else.
inline int BitsOf(D3DFORMAT format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 ? 32 : 16;
}

struct ModeEntry {
    UINT Width = 0;
    UINT Height = 0;
    D3DFORMAT Format = D3DFMT_UNKNOWN;
};

struct AdapterRecord {
    D3DADAPTER_IDENTIFIER8 identifier{};
    D3DCAPS8 caps{};
    const char* deviceName = "HAL";
    std::int32_t reserved = 0;
    UINT modeCount = 0;
    ModeEntry modes[kMaxModes]{};
    UINT currentMode = 0;
    BOOL windowed = FALSE;
    D3DMULTISAMPLE_TYPE multisampleType = D3DMULTISAMPLE_NONE;
    BOOL multisampleSupported[kMultisampleEntries]{};
    D3DFORMAT depthFormat = D3DFMT_D16;
    BOOL depthD16 = FALSE;
    BOOL depthD24X8 = FALSE;
    BOOL depthD32 = FALSE;
};

// The current selection as the rest of the program reads it.
struct Selection {
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT backBufferFormat = D3DFMT_UNKNOWN;
    D3DFORMAT depthFormat = D3DFMT_UNKNOWN;
    D3DMULTISAMPLE_TYPE multisampleType = D3DMULTISAMPLE_NONE;
    BOOL windowed = FALSE;
};

// Creates the Direct3D object the catalog uses; Direct3DCreate8 in the program.
using Direct3DFactory = IDirect3D8* (*)(UINT sdkVersion);

class AdapterCatalog {
  public:
    AdapterCatalog() = default;
    ~AdapterCatalog();
    AdapterCatalog(const AdapterCatalog&) = delete;
    AdapterCatalog& operator=(const AdapterCatalog&) = delete;

    void SetLog(LogLineFn log) { log_ = std::move(log); }

    // Creates the Direct3D object through `factory` and enumerates. 0 on success; else the
    // error code, after its box has been shown (the object is then released).
    HRESULT Create(Direct3DFactory factory);
    // Takes ownership of an existing object (one reference) and enumerates; no box.
    HRESULT Adopt(IDirect3D8* d3d);
    // 0, or kErrorNoCompatibleDevice when no adapter has a usable mode.
    HRESULT Enumerate();
    // Copies the current adapter's selection into the mirror; sets the changed flag when
    // any field differs.
    void RefreshSelection();
    // The first supported multisample entry of type `multisample` and the first mode of
    // that size and bit depth become current; what does not match stays as it was.
    void SelectMode(UINT width, UINT height, int bits, int multisample);
    // Logs and shows the error box for `code`; returns `code`.
    HRESULT ShowError(HRESULT code);
    static const char* ErrorMessage(HRESULT code);

    // Releases the Direct3D object (Shutdown).
    void ReleaseDirect3D();

    IDirect3D8* Direct3D() const { return d3d_; }
    int AdapterCount() const { return adapterCount_; }
    AdapterRecord& Current() { return adapters_[current_]; }
    const AdapterRecord& Adapter(int i) const { return adapters_[i]; }
    const ModeEntry& CurrentMode() const {
        return adapters_[current_].modes[adapters_[current_].currentMode];
    }
    const Selection& Mirror() const { return mirror_; }
    bool SelectionChanged() const { return changed_ != FALSE; }
    void ClearSelectionChanged() { changed_ = FALSE; }

  private:
    void log(const char* line);
    bool enumerateAdapter(UINT ordinal, AdapterRecord& record);

    BOOL changed_ = FALSE;
    Selection mirror_;
    std::vector<AdapterRecord> adapters_ = std::vector<AdapterRecord>(kMaxAdapters);
    int adapterCount_ = 0;
    int current_ = 0;
    IDirect3D8* d3d_ = nullptr;
    LogLineFn log_;
};

// The catalog's current adapter as the configuration dialog's source of modes and
// multisample types (config builds the lists' texts from them). Item data are the
// catalog's: the mode index, and the running number of supported multisample entries.
// An empty catalog (no adapter) gives no modes and ignores every change.
class CatalogModeSource final : public config::DisplayModeSource {
  public:
    explicit CatalogModeSource(AdapterCatalog& catalog) : catalog_(catalog) {}

    void SelectMode(int width, int height, int bits, int multisample) override;
    config::ModeSelection Selection() const override;
    std::vector<config::DisplayMode> Modes() const override;
    int CurrentModeIndex() const override;
    config::MultisampleSupport SupportedMultisample() const override;
    void SetCurrentMode(std::intptr_t modeIndex) override;
    void SetCurrentMultisampleEntry(std::intptr_t entry) override;

  private:
    AdapterCatalog& catalog_;
};

}  // namespace eh::graphics
