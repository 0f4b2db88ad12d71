// Console output of the Windows program, which is a GUI-subsystem program (screensaver
// hosts start it so, and it must not open a console window of its own).
#pragma once

namespace eh::shell {

// Makes stdout and stderr reach the console of the process that started this one (a
// command prompt), when they do not already lead somewhere: a redirection to a file or
// pipe, or Wine's terminal, is kept as it is. Without a parent console nothing changes
// and the output goes nowhere, as for any GUI program.
void AttachParentConsole();

}  // namespace eh::shell
