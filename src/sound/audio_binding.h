// Binding of the audio library that the program carries as resource "BASS" 471.
//
// The library is never linked: its bytes are written to a new private file in the
// temporary folder (platform/os/temp_file.h), loaded as a library (platform/os/library.h)
// and reached through entry points resolved by name. The file exists exactly while the
// library is loaded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/audio/audio_api.h"
#include "platform/os/win32_types.h"

namespace eh::sound {

// Resource that holds the library image.
inline constexpr const char* kAudioLibraryResourceType = "BASS";
inline constexpr int kAudioLibraryResourceId = 471;

// Every name the binding resolves, in resolution order: the interface's whole export
// list. Our library exports only the 23 that the sound system calls; the rest stay null.
inline constexpr std::size_t kEntryPointCount = 91;
extern const std::array<const char*, kEntryPointCount> kEntryPointNames;

// The entry points the sound system calls. A member is null when the library lacks it;
// the sound system calls nothing unless every one is present (AudioLibrary::complete).
struct AudioApi {
    audio::BASS_InitFn BASS_Init = nullptr;
    audio::BASS_ErrorGetCodeFn BASS_ErrorGetCode = nullptr;
    audio::BASS_StartFn BASS_Start = nullptr;
    audio::BASS_StopFn BASS_Stop = nullptr;
    audio::BASS_FreeFn BASS_Free = nullptr;
    audio::BASS_GetVolumeFn BASS_GetVolume = nullptr;
    audio::BASS_SetVolumeFn BASS_SetVolume = nullptr;
    audio::BASS_SetConfigFn BASS_SetConfig = nullptr;
    audio::BASS_Set3DFactorsFn BASS_Set3DFactors = nullptr;
    audio::BASS_Apply3DFn BASS_Apply3D = nullptr;
    audio::BASS_SampleLoadFn BASS_SampleLoad = nullptr;
    audio::BASS_SampleGetInfoFn BASS_SampleGetInfo = nullptr;
    audio::BASS_SampleSetInfoFn BASS_SampleSetInfo = nullptr;
    audio::BASS_SampleGetChannelFn BASS_SampleGetChannel = nullptr;
    audio::BASS_SampleStopFn BASS_SampleStop = nullptr;
    audio::BASS_SampleFreeFn BASS_SampleFree = nullptr;
    audio::BASS_StreamCreateFileFn BASS_StreamCreateFile = nullptr;
    audio::BASS_StreamFreeFn BASS_StreamFree = nullptr;
    audio::BASS_ChannelIsActiveFn BASS_ChannelIsActive = nullptr;
    audio::BASS_ChannelPlayFn BASS_ChannelPlay = nullptr;
    audio::BASS_ChannelSetFlagsFn BASS_ChannelSetFlags = nullptr;
    audio::BASS_ChannelSetAttributesFn BASS_ChannelSetAttributes = nullptr;
    audio::BASS_ChannelSetSyncFn BASS_ChannelSetSync = nullptr;
};

// One loaded copy of the library. A test may make several; the program uses
// ProgramAudioLibrary(). Not thread-safe: load and unload on one thread.
class AudioLibrary {
  public:
    AudioLibrary() = default;
    // Unloads (and deletes the file) if still loaded; never calls into the library.
    ~AudioLibrary();
    AudioLibrary(const AudioLibrary&) = delete;
    AudioLibrary& operator=(const AudioLibrary&) = delete;

    // Writes `image` to a new file "bas…" in the temporary folder (created exclusively,
    // readable and writable by the user only), loads it and resolves every name of
    // kEntryPointNames. Returns false, leaving no file behind and every entry null, when
    // already loaded, when the image is not a whole shared object for this machine
    // (empty, cut short, foreign), the file cannot be written or the loader refuses it. A library
    // that loads but lacks names is loaded (see complete()).
    bool load(std::span<const std::uint8_t> image);
    // load() with the bytes of resource "BASS" 471; false when there is none.
    bool loadFromResource();
    // Unloads the library and deletes its file. Returns true when the file was deleted;
    // false when nothing was loaded, so a second call deletes nothing and returns false.
    bool unload();

    bool loaded() const { return module_ != nullptr; }
    // Every entry point of AudioApi is present.
    bool complete() const;
    const AudioApi& api() const { return api_; }
    // The resolved address of kEntryPointNames[index]; null when missing or out of range.
    void* entryPoint(std::size_t index) const;
    // The temporary file while loaded, else empty.
    const std::string& path() const { return path_; }

    // Folder for the temporary file; empty (the default) means $TMPDIR, else /tmp.
    void setTempFolder(std::string folder) { tempFolder_ = std::move(folder); }

  private:
    HMODULE module_ = nullptr;
    std::string path_;
    std::string tempFolder_;
    AudioApi api_;
    std::array<void*, kEntryPointCount> slots_{};
};

// The program's one instance. On its first load it registers an exit handler that, if
// the library is still loaded when the process exits normally (a path that skipped the
// sound shutdown), frees the library's output and deletes the file.
AudioLibrary& ProgramAudioLibrary();

// The program's binding operations on ProgramAudioLibrary(): load from resource 471;
// unload, returning nonzero when the file was deleted and 0 when nothing was loaded.
void LoadAudioLibrary();
int UnloadAudioLibrary();

}  // namespace eh::sound
