// The audio library of the Windows program under Wine: the DLL this build makes, carried as
// the test's resource "BASS" 471, through the program's own binding (GetTempPathA,
// GetTempFileNameA names, LoadLibraryA, GetProcAddress) and sound system, with the
// library's WAV-file output (EMBERHOLD_AUDIO_WAV) in place of a sound card.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/crt_random.h"
#include "platform/os/resources.h"
#include "scene/creatures.h"
#include "sound/audio_binding.h"
#include "sound/sound_system.h"

using namespace eh;
using namespace eh::sound;

namespace {

// A new folder of its own under the user's temporary folder, removed with its files.
class PrivateFolder {
  public:
    PrivateFolder() {
        char base[MAX_PATH + 1] = {};
        GetTempPathA(sizeof base, base);
        static int made = 0;
        path_ = std::string(base) + "eh_sound_test_" + std::to_string(GetCurrentProcessId()) +
                "_" + std::to_string(++made);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~PrivateFolder() {
        for (const std::string& name : files()) DeleteFileA((path_ + "\\" + name).c_str());
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& path() const { return path_; }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                names.emplace_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }

  private:
    std::string path_;
};

std::vector<std::uint8_t> libraryImage() {
    os::ResourceData res = os::FindResourceData(kAudioLibraryResourceType, kAudioLibraryResourceId);
    if (!res) return {};
    return {res.data, res.data + res.size};
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The offset of the PE headers and of the first section header of a DLL image.
std::size_t peOffset(const std::vector<std::uint8_t>& image) {
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, image.data(), sizeof dos);
    return static_cast<std::size_t>(dos.e_lfanew);
}

}  // namespace

TEST(AudioLibraryWin32, TheDllLoadsFromItsTemporaryFileWithEveryNameAndLeavesNoFile) {
    PrivateFolder tmp;
    AudioLibrary lib;
    lib.setTempFolder(tmp.path());
    const std::vector<std::uint8_t> image = libraryImage();
    ASSERT_GT(image.size(), 4096u);
    ASSERT_TRUE(lib.loadFromResource());
    ASSERT_EQ(tmp.files().size(), 1u);
    const std::string name = tmp.files()[0];
    // GetTempFileNameA's form: "bas", one to four hexadecimal digits, ".TMP" (in whichever
    // case the system writes it).
    const bool named = name.size() >= 8 && name.size() <= 11 && name.rfind("bas", 0) == 0 &&
                       _stricmp(name.substr(name.size() - 4).c_str(), ".TMP") == 0 &&
                       name.find_first_not_of("0123456789ABCDEFabcdef", 3) == name.size() - 4;
    EXPECT_TRUE(named) << name;
    EXPECT_EQ(readFile(lib.path()), image);
    EXPECT_TRUE(lib.complete());
    std::size_t resolved = 0;
    for (std::size_t i = 0; i < kEntryPointCount; ++i) resolved += lib.entryPoint(i) != nullptr;
    EXPECT_EQ(resolved, 23u);
    // The library's own master gain: read back as set, and not the device's volume.
    DWORD deviceVolume = 0;
    const bool hasDevice = waveOutGetVolume(nullptr, &deviceVolume) == MMSYSERR_NOERROR;
    PrivateFolder out;
    const std::string wav = out.path() + "\\mix.wav";
    ASSERT_EQ(_putenv_s("EMBERHOLD_AUDIO_WAV", wav.c_str()), 0);
    const AudioApi& api = lib.api();
    ASSERT_TRUE(api.BASS_Init(1, 44100, audio::kDevice3D, nullptr, nullptr)) << api.BASS_ErrorGetCode();
    _putenv_s("EMBERHOLD_AUDIO_WAV", "");
    EXPECT_EQ(api.BASS_GetVolume(), 100);
    EXPECT_TRUE(api.BASS_SetVolume(40));
    EXPECT_EQ(api.BASS_GetVolume(), 40);
    DWORD deviceAfter = 0;
    if (hasDevice && waveOutGetVolume(nullptr, &deviceAfter) == MMSYSERR_NOERROR) {
        EXPECT_EQ(deviceAfter, deviceVolume);
    }
    EXPECT_TRUE(api.BASS_Free());
    EXPECT_TRUE(lib.unload());
    EXPECT_TRUE(tmp.files().empty());
    EXPECT_FALSE(lib.unload());
}

// A damaged image is refused by the PE check before anything is written: with no file,
// LoadLibraryA is never reached.
TEST(AudioLibraryWin32, ADamagedImageIsRefusedBeforeItIsWrittenOrLoaded) {
    PrivateFolder tmp;
    const std::vector<std::uint8_t> image = libraryImage();
    ASSERT_GT(image.size(), 4096u);
    const std::size_t pe = peOffset(image);
    IMAGE_FILE_HEADER file;
    std::memcpy(&file, image.data() + pe + 4, sizeof file);
    const std::size_t firstSection = pe + 4 + sizeof(IMAGE_FILE_HEADER) + file.SizeOfOptionalHeader;

    std::vector<std::vector<std::uint8_t>> damaged;
    damaged.emplace_back(image.begin(), image.begin() + static_cast<long>(image.size() / 2));
    damaged.emplace_back(image.begin(), image.end() - 1);  // one byte short
    damaged.emplace_back(image.begin(), image.begin() + 64);
    auto foreign = image;  // a 32-bit x86 machine
    const WORD i386 = IMAGE_FILE_MACHINE_I386;
    std::memcpy(foreign.data() + pe + 4, &i386, sizeof i386);
    damaged.push_back(foreign);
    auto notDll = image;  // an executable, not a library
    WORD characteristics = file.Characteristics & static_cast<WORD>(~IMAGE_FILE_DLL);
    std::memcpy(notDll.data() + pe + 4 + offsetof(IMAGE_FILE_HEADER, Characteristics),
                &characteristics, sizeof characteristics);
    damaged.push_back(notDll);
    auto sectionOut = image;  // the first section's data said to lie past the end
    const DWORD past = static_cast<DWORD>(image.size());
    std::memcpy(sectionOut.data() + firstSection + offsetof(IMAGE_SECTION_HEADER, PointerToRawData),
                &past, sizeof past);
    damaged.push_back(sectionOut);

    for (std::size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE("damaged image " + std::to_string(i));
        AudioLibrary lib;
        lib.setTempFolder(tmp.path());
        EXPECT_FALSE(lib.load(damaged[i]));
        EXPECT_FALSE(lib.loaded());
        EXPECT_TRUE(tmp.files().empty());
        EXPECT_EQ(lib.api().BASS_Init, nullptr);
    }
    AudioLibrary whole;  // and the same folder takes the whole image
    whole.setTempFolder(tmp.path());
    EXPECT_TRUE(whole.load(image));
    EXPECT_EQ(tmp.files().size(), 1u);
    EXPECT_TRUE(whole.unload());
}

namespace {

// The horse's model as the sequence sees it: every clip of one length.
class FixedClips final : public scene::ClipTarget {
  public:
    explicit FixedClips(float length) : length_(length) {}
    void SelectClip(int) override {}
    float ClipLength() const override { return length_; }
    void SetClipTime(float) override {}

  private:
    float length_;
};

// 16-bit stereo PCM of a WAV file written by the library: left channel, and the rate.
std::vector<float> readWavLeft(const std::string& path, int& rate) {
    const std::vector<std::uint8_t> raw = readFile(path);
    rate = 0;
    if (raw.size() < 44) return {};
    std::memcpy(&rate, raw.data() + 24, 4);
    std::vector<float> left((raw.size() - 44) / 4);
    for (std::size_t i = 0; i < left.size(); ++i) {
        std::int16_t v;
        std::memcpy(&v, raw.data() + 44 + 4 * i, 2);
        left[i] = static_cast<float>(v) / 32768.0f;
    }
    return left;
}

// Onsets: the first sound after at least `gap` seconds of exact silence (the mixer's output
// while nothing plays; the vision sound plays at volume 0).
std::vector<double> onsets(const std::vector<float>& x, int rate, double gap) {
    std::vector<double> times;
    const auto quiet = static_cast<std::size_t>(gap * rate);
    std::size_t zeros = quiet;  // the start counts as silence
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i] == 0.0f) {
            ++zeros;
            continue;
        }
        if (zeros >= quiet) times.push_back(static_cast<double>(i) / rate);
        zeros = 0;
    }
    return times;
}

using Clock = std::chrono::steady_clock;

}  // namespace

// The horse's sequence as the scene runs it (the scene's own building and stepping, frame
// by frame in real time), firing its cues through the sound system into the mix: each cue
// sound starts in the WAV file where the sequence's clips put it.
TEST(SoundSystemWin32, TheCueSoundsStartInTheMixAtTheSequencesTimes) {
    // Clips of 2.1 s hold every cue time (0, 500 and 1933.33 ms). A seed whose first three
    // entries hold at least two cues keeps the run short; found by building sequences.
    // Cues closer than 1.5 s would overlap in the mix (the longest horse cue, 481, lasts
    // 1.3 s) and could not be told apart, so the seed keeps them further apart.
    constexpr float kClipMs = 2100.0f;
    constexpr int kEntries = 3;
    constexpr float kApartMs = 1500.0f;
    auto cueTimes = [&](const scene::HorseSequence& seq) {
        std::vector<double> times;
        for (int k = 0; k < kEntries; ++k) {
            const scene::SequenceEntry& e = seq.entries[static_cast<std::size_t>(k)];
            if (e.cueTime >= 0.0f) times.push_back((k * kClipMs + e.cueTime) / 1000.0);
        }
        return times;
    };
    std::uint32_t seed = 0;
    for (std::uint32_t s = 1; s < 1000 && seed == 0; ++s) {
        os::SeedRandom(s);
        scene::HorseSequence seq;
        scene::BuildHorseSequence(seq, scene::HorseSounds{1, 2, 3});
        const std::vector<double> times = cueTimes(seq);
        bool apart = times.size() >= 2;
        for (std::size_t i = 1; i < times.size(); ++i)
            apart = apart && (times[i] - times[i - 1]) * 1000.0 >= kApartMs;
        if (apart) seed = s;
    }
    ASSERT_NE(seed, 0u);

    PrivateFolder out;
    const std::string wav = out.path() + "\\mix.wav";
    ASSERT_EQ(_putenv_s("EMBERHOLD_AUDIO_WAV", wav.c_str()), 0);
    AudioLibrary library;
    SoundSystem sound(library);
    // Loaded first, so that StartSound begins with BASS_Init, where the file's clock
    // starts; the samples are decoded after it.
    ASSERT_TRUE(library.loadFromResource());
    const Clock::time_point initAt = Clock::now();
    sound.StartSound(SoundSettings{false, true, 100});  // effects only: the cues alone are heard
    _putenv_s("EMBERHOLD_AUDIO_WAV", "");
    ASSERT_TRUE(sound.ready());
    const CueSounds& cues = sound.cues();
    const scene::HorseSounds horse{cues.horseTail, cues.horseLeg, cues.horseHead};

    os::SeedRandom(seed);
    scene::HorseSequence seq;
    scene::BuildHorseSequence(seq, horse);
    // Where the cues belong: entry k starts at k clip lengths, its cue that far into it.
    const std::vector<double> expected = cueTimes(seq);
    FixedClips model(kClipMs);
    // As the scene: the horse's cues play their sample once at channel volume 22.
    const scene::CuePlayer play = [&](int handle, bool setVolume) {
        sound.PlayCue(handle, setVolume ? 22 : -1);
    };
    const Clock::time_point sequenceAt = Clock::now();
    Clock::time_point last = sequenceAt;
    while (Clock::now() - sequenceAt < std::chrono::milliseconds(static_cast<int>(kEntries * kClipMs))) {
        Sleep(5);
        const Clock::time_point now = Clock::now();
        scene::StepHorse(seq, model,
                         std::chrono::duration<float, std::milli>(now - last).count(), horse, play);
        last = now;
    }
    sound.StopSound();
    EXPECT_FALSE(library.loaded());

    int rate = 0;
    const std::vector<float> mix = readWavLeft(wav, rate);
    ASSERT_EQ(rate, 44100);
    // The file's time 0 is BASS_Init at the start of StartSound; the sequence's is
    // sequenceAt.
    const double from = std::chrono::duration<double>(sequenceAt - initAt).count();
    const std::vector<double> heard = onsets(mix, rate, 0.1);
    ASSERT_EQ(heard.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const double at = heard[i] - from;  // on the sequence's clock
        std::printf("cue %zu: expected at %.3f s, heard at %.3f s (%+.1f ms)\n", i, expected[i], at,
                    (at - expected[i]) * 1000.0);
        // The file's clock starts somewhere inside BASS_Init (opening the file, starting
        // the thread: up to some 20 ms under Wine), which this reading of it does not
        // know: up to 30 ms early is allowed for it. Late by at most a frame of the
        // sequence, the output's 10 ms step and the one it mixes ahead, with room for a
        // busy machine.
        EXPECT_GE(at, expected[i] - 0.03);
        EXPECT_LE(at, expected[i] + 0.06);
        // Between cues the start of the file's clock drops out: each cue is as early or
        // late as the first, give or take a frame of the sequence on each.
        const double drift = (heard[i] - expected[i]) - (heard[0] - expected[0]);
        EXPECT_NEAR(drift, 0.0, 0.04) << "cue " << i;
    }
}

namespace {

// Runs the exit child in `mode` with its files in `folder`; its exit code.
DWORD runExitChild(const std::string& mode, const std::string& folder) {
    std::string command = "\"" EH_SOUND_TEST_EXIT_CHILD "\" " + mode + " \"" + folder + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 0xFFFFFFFFu;
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 9);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::size_t libraryFiles(const PrivateFolder& folder) {
    std::size_t n = 0;
    for (const std::string& name : folder.files()) n += name.rfind("bas", 0) == 0;
    return n;
}

}  // namespace

// A run that ends without the sound shutdown still frees the library and deletes its file:
// the exit actions at exit, on an unhandled exception and on an uncaught C++ exception.
// Killed outright, no code runs and the file stays, which shows what the check sees.
TEST(AudioLibraryWin32, EveryWayOutButBeingKilledDeletesTheLibrarysFile) {
    const struct {
        const char* mode;
        DWORD code;
        std::size_t left;
    } cases[] = {{"exit", 0, 0}, {"crash", 0xE0415544u, 0}, {"throw", 7, 0}, {"kill", 5, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        PrivateFolder folder;
        EXPECT_EQ(runExitChild(c.mode, folder.path()), c.code);
        // The library ran: its output wrote the mix's header at least.
        const std::vector<std::uint8_t> wav = readFile(folder.path() + "\\mix.wav");
        EXPECT_GE(wav.size(), 44u);
        EXPECT_EQ(libraryFiles(folder), c.left);
    }
}
