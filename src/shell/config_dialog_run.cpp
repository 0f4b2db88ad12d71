#include "shell/config_dialog_run.h"

#include "config/dialog_gtk.h"
#include "shell/saver_app.h"

namespace eh::shell {

int RunConfigurationDialog(SaverApp& app, graphics::AdapterCatalog& catalog) {
    graphics::CatalogModeSource modes(catalog);
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
