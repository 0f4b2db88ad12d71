// The configuration mode: the dialog over the application's settings and the adapter
// catalog's mode lists.
#pragma once

#include "graphics/adapter_catalog.h"

namespace eh::shell {

class SaverApp;

// Shows the dialog modally and returns the process exit code: 0 after OK or Cancel, 2 when
// no display can be opened (the log is closed then too).
int RunConfigurationDialog(SaverApp& app, graphics::AdapterCatalog& catalog);

}  // namespace eh::shell
