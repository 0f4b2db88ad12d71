// The audio library's mixer (private header): samples, streams, channels, volumes and
// syncs, independent of the output device so that tests can render it directly.
//
// Every public member locks the mixer's recursive mutex, so any thread may call it, and
// a sync callback (run from render(), on the mixing thread, with the mutex held) may call
// back into the mixer. render() fires syncs only between blocks of kBlockFrames frames
// and holds no reference to a channel across a callback, so a callback may also free
// channels. Every member returns an error code of audio_api.h (kErrorOk on success).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/audio_api.h"
#include "platform/audio/audio_decode.h"

namespace eh::audio {

class Mixer {
  public:
    // Frames mixed between two chances to fire syncs: 64 frames are 1.45 ms at 44.1 kHz,
    // the longest gap between a stream's end and a stream its end callback starts.
    static constexpr int kBlockFrames = 64;
    // A sample is decoded whole into memory; ten minutes of stereo is the most we hold.
    static constexpr std::size_t kMaxSampleFrames = 44100u * 600u;

    explicit Mixer(int outputRate);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    int outputRate() const { return outputRate_; }

    // Mixes `frames` stereo frames into `out` (overwritten) and fires syncs.
    void render(float* out, int frames);
    // The same, converted to interleaved signed 16-bit with clipping.
    void renderS16(std::int16_t* out, int frames);

    // Output (master) volume and the global sample and stream volumes, all 0..100.
    int setMasterVolume(int volume);
    int masterVolume();
    static int setGlobalVolume(BassDword option, BassDword value);

    int loadSample(const void* data, std::size_t size, BassDword max, BassDword flags,
                   HSAMPLE& out);
    int sampleInfo(HSAMPLE sample, BASS_SAMPLE& info);
    int setSampleInfo(HSAMPLE sample, const BASS_SAMPLE& info);
    int sampleChannel(HSAMPLE sample, bool onlyNew, HCHANNEL& out);
    int stopSample(HSAMPLE sample);
    int freeSample(HSAMPLE sample);

    int createStream(const void* data, std::size_t size, BassDword flags, HSTREAM& out);
    int freeStream(HSTREAM stream);

    // `handle` is a stream or a sample channel; setFlags also takes a sample, whose
    // default flags and every channel then change.
    int isActive(BassDword handle, BassDword& state);
    int play(BassDword handle, bool restart);
    int setFlags(BassDword handle, BassDword flags);
    int setAttributes(BassDword handle, int freq, int volume, int pan);
    int setSync(BassDword handle, BassDword type, SYNCPROC proc, void* user, HSYNC& out);

  private:
    struct Sync {
        HSYNC handle;
        SYNCPROC proc;
        void* user;
    };
    struct Sample {
        std::vector<float> pcm;  // interleaved stereo
        std::size_t frames = 0;
        int rate = 0;
        BASS_SAMPLE info{};
        std::vector<HCHANNEL> channels;
    };
    struct Channel {
        HSAMPLE sample = 0;                      // 0 for a stream
        std::unique_ptr<VorbisDecoder> decoder;  // streams only
        std::vector<float> buffer;               // streams: decoded frames, stereo
        std::int64_t bufferStart = 0;            // absolute frame index of buffer[0]
        bool decoderAtEnd = false;
        std::int64_t endFrame = -1;  // streams: total frames once known
        double pos = 0.0;            // source frames from the start
        int rate = 0;                // the source's own rate, Hz
        int freq = 0;                // playback rate, Hz
        int volume = 100;
        int pan = 0;
        BassDword flags = 0;
        bool playing = false;
        bool gainSet = false;  // gains below hold a value to ramp from
        float gainL = 0.0f;
        float gainR = 0.0f;
        std::vector<Sync> syncs;
    };
    struct PendingSync {
        Sync sync;
        BassDword channel;
    };

    BassDword newHandle();
    Channel* findChannel(BassDword handle);
    void resetToDefaults(Channel& ch, const Sample& s);
    bool fetch(Channel& ch, std::int64_t frame, float& l, float& r);
    bool fillStream(Channel& ch, std::int64_t upTo);
    void restartStream(Channel& ch);
    void mixChannel(BassDword handle, Channel& ch, float* out, int frames);
    void fireEnd(BassDword handle, Channel& ch);

    std::recursive_mutex mutex_;
    const int outputRate_;
    int master_ = 100;
    BassDword nextHandle_ = 1;
    std::map<BassDword, Sample> samples_;
    std::map<BassDword, Channel> channels_;
    std::vector<PendingSync> pending_;
};

// Global sample and stream volumes (options 4 and 5); set before or after Init.
int globalSampleVolume();
int globalStreamVolume();

}  // namespace eh::audio
