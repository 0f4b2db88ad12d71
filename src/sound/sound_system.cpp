#include "sound/sound_system.h"

#include <algorithm>
#include <cstring>

#include "platform/os/resources.h"

namespace eh::sound {
namespace {

// Arguments of the library calls.
constexpr int kDevice = 1;                    // the default output
constexpr BassDword kOutputRate = 44100;      // Hz
constexpr BassDword kSampleMaxPlaybacks = 1;  // one playback at a time per sample
constexpr BassBool kFromMemory = 1;
constexpr BassBool kRestart = 1;
constexpr int kStartStreamVolume = 50;
constexpr int kStartSampleVolume = 100;
constexpr const char* kStartLogLine = "SoundSys Init Comlete.";

int clampVolume(int v) {
    return std::clamp(v, 0, 100);
}

}  // namespace

SoundSystem::SoundSystem(AudioLibrary& library) : library_(library) {}

SoundSystem::~SoundSystem() {
    Shutdown();
}

bool SoundSystem::ready() const {
    return enabled_ && library_.loaded() && library_.complete();
}

void SoundSystem::Init(HWND window) {
    if (!library_.loaded()) library_.loadFromResource();
    // A library that is missing, did not load or lacks an entry point is never called.
    if (!library_.loaded() || !library_.complete()) {
        library_.unload();
        enabled_ = false;
        return;
    }
    const AudioApi& api = library_.api();
    if (api.BASS_Init(kDevice, kOutputRate, audio::kDevice3D, window, nullptr)) {
        api.BASS_Start();
        int current = api.BASS_GetVolume();
        savedVolume_ = current >= 0 ? current : 100;
        SetVolume(masterVolume_);
    } else if (api.BASS_ErrorGetCode() == audio::kErrorNo3D) {
        has3D_ = false;
    } else {
        // No output: unload at once so no file stays behind for a silent run.
        enabled_ = false;
        library_.unload();
        return;
    }
    api.BASS_Set3DFactors(-1.0f, 1.0f, -1.0f);
    api.BASS_Apply3D();
}

void SoundSystem::SetVolume(int volume) {
    if (!ready()) return;
    masterVolume_ = clampVolume(volume);
    library_.api().BASS_SetVolume(static_cast<BassDword>(masterVolume_));
}

void SoundSystem::SetStreamVolume(int volume) {
    streamVolume_ = clampVolume(volume);
    if (ready())
        library_.api().BASS_SetConfig(audio::kConfigGlobalStreamVolume,
                                      static_cast<BassDword>(streamVolume_));
}

void SoundSystem::SetSampleVolume(int volume) {
    sampleVolume_ = clampVolume(volume);
    if (ready())
        library_.api().BASS_SetConfig(audio::kConfigGlobalSampleVolume,
                                      static_cast<BassDword>(sampleVolume_));
}

SoundHandle SoundSystem::append(std::vector<SoundRecord>& list, std::uint32_t handle,
                                const char* name) {
    SoundRecord rec;
    rec.handle = handle;
    std::strncpy(rec.name, name, sizeof rec.name - 1);
    rec.loaded = handle != 0;
    list.push_back(rec);
    return static_cast<SoundHandle>(list.size() - 1);
}

SoundHandle SoundSystem::LoadSampleFromMemory(const void* data, std::size_t length,
                                              std::uint32_t flags) {
    if (!ready()) return kNoSound;
    HSAMPLE h = 0;
    if (data != nullptr && length > 0 && length <= 0xFFFFFFFFu)
        h = library_.api().BASS_SampleLoad(kFromMemory, data, 0, static_cast<BassDword>(length),
                                           kSampleMaxPlaybacks, flags);
    return append(samples_, h, "Sample");
}

SoundHandle SoundSystem::LoadStreamFromMemory(const void* data, std::size_t length,
                                              std::uint32_t flags) {
    if (!ready()) return kNoSound;
    HSTREAM h = 0;
    if (data != nullptr && length > 0 && length <= 0xFFFFFFFFu)
        h = library_.api().BASS_StreamCreateFile(kFromMemory, data, 0,
                                                 static_cast<BassDword>(length), flags);
    return append(streams_, h, "Stream");
}

const SoundRecord* SoundSystem::loadedRecord(const std::vector<SoundRecord>& list,
                                             SoundHandle h) const {
    if (!ready() || h < 0 || static_cast<std::size_t>(h) >= list.size()) return nullptr;
    const SoundRecord& rec = list[static_cast<std::size_t>(h)];
    return rec.loaded ? &rec : nullptr;
}

void SoundSystem::PlaySample(SoundHandle sample, bool loop) {
    const SoundRecord* rec = loadedRecord(samples_, sample);
    if (rec == nullptr) return;
    const AudioApi& api = library_.api();
    if (api.BASS_ChannelIsActive(rec->channel) != audio::kActiveStopped) return;
    HCHANNEL channel = api.BASS_SampleGetChannel(rec->handle, 0);
    samples_[static_cast<std::size_t>(sample)].channel = channel;
    // The loop flag goes to the channel before it starts, so even a very short sample
    // cannot reach its end unlooped.
    api.BASS_ChannelSetFlags(channel, loop ? audio::kSampleLoop : 0);
    api.BASS_ChannelPlay(channel, kRestart);
}

void SoundSystem::SetSampleDefaults(SoundHandle sample, int frequency, int volume, int pan) {
    const SoundRecord* rec = loadedRecord(samples_, sample);
    if (rec == nullptr) return;
    BASS_SAMPLE info{};
    if (!library_.api().BASS_SampleGetInfo(rec->handle, &info)) return;
    if (frequency >= 100 && frequency <= 100000) info.freq = static_cast<BassDword>(frequency);
    if (volume >= 0 && volume <= 100) info.volume = static_cast<BassDword>(volume);
    if (pan >= -100 && pan <= 100) info.pan = pan;
    library_.api().BASS_SampleSetInfo(rec->handle, &info);
}

void SoundSystem::SetChannelAttributes(SoundHandle sample, int frequency, int volume, int pan) {
    const SoundRecord* rec = loadedRecord(samples_, sample);
    if (rec == nullptr) return;
    library_.api().BASS_ChannelSetAttributes(rec->channel, frequency, volume, pan);
}

void SoundSystem::PlayStream(SoundHandle stream, bool loop) {
    const SoundRecord* rec = loadedRecord(streams_, stream);
    if (rec == nullptr) return;
    library_.api().BASS_ChannelSetFlags(rec->handle, loop ? audio::kSampleLoop : 0);
    library_.api().BASS_ChannelPlay(rec->handle, kRestart);
}

void SoundSystem::SetStreamEndCallback(SoundHandle stream, std::uint32_t syncType,
                                       SYNCPROC callback, void* user) {
    const SoundRecord* rec = loadedRecord(streams_, stream);
    if (rec == nullptr || callback == nullptr) return;
    library_.api().BASS_ChannelSetSync(rec->handle, syncType, 0, callback, user);
}

void SoundSystem::onOpeningEnd(HSYNC, BassDword, BassDword, void* user) {
    // Mixing thread. The main piece's handle is read atomically; the library serialises
    // its own calls, and Shutdown clears the handle and joins this thread (BASS_Free)
    // before anything is unloaded.
    auto* self = static_cast<SoundSystem*>(user);
    std::uint32_t main = self->mainStreamHandle_.load();
    if (main == 0) return;
    const AudioApi& api = self->library_.api();
    api.BASS_ChannelSetFlags(main, audio::kSampleLoop);
    api.BASS_ChannelPlay(main, kRestart);
}

void SoundSystem::Shutdown() {
    mainStreamHandle_ = 0;
    if (ready()) {
        const AudioApi& api = library_.api();
        SetVolume(savedVolume_);
        for (const SoundRecord& rec : samples_) {
            if (!rec.loaded) continue;
            api.BASS_SampleStop(rec.handle);
            api.BASS_SampleFree(rec.handle);
        }
        for (const SoundRecord& rec : streams_)
            if (rec.loaded) api.BASS_StreamFree(rec.handle);
        api.BASS_Stop();
        api.BASS_Free();
    }
    // Also after a failed start: the file must never outlive the run.
    if (library_.loaded()) library_.unload();
    enabled_ = false;
}

void SoundSystem::SetVisionVolume(int volume) {
    SetChannelAttributes(vision_, -1, clampVolume(volume), -1);
}

void SoundSystem::PlayCue(SoundHandle cue, int volume) {
    PlaySample(cue, false);
    if (volume >= 0) SetChannelAttributes(cue, -1, clampVolume(volume), -1);
}

SoundHandle SoundSystem::loadResource(int id, bool stream) {
    // The resource bytes live as long as the process, so the library reads them in place.
    os::ResourceData res = os::FindResourceData("SOUND", id);
    if (!res || res.size == 0) return kNoSound;
    return stream ? LoadStreamFromMemory(res.data, res.size, 0)
                  : LoadSampleFromMemory(res.data, res.size, 0);
}

void SoundSystem::StartSound(const SoundSettings& settings, HWND window, const LogLineFn& log) {
    if (settings.music || settings.effects) {
        started_ = true;
        masterVolume_ = clampVolume(settings.volume & 0xFF);
        Init(window);
        SetStreamVolume(kStartStreamVolume);
        SetSampleVolume(kStartSampleVolume);
    }
    if (settings.music && ready()) {
        opening_ = loadResource(kSoundOpeningMusic, true);
        main_ = loadResource(kSoundMainMusic, true);
        if (const SoundRecord* rec = loadedRecord(streams_, main_)) mainStreamHandle_ = rec->handle;
        PlayStream(opening_, false);
        SetStreamEndCallback(opening_, audio::kSyncEnd, &SoundSystem::onOpeningEnd, this);
    }
    if (settings.effects && ready()) {
        vision_ = loadResource(kSoundVision, false);
        SetSampleDefaults(vision_, -1, 0, -1);
        PlaySample(vision_, true);
        cues_.crowTakeOff = loadResource(kSoundCrowTakeOff, false);
        cues_.crowFlight = loadResource(kSoundCrowFlight, false);
        cues_.crowLeave = loadResource(kSoundCrowLeave, false);
        cues_.horseTail = loadResource(kSoundHorseTail, false);
        cues_.horseLeg = loadResource(kSoundHorseLeg, false);
        cues_.horseHead = loadResource(kSoundHorseHead, false);
        // The opening piece is not started a second time here: it already plays, and a
        // restart would be heard as a stutter and register a second end callback.
    }
    if (log) log(kStartLogLine);
}

void SoundSystem::StopSound() {
    if (started_) Shutdown();
}

}  // namespace eh::sound
