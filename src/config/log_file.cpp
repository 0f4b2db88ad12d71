#include "config/log_file.h"

#include "platform/os/message_box.h"

namespace eh::config {
namespace {
// The log keeps the line ends of the text-mode stream it was designed around.
constexpr char kLineEnd[] = "\r\n";
}  // namespace

void LogFile::Open(const char* fileName) {
    if (!enabled_) return;
    open_ = false;
    if (stream_.is_open()) stream_.close();
    stream_.clear();
    stream_.open(fileName, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!stream_) {
        // Text and caption are the other way round from what one would expect; kept so that
        // the box reads the same as it always has.
        MessageBoxA(nullptr, "Warning", "Cant create log  file", MB_OK);
        return;
    }
    stream_ << "Log started" << kLineEnd << kLineEnd;
    stream_.flush();
    open_ = true;
}

void LogFile::Write(const char* line) {
    if (!enabled_ || !open_ || line == nullptr) return;
    stream_ << line << kLineEnd;
    // Flushed per line: the log exists to find where a start-up stopped.
    stream_.flush();
}

void LogFile::Close() {
    if (!enabled_ || !open_) return;
    stream_ << kLineEnd << "Log finished" << kLineEnd;
    stream_.close();
    open_ = false;
}

}  // namespace eh::config
