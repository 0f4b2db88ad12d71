// Writing, loading, resolving and deleting the embedded audio library.
#include <gtest/gtest.h>

#include "sound/audio_binding.h"
#include "sound/sound_system.h"
#include "sound/sound_test_util.h"

using namespace eh::sound;
using namespace eh::testing;

TEST(AudioBinding, TheFileExistsWhileLoadedHoldsTheImageAndIsPrivate) {
    TempFolder tmp;
    AudioLibrary lib;
    lib.setTempFolder(tmp.path());
    const auto& image = audioLibraryImage();
    ASSERT_FALSE(image.empty());
    ASSERT_TRUE(lib.load(image));
    ASSERT_EQ(tmp.files().size(), 1u);
    EXPECT_EQ(tmp.files()[0].rfind("bas", 0), 0u);
    EXPECT_EQ(lib.path(), tmp.path() + "/" + tmp.files()[0]);
    EXPECT_EQ(readFile(lib.path()), image);
    struct stat st {};
    ASSERT_EQ(stat(lib.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_TRUE(lib.complete());
    std::size_t resolved = 0;
    for (std::size_t i = 0; i < kEntryPointCount; ++i) resolved += lib.entryPoint(i) != nullptr;
    EXPECT_EQ(resolved, 23u);               // the names the library lacks stay null
    EXPECT_EQ(lib.entryPoint(1), nullptr);  // "BASS_GetConfig"
    EXPECT_EQ(lib.entryPoint(kEntryPointCount), nullptr);
    EXPECT_FALSE(lib.load(image));  // already loaded: no second file
    EXPECT_EQ(tmp.files().size(), 1u);

    EXPECT_TRUE(lib.unload());
    EXPECT_TRUE(tmp.files().empty());
    EXPECT_FALSE(lib.unload());  // a second unload deletes nothing
    EXPECT_EQ(lib.api().BASS_Init, nullptr);
}

TEST(AudioBinding, ADamagedOrMissingImageLoadsNothingAndLeavesNoFile) {
    TempFolder tmp;
    AudioLibrary lib;
    lib.setTempFolder(tmp.path());
    std::vector<std::uint8_t> damaged(audioLibraryImage().begin(),
                                      audioLibraryImage().begin() + 4096);
    EXPECT_FALSE(lib.load(damaged));
    EXPECT_FALSE(lib.load(std::vector<std::uint8_t>(1000, 0x90)));
    EXPECT_FALSE(lib.load({}));
    EXPECT_FALSE(lib.loaded());
    EXPECT_TRUE(tmp.files().empty());
    {
        FakeResources none;
        auto table = none.table();
        eh::os::ScopedResourceTable scope(table);
        EXPECT_FALSE(lib.loadFromResource());
    }
    lib.setTempFolder(tmp.path() + "/missing");  // cannot create the file
    EXPECT_FALSE(lib.load(audioLibraryImage()));
    EXPECT_FALSE(lib.loaded());
}

TEST(AudioBinding, SoundIsDisabledWithoutCallsWhenTheLibraryIsUnusable) {
    TempFolder tmp;
    // A damaged resource, and a real library that lacks the entry points.
    std::vector<std::vector<std::uint8_t>> images = {
        std::vector<std::uint8_t>(audioLibraryImage().begin(), audioLibraryImage().begin() + 4096),
        readFile(EH_FOREIGN_LIBRARY_FILE)};
    for (const auto& image : images) {
        ASSERT_FALSE(image.empty());
        FakeResources res;
        res.add("BASS", 471, image);
        res.add("SOUND", 474, toneOgg(440.0f, 0.2, 0.5f));
        res.add("SOUND", 475, toneOgg(440.0f, 0.2, 0.5f));
        auto table = res.table();
        eh::os::ScopedResourceTable scope(table);
        AudioLibrary lib;
        lib.setTempFolder(tmp.path());
        SoundSystem sound(lib);
        sound.StartSound({true, true, 70});
        EXPECT_FALSE(sound.enabled());
        EXPECT_FALSE(lib.loaded());
        EXPECT_TRUE(tmp.files().empty());
        EXPECT_EQ(sound.openingMusic(), kNoSound);
        EXPECT_EQ(sound.visionSound(), kNoSound);
        sound.PlaySample(0, false);  // nothing to call, nothing happens
        sound.SetVisionVolume(85);
        sound.StopSound();
    }
}
