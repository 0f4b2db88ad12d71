#include "shell/config_dialog_run.h"

#ifdef _WIN32
#include "config/dialog_win32.h"
#else
#include "config/dialog_gtk.h"
#endif
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
#ifdef _WIN32
    // The templates are this program's own resources; the host's window (/c:<hwnd>) owns
    // the dialog when it named one.
    int result =
        config::RunConfigDialogWin32(context, GetModuleHandleA(nullptr), app.ConfigOwner());
    if (result == config::kDialogNotShown) {
#else
    int result = config::RunConfigDialogGtk(context);
    if (result == config::kDialogNoDisplay) {
#endif
        app.Log().Close();
        return 2;
    }
    return 0;
}

}  // namespace eh::shell
