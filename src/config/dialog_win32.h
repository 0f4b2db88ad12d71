// The configuration and About dialogs on Windows: the real dialog templates 2003 and 235
// (src/shell/emberhold.rc) run by the dialog manager, with ConfigDialogController deciding
// everything, as the GTK view does on Linux.
//
// The view shows the controller's DialogControls in the real controls (SetDlgItemTextA,
// CheckDlgButton, EnableWindow, the trackbar and combo box messages) and feeds the user's
// changes back before it reports an action: a trackbar's position before WM_HSCROLL, a
// list's selection before its notification. Texts are the text table's single-byte
// captions, handed to the ANSI functions as they are.
#pragma once

#include "config/dialog_controller.h"
#include "platform/os/win32_types.h"

namespace eh::config {

class TextTable;

// Result of RunConfigDialogWin32 when the dialog could not be made (the template is
// missing, or the trackbar class is not registered because InitCommonControls was not
// called): nothing was shown and nothing written.
inline constexpr int kDialogNotShown = -1;

// Shows the configuration dialog (template 2003 of `instance`) modally and returns when it
// is closed: 1 after OK (settings written), 2 after Cancel, Escape or the close box. The
// dialog is owned by `owner` (the window the host named with /c:<hwnd>), or has no owner
// when it is null or no longer a window. The controller's InitDialog runs inside, and the
// dialog's title is the text table's "screensaver_configuration" value, which is what the
// single-instance check looks for.
int RunConfigDialogWin32(const DialogContext& context, HINSTANCE instance, HWND owner);

// The About box (template 235), owned by `owner`: title, OK caption and the seven lines
// from the text table. Returns 1 after OK, 2 after Escape or the close box.
int ShowAboutBoxWin32(HINSTANCE instance, HWND owner, const TextTable& texts);

}  // namespace eh::config
