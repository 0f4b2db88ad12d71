// The configuration dialog on a GTK 3 desktop. Free of GTK types, so the shell includes it
// without GTK's headers.
#pragma once

#include "config/dialog_controller.h"

namespace eh::config {

// Result of RunConfigDialogGtk when no display can be opened (nothing was shown).
inline constexpr int kDialogNoDisplay = -1;

// Shows the configuration dialog modally and returns when it is closed: 1 after OK
// (settings written), 2 after Cancel or the close box, kDialogNoDisplay when GTK cannot
// open a display. The controller's InitDialog runs inside.
//
// With EMBERHOLD_DIALOG_SNAPSHOT=<file.png> in the environment the dialog writes a picture
// of itself to that file once it is drawn, then closes as Cancel does (documentation and
// tests).
int RunConfigDialogGtk(const DialogContext& context);

}  // namespace eh::config
