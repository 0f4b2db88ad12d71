#include "config/dialog_lists.h"

#include <cstdio>
#include <utility>

#include "config/text_table.h"

namespace eh::config {

ListedModes::ListedModes(std::vector<Mode> modes, MultisampleSupport supported)
    : modes_(std::move(modes)), supported_(supported) {}

void ListedModes::SelectMode(int width, int height, int bits, int multisample) {
    for (int k = 0; k < kMultisampleEntries; ++k) {
        if (supported_[k] && MultisampleTypeOfIndex(k) == multisample) {
            currentMultisample_ = multisample;
            break;
        }
    }
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        const Mode& m = modes_[i];
        if (m.width == width && m.height == height && m.bitCount == bits) {
            currentMode_ = i;
            break;
        }
    }
}

ModeSelection ListedModes::Selection() const {
    ModeSelection s;
    s.multisample = currentMultisample_;
    if (currentMode_ < modes_.size()) {
        s.width = modes_[currentMode_].width;
        s.height = modes_[currentMode_].height;
        s.bitCount = modes_[currentMode_].bitCount;
    }
    return s;
}

int ListedModes::CurrentModeIndex() const {
    return currentMode_ < modes_.size() ? static_cast<int>(currentMode_) : -1;
}

void ListedModes::SetCurrentMode(std::intptr_t modeIndex) {
    if (modeIndex >= 0 && static_cast<std::size_t>(modeIndex) < modes_.size())
        currentMode_ = static_cast<std::size_t>(modeIndex);
}

void ListedModes::SetCurrentMultisampleEntry(std::intptr_t entry) {
    std::intptr_t n = 0;
    for (int k = 0; k < kMultisampleEntries; ++k) {
        if (!supported_[k]) continue;
        if (n++ == entry) {
            currentMultisample_ = MultisampleTypeOfIndex(k);
            return;
        }
    }
}

DialogLists BuildDialogLists(const DisplayModeSource& source, const TextTable& texts) {
    DialogLists lists;
    const MultisampleSupport supported = source.SupportedMultisample();
    const int currentType = source.Selection().multisample;
    std::intptr_t supportedCount = 0;
    for (int k = 0; k < kMultisampleEntries; ++k) {
        if (!supported[k]) continue;
        if (MultisampleTypeOfIndex(k) == currentType)
            lists.multisampleSelection = static_cast<int>(lists.multisample.size());
        lists.multisample.push_back({MultisampleCaption(k, texts), supportedCount++});
    }
    const std::vector<DisplayMode> modes = source.Modes();
    const int current = source.CurrentModeIndex();
    for (std::size_t i = 0; i < modes.size(); ++i) {
        const DisplayMode& m = modes[i];
        if (static_cast<int>(i) == current) lists.modeSelection = current;
        lists.modes.push_back(
            {ModeCaption(m.width, m.height, m.bitCount), static_cast<std::intptr_t>(i)});
    }
    return lists;
}

std::string ModeCaption(int width, int height, int bitCount) {
    char size[48];
    std::snprintf(size, sizeof size, "%d x %d ", width, height);
    return std::string(size) + (bitCount == 32 ? "32 bits" : "16 bits");
}

std::string MultisampleCaption(int k, const TextTable& texts) {
    if (k == 0) return texts.Lookup("none");
    char count[16];
    std::snprintf(count, sizeof count, "%i ", MultisampleTypeOfIndex(k));
    return count + texts.Lookup("samples");
}

}  // namespace eh::config
