#include "shell/config_dialog_run.h"

#include "config/dialog_gtk.h"
#include "shell/saver_app.h"

namespace eh::shell {

void CatalogModeSource::SelectMode(int width, int height, int bits, int multisample) {
    if (catalog_.AdapterCount() == 0) return;
    catalog_.SelectMode(static_cast<UINT>(width), static_cast<UINT>(height), bits, multisample);
}

config::ModeSelection CatalogModeSource::Selection() const {
    config::ModeSelection s;
    if (catalog_.AdapterCount() == 0 || catalog_.Current().modeCount == 0) return s;
    const graphics::ModeEntry& mode = catalog_.CurrentMode();
    s.width = static_cast<int>(mode.Width);
    s.height = static_cast<int>(mode.Height);
    s.bitCount = graphics::BitsOf(mode.Format);
    s.multisample = static_cast<int>(catalog_.Current().multisampleType);
    return s;
}

config::DialogLists CatalogModeSource::FillDialogLists(const config::TextTable& texts) {
    config::DialogLists lists;
    if (catalog_.AdapterCount() == 0) return lists;
    graphics::DialogLists filled = catalog_.FillDialogLists(texts);
    for (graphics::ComboItem& item : filled.modes)
        lists.modes.push_back({std::move(item.text), item.data});
    for (graphics::ComboItem& item : filled.multisample)
        lists.multisample.push_back({std::move(item.text), item.data});
    lists.modeSelection = filled.modeSelected;
    lists.multisampleSelection = filled.multisampleSelected;
    return lists;
}

void CatalogModeSource::SetCurrentMode(std::intptr_t modeIndex) {
    if (catalog_.AdapterCount() == 0) return;
    graphics::AdapterRecord& record = catalog_.Current();
    if (modeIndex < 0 || modeIndex >= static_cast<std::intptr_t>(record.modeCount)) return;
    record.currentMode = static_cast<UINT>(modeIndex);
    catalog_.RefreshSelection();
}

void CatalogModeSource::SetCurrentMultisampleEntry(std::intptr_t entry) {
    if (catalog_.AdapterCount() == 0) return;
    graphics::AdapterRecord& record = catalog_.Current();
    std::intptr_t n = 0;
    for (int k = 0; k < graphics::kMultisampleEntries; ++k) {
        if (!record.multisampleSupported[k]) continue;
        if (n++ != entry) continue;
        record.multisampleType = graphics::MultisampleTypeAt(k);
        catalog_.RefreshSelection();
        return;
    }
}

int RunConfigurationDialog(SaverApp& app, graphics::AdapterCatalog& catalog) {
    CatalogModeSource modes(catalog);
    config::DialogContext context;
    context.settings = &app.Settings();
    context.defaults = &app.DefaultRecord();
    context.texts = &app.Texts();
    context.log = &app.Log();
    context.settingsPath = app.SettingsPath();
    context.showSfxOption = app.ShowSfxOption();
    context.modes = &modes;
    context.readExtraSettings = [&app] { app.ReadExtraSettings(); };
    context.writeExtraSettings = [&app] { app.WriteExtraSettings(); };
    context.resetExtraSettings = [&app] { app.ResetExtraSettings(); };
    int result = config::RunConfigDialogGtk(context);
    if (result == config::kDialogNoDisplay) {
        app.Log().Close();
        return 2;
    }
    return 0;
}

}  // namespace eh::shell
