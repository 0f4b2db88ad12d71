// What the configuration dialog needs from the adapter catalog: the display modes and the
// supported multisample types as plain data, the current selection it reads and changes,
// and the dialog's two lists built from them.
//
// The dialog sees the catalog only through DisplayModeSource, so it is tested without a
// graphics device; the graphics layer adapts the adapter catalog to it. The lists' texts
// are built here, once, by BuildDialogLists, whatever the source. ListedModes is a source
// over plain vectors with the catalog's selection rules, for tests and for a build that has
// no catalog.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace eh::config {

class TextTable;

// One entry of a drop-down list: its text (Windows-1252 bytes) and its item data.
struct ListItem {
    std::string text;
    std::intptr_t data = 0;
    bool operator==(const ListItem&) const = default;
};

struct DialogLists {
    std::vector<ListItem> modes;        // item data: index into the mode list
    int modeSelection = -1;             // list position of the current mode, -1 for none
    std::vector<ListItem> multisample;  // item data: running number of supported entries
    int multisampleSelection = -1;      // list position of the current type, -1 for none
};

// Index k of the multisample list stands for type 0 (k = 0) or k + 1 samples; the types
// go up to D3DMULTISAMPLE_16_SAMPLES.
inline constexpr int kMultisampleEntries = 16;
using MultisampleSupport = std::array<bool, kMultisampleEntries>;

// One full-screen display mode as the dialog lists it.
struct DisplayMode {
    int width;     // pixels
    int height;    // pixels
    int bitCount;  // 32 for the 32-bit formats, else 16
};

// The effective selection, as the settings record holds it.
struct ModeSelection {
    int width = 0;        // pixels
    int height = 0;       // pixels
    int bitCount = 0;     // 32 for the 32-bit formats, else 16
    int multisample = 0;  // multisample type: 0, or 2..16 samples
};

class DisplayModeSource {
  public:
    virtual ~DisplayModeSource() = default;
    // The catalog's SelectMode: the first supported multisample entry of type
    // `multisample` and the first mode of that size and depth become current; no match
    // keeps the current one. The selection is refreshed.
    virtual void SelectMode(int width, int height, int bits, int multisample) = 0;
    virtual ModeSelection Selection() const = 0;
    // The modes in list order; a mode's item data in the list is its index here.
    virtual std::vector<DisplayMode> Modes() const = 0;
    // The index into Modes() of the current mode; -1 for none.
    virtual int CurrentModeIndex() const = 0;
    // Which multisample list entries the device supports; the current type is
    // Selection().multisample.
    virtual MultisampleSupport SupportedMultisample() const = 0;
    // Mode-list item data `modeIndex` becomes the current mode. An index outside the list
    // is ignored.
    virtual void SetCurrentMode(std::intptr_t modeIndex) = 0;
    // The `entry`-th supported multisample entry (0 = the first supported one) becomes the
    // current multisample type. An entry past the supported ones is ignored.
    virtual void SetCurrentMultisampleEntry(std::intptr_t entry) = 0;
};

// Modes and multisample support held in plain vectors, with the catalog's rules.
class ListedModes final : public DisplayModeSource {
  public:
    using Mode = DisplayMode;
    static constexpr int kMultisampleEntries = config::kMultisampleEntries;

    ListedModes(std::vector<Mode> modes, MultisampleSupport supported);

    void SelectMode(int width, int height, int bits, int multisample) override;
    ModeSelection Selection() const override;
    std::vector<DisplayMode> Modes() const override { return modes_; }
    int CurrentModeIndex() const override;
    MultisampleSupport SupportedMultisample() const override { return supported_; }
    void SetCurrentMode(std::intptr_t modeIndex) override;
    void SetCurrentMultisampleEntry(std::intptr_t entry) override;

  private:
    std::vector<Mode> modes_;
    MultisampleSupport supported_;
    std::size_t currentMode_ = 0;
    int currentMultisample_ = 0;
};

// The multisample type of list index k: 0 for k = 0, else k + 1.
constexpr int MultisampleTypeOfIndex(int k) {
    return k == 0 ? 0 : k + 1;
}

// Both lists of the dialog from `source`: texts and item data, with the current mode and
// the current multisample type selected (-1 where the list does not hold it).
DialogLists BuildDialogLists(const DisplayModeSource& source, const TextTable& texts);

// The caption of a mode entry: "800 x 600 32 bits" (the size part ends with a space).
std::string ModeCaption(int width, int height, int bitCount);
// The caption of multisample index k: the value of "none" for k = 0, else
// "<k + 1> <value of samples>".
std::string MultisampleCaption(int k, const TextTable& texts);

}  // namespace eh::config
