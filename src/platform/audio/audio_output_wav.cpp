// The WAV-file output for tests: the mix as the sound card would have played it, paced by
// the steady clock, written as a canonical 44-byte-header PCM WAV file. The header's sizes
// are rewritten after every block, so the file is whole even if the process is killed.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/audio_output.h"

namespace eh::audio {
namespace {

using Clock = std::chrono::steady_clock;

// The thread wakes this often and mixes what the clock says has been played meanwhile:
// 10 ms, finer than any cue the tests time.
constexpr auto kTick = std::chrono::milliseconds(10);
constexpr int kMaxBlockFrames = 4096;

void putLe(std::uint8_t* p, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

class WavOutput final : public Output {
  public:
    WavOutput(std::FILE* file, int rate, Mixer& mixer) : file_(file), rate_(rate), mixer_(mixer) {
        writeHeader();
        start_ = Clock::now();
        thread_ = std::thread([this] { run(); });
    }
    ~WavOutput() override {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        thread_.join();
        writeHeader();
        std::fclose(file_);
    }
    void pause(bool paused) override {
        std::lock_guard lock(mutex_);  // the thread mixes with this held: it is out now
        if (paused == paused_) return;
        paused_ = paused;
        if (paused)
            pausedAt_ = Clock::now();
        else
            start_ += Clock::now() - pausedAt_;  // the paused time is not played
    }
    bool onMixingThread() const override {
        return std::this_thread::get_id() == thread_.get_id();
    }

  private:
    void writeHeader() {
        std::uint8_t h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                              'f', 'm', 't', ' ', 0, 0, 0, 0, 0, 0, 0, 0,
                              0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0,
                              'd', 'a', 't', 'a', 0, 0, 0, 0};
        const std::uint64_t bytes = written_ * 4;
        const auto data = static_cast<std::uint32_t>(bytes > 0xFFFFFFD3u ? 0xFFFFFFD3u : bytes);
        putLe(h + 4, 36 + data, 4);
        putLe(h + 16, 16, 4);                                  // fmt chunk size
        putLe(h + 20, 1, 2);                                   // PCM
        putLe(h + 22, 2, 2);                                   // channels
        putLe(h + 24, static_cast<std::uint32_t>(rate_), 4);   // frames per second
        putLe(h + 28, static_cast<std::uint32_t>(rate_) * 4, 4);  // bytes per second
        putLe(h + 32, 4, 2);                                   // bytes per frame
        putLe(h + 34, 16, 2);                                  // bits per sample
        putLe(h + 40, data, 4);
        std::fseek(file_, 0, SEEK_SET);
        std::fwrite(h, 1, sizeof h, file_);
        std::fseek(file_, 0, SEEK_END);
        std::fflush(file_);
    }

    void run() {
        std::vector<std::int16_t> block(2 * kMaxBlockFrames);
        std::unique_lock lock(mutex_);
        while (!quit_) {
            wake_.wait_for(lock, kTick);
            if (quit_ || paused_) continue;
            // Mixed one tick ahead of the clock, as a sound card's buffer is: a sound
            // started now lands at or after now in the file, never before it.
            const auto ahead = std::chrono::duration<double>(Clock::now() + kTick - start_);
            const auto due = static_cast<std::uint64_t>(ahead.count() * rate_);
            bool any = false;
            while (written_ < due) {
                const int n = static_cast<int>(std::min<std::uint64_t>(due - written_, kMaxBlockFrames));
                mixer_.renderS16(block.data(), n);
                if (std::fwrite(block.data(), 4, static_cast<std::size_t>(n), file_) !=
                    static_cast<std::size_t>(n))
                    break;  // a full disk: the mix goes on unheard
                written_ += static_cast<std::uint64_t>(n);
                any = true;
            }
            if (any) writeHeader();
        }
    }

    std::FILE* file_;
    const int rate_;
    Mixer& mixer_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    bool paused_ = false;
    Clock::time_point start_;
    Clock::time_point pausedAt_;
    std::uint64_t written_ = 0;  // frames
    std::thread thread_;
};

}  // namespace

std::unique_ptr<Output> openWavOutput(const std::string& path, int rate, Mixer& mixer,
                                      int& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = kErrorDevice;
        return nullptr;
    }
    error = kErrorOk;
    return std::make_unique<WavOutput>(file, rate, mixer);
}

std::unique_ptr<Output> openOutput(int device, int rate, Mixer& mixer, int& error) {
    const char* wav = std::getenv(kWavOutputVariable);
    if (wav != nullptr && wav[0] != '\0') return openWavOutput(wav, rate, mixer, error);
    return openSystemOutput(device, rate, mixer, error);
}

}  // namespace eh::audio
