// The system's output on Windows: waveOut (winmm). Chosen over WASAPI because it needs
// no COM, no format negotiation (the wave mapper converts 16-bit stereo to whatever the
// device takes) and runs on every Windows the program targets as well as under Wine.
// The output volume stays the library's own master gain: waveOutSetVolume, which is the
// device's, is never called.
//
// Four buffers of 1024 frames (93 ms in all at 44.1 kHz) are in the device's queue; the
// library's mixing thread refills each as the device hands it back (CALLBACK_EVENT) and
// is the thread on which the mixer fires its syncs.
#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/audio_output.h"

namespace eh::audio {
namespace {

constexpr int kBuffers = 4;
constexpr int kBufferFrames = 1024;

class WaveOutOutput final : public Output {
  public:
    WaveOutOutput(HWAVEOUT device, HANDLE event, Mixer& mixer)
        : device_(device), event_(event), mixer_(mixer) {
        for (int i = 0; i < kBuffers; ++i) {
            data_[i].assign(2 * kBufferFrames, 0);
            WAVEHDR& h = headers_[i];
            h = WAVEHDR{};
            h.lpData = reinterpret_cast<LPSTR>(data_[i].data());
            h.dwBufferLength = kBufferFrames * 4;
            waveOutPrepareHeader(device_, &h, sizeof h);
            h.dwFlags |= WHDR_DONE;  // free: the thread fills it first
        }
        thread_ = std::thread([this] { run(); });
    }
    ~WaveOutOutput() override {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        SetEvent(event_);
        thread_.join();
        waveOutReset(device_);  // hands every queued buffer back
        for (WAVEHDR& h : headers_) waveOutUnprepareHeader(device_, &h, sizeof h);
        waveOutClose(device_);
        CloseHandle(event_);
    }
    void pause(bool paused) override {
        std::lock_guard lock(mutex_);  // the thread mixes with this held: it is out now
        if (paused == paused_) return;
        paused_ = paused;
        if (paused) {
            waveOutPause(device_);
        } else {
            waveOutRestart(device_);
            SetEvent(event_);
        }
    }
    bool onMixingThread() const override {
        return std::this_thread::get_id() == thread_.get_id();
    }

  private:
    void run() {
        for (;;) {
            WaitForSingleObject(event_, 100);
            std::lock_guard lock(mutex_);
            if (quit_) return;
            if (paused_) continue;
            for (int i = 0; i < kBuffers; ++i) {
                WAVEHDR& h = headers_[i];
                if ((h.dwFlags & WHDR_DONE) == 0) continue;
                mixer_.renderS16(data_[i].data(), kBufferFrames);
                h.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
                if (waveOutWrite(device_, &h, sizeof h) != MMSYSERR_NOERROR)
                    h.dwFlags |= WHDR_DONE;  // try again at the next wake-up
            }
        }
    }

    HWAVEOUT device_;
    HANDLE event_;
    Mixer& mixer_;
    std::array<WAVEHDR, kBuffers> headers_{};
    std::array<std::vector<std::int16_t>, kBuffers> data_;
    std::mutex mutex_;
    bool quit_ = false;
    bool paused_ = false;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<Output> openSystemOutput(int device, int rate, Mixer& mixer, int& error) {
    UINT id = WAVE_MAPPER;
    if (device >= 2) {
        // Devices 2.. are the system's playback devices in order; 1 is the default.
        if (static_cast<UINT>(device - 2) >= waveOutGetNumDevs()) {
            error = kErrorDevice;
            return nullptr;
        }
        id = static_cast<UINT>(device - 2);
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = format.nSamplesPerSec * 4;
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (event == nullptr) {
        error = kErrorMem;
        return nullptr;
    }
    HWAVEOUT out = nullptr;
    if (waveOutOpen(&out, id, &format, reinterpret_cast<DWORD_PTR>(event), 0, CALLBACK_EVENT) !=
        MMSYSERR_NOERROR) {
        CloseHandle(event);
        error = kErrorDriver;
        return nullptr;
    }
    error = kErrorOk;
    return std::make_unique<WaveOutOutput>(out, event, mixer);
}

}  // namespace eh::audio
