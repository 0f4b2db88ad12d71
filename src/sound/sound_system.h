// The sound system: music, the looping vision sound and the creatures' cue sounds,
// played through the audio library bound by audio_binding.h.
//
// Sounds are Ogg Vorbis resources of type "SOUND": the opening piece 474 and the main
// piece 468 (streams), the vision sound 475 and the cues 476..481 (samples). A sound is
// named by a SoundHandle, an index into the sample or the stream list; -1 is no sound,
// and every operation ignores handles outside its list and sounds that failed to load.
//
// Threads: every member runs on the GUI thread, except the opening piece's end callback,
// which the library runs on its mixing thread; it only starts the main piece.
//
// Wiring in the application (the framework's hooks):
//   StartSound(settings, window, log)  after the scene has loaded; then build the
//                                      horse's first clip sequence with cues()
//   SetVisionVolume(v)                 every 50 ms from the frame update, v in 0..85
//   PlayCue(cue, volume)               at a clip's cue time; the horse's cues pass 22,
//                                      the crows' -1 (sample default volume)
//   StopSound()                        first step of shutdown, on every exit path
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/audio/audio_api.h"
#include "platform/os/win32_types.h"
#include "sound/audio_binding.h"

namespace eh::sound {

using SoundHandle = int;
inline constexpr SoundHandle kNoSound = -1;

// SOUND resource ids.
inline constexpr int kSoundMainMusic = 468;
inline constexpr int kSoundOpeningMusic = 474;
inline constexpr int kSoundVision = 475;
inline constexpr int kSoundCrowTakeOff = 476;
inline constexpr int kSoundCrowFlight = 477;
inline constexpr int kSoundCrowLeave = 478;
inline constexpr int kSoundHorseTail = 479;
inline constexpr int kSoundHorseLeg = 480;
inline constexpr int kSoundHorseHead = 481;

// One loaded sample or stream.
struct SoundRecord {
    std::uint32_t handle = 0;   // library handle; 0 when loading failed
    char name[128] = {};        // "Sample" or "Stream"
    bool loaded = false;        // handle != 0
    std::uint32_t channel = 0;  // samples: the channel of the last playback
    float position[3] = {};     // 3D placement, unused (the library mixes in 2D)
    float velocity[3] = {};
};

// The user's sound settings, as plain values so that any settings store can feed them.
struct SoundSettings {
    bool music = true;    // "Music"
    bool effects = true;  // "SFX"
    int volume = 70;      // "MusicVolume": output volume 1..100 (its low byte is used)
};

// Receives one line for the start-up log; may be empty.
using LogLineFn = std::function<void(const char* line)>;

// The six cue samples, -1 when effects are off or a sound did not load.
struct CueSounds {
    SoundHandle crowTakeOff = kNoSound;  // 476
    SoundHandle crowFlight = kNoSound;   // 477
    SoundHandle crowLeave = kNoSound;    // 478
    SoundHandle horseTail = kNoSound;    // 479
    SoundHandle horseLeg = kNoSound;     // 480
    SoundHandle horseHead = kNoSound;    // 481
};

class SoundSystem {
  public:
    // Binds to `library`, which must outlive it; loads nothing yet.
    explicit SoundSystem(AudioLibrary& library);
    // Shuts down if still running, so a test's instance never leaves a file behind.
    ~SoundSystem();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // --- Application hooks ----------------------------------------------------------
    // With music or effects on: output volume = settings.volume, loads and starts the
    // library, global stream volume 50 and sample volume 100. Music: the opening piece
    // plays once, then the main piece loops (started by the end callback). Effects: the
    // vision sound loops at volume 0 and the six cues are loaded. Writes the log line.
    // With both off the library is never loaded. A missing or unloadable library, or an
    // output that cannot be opened, leaves the system disabled and silent.
    void StartSound(const SoundSettings& settings, HWND window = nullptr,
                    const LogLineFn& log = {});
    // Shutdown when anything was started; safe to call more than once.
    void StopSound();

    // --- Operations -----------------------------------------------------------------
    // Loads the library and opens the output at 44100 Hz; on success takes over the
    // library's output volume (restored by Shutdown) and sets masterVolume().
    void Init(HWND window);
    // Output volume 0..100 (larger values are clamped); only while enabled.
    void SetVolume(int volume);
    // Global stream / sample volume 0..100.
    void SetStreamVolume(int volume);
    void SetSampleVolume(int volume);
    // Loads Ogg Vorbis bytes that stay valid until Shutdown. The new index is returned
    // also when the library refused the data (the record then has loaded == false);
    // -1 when the library is not available.
    SoundHandle LoadSampleFromMemory(const void* data, std::size_t length, std::uint32_t flags);
    SoundHandle LoadStreamFromMemory(const void* data, std::size_t length, std::uint32_t flags);
    // Plays a sample from its start, looping or once. Does nothing while the sample's
    // last playback is still running (one playback at a time per sample).
    void PlaySample(SoundHandle sample, bool loop);
    // Sample defaults for later playbacks: frequency 100..100000 Hz, volume 0..100,
    // pan -100..100; a value outside its range (-1) keeps the current one.
    void SetSampleDefaults(SoundHandle sample, int frequency, int volume, int pan);
    // Attributes of the sample's current channel; -1 keeps a value.
    void SetChannelAttributes(SoundHandle sample, int frequency, int volume, int pan);
    // Plays a stream from its start, looping or once.
    void PlayStream(SoundHandle stream, bool loop);
    // Registers `callback` (with `user`) for a sync of `syncType` on the stream; type
    // audio::kSyncEnd calls it on the mixing thread when the stream ends.
    void SetStreamEndCallback(SoundHandle stream, std::uint32_t syncType, SYNCPROC callback,
                              void* user);
    // Restores the output volume, frees every sound, stops and frees the library's
    // output, unloads the library and deletes its file. Afterwards the system is
    // disabled and every operation does nothing.
    void Shutdown();

    // --- The scene's operations --------------------------------------------------------
    // Channel volume 0..100 of the looping vision sound.
    void SetVisionVolume(int volume);
    // Plays a cue once; `volume` 0..100 then sets its channel volume, -1 keeps it.
    void PlayCue(SoundHandle cue, int volume);

    // --- State ------------------------------------------------------------------------
    bool enabled() const { return enabled_; }
    bool has3D() const { return has3D_; }
    int masterVolume() const { return masterVolume_; }
    int savedVolume() const { return savedVolume_; }
    int streamVolume() const { return streamVolume_; }
    int sampleVolume() const { return sampleVolume_; }
    const std::vector<SoundRecord>& samples() const { return samples_; }
    const std::vector<SoundRecord>& streams() const { return streams_; }
    SoundHandle openingMusic() const { return opening_; }
    SoundHandle mainMusic() const { return main_; }
    SoundHandle visionSound() const { return vision_; }
    const CueSounds& cues() const { return cues_; }
    // The library can be called: loaded with every entry point, and not shut down.
    bool ready() const;

  private:
    static void onOpeningEnd(HSYNC sync, BassDword channel, BassDword data, void* user);
    SoundHandle loadResource(int id, bool stream);
    SoundHandle append(std::vector<SoundRecord>& list, std::uint32_t handle, const char* name);
    const SoundRecord* loadedRecord(const std::vector<SoundRecord>& list, SoundHandle h) const;

    AudioLibrary& library_;
    bool enabled_ = true;
    bool has3D_ = true;
    bool started_ = false;
    int masterVolume_ = 100;
    int savedVolume_ = 100;
    int streamVolume_ = 100;
    int sampleVolume_ = 100;
    std::vector<SoundRecord> samples_;
    std::vector<SoundRecord> streams_;
    SoundHandle opening_ = kNoSound;
    SoundHandle main_ = kNoSound;
    SoundHandle vision_ = kNoSound;
    CueSounds cues_;
    // The main piece's library handle for the end callback (0 = none); atomic because
    // the callback reads it on the mixing thread.
    std::atomic<std::uint32_t> mainStreamHandle_{0};
};

}  // namespace eh::sound
