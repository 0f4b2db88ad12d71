// The configuration mode: the dialog over the application's settings and the adapter
// catalog's mode lists.
#pragma once

#include <cstdint>

#include "config/dialog_lists.h"
#include "graphics/adapter_catalog.h"

namespace eh::shell {

class SaverApp;

// The adapter catalog as the dialog's source of the mode and multisample lists. Item data
// are the catalog's: the mode index, and the running number of supported multisample
// entries.
class CatalogModeSource final : public config::DisplayModeSource {
  public:
    explicit CatalogModeSource(graphics::AdapterCatalog& catalog) : catalog_(catalog) {}

    void SelectMode(int width, int height, int bits, int multisample) override;
    config::ModeSelection Selection() const override;
    config::DialogLists FillDialogLists(const config::TextTable& texts) override;
    void SetCurrentMode(std::intptr_t modeIndex) override;
    void SetCurrentMultisampleEntry(std::intptr_t entry) override;

  private:
    graphics::AdapterCatalog& catalog_;
};

// Shows the dialog modally and returns the process exit code: 0 after OK or Cancel, 2 when
// no display can be opened (the log is closed then too).
int RunConfigurationDialog(SaverApp& app, graphics::AdapterCatalog& catalog);

}  // namespace eh::shell
