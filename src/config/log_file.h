// The start-up log: one line per completed start-up step, when logging is switched on.
//
// SaverApp owns the one LogFile; the configuration dialog writes to it through a pointer,
// the adapter catalog, device creation, the overlay and the sound start through line
// callbacks. The file is written in text form with CR LF line ends, in the current
// directory, truncated at Open. Nothing is written
// unless the object is enabled (it is by construction; the application switches it from
// its logging switch before Open) and open.
#pragma once

#include <fstream>

#include "config/log_lines.h"

namespace eh::config {

class LogFile {
public:
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }
    bool IsOpen() const { return open_; }

    // Truncates or creates `fileName` and writes "Log started" and an empty line. A file
    // that cannot be created is reported with a "Warning" box; later writes are dropped.
    void Open(const char* fileName);
    // `line` and a line end; no time stamp, no prefix.
    void Write(const char* line);
    // An empty line, "Log finished", then closes. Does nothing unless open.
    void Close();

private:
    std::ofstream stream_;
    bool open_ = false;
    bool enabled_ = true;
};

}  // namespace eh::config
