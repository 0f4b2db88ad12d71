// How graphics reports a start-up step: one line for the start-up log (the texts are
// config's `log_lines`). An empty function writes nothing.
#pragma once

#include <functional>

namespace eh::graphics {

using LogLineFn = std::function<void(const char* line)>;

}  // namespace eh::graphics
