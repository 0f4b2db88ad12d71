// The one table of settings fields: each row reaches its own member, and the rules it
// states for stored values.
#include "config/settings_fields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace eh::config {
namespace {

// A record whose every byte is set, so a row that writes the wrong member, or too few
// bytes of its own, shows up as a changed neighbour.
SaverSettings filled() {
    SaverSettings s;
    s.ShowFPS = 7;
    s.ExitOnMouseMove = 7;
    s.ShowTime = 7;
    s.Music = 7;
    s.SFX = 7;
    s.MusicVolume = 7;
    s.Width = 7;
    s.Height = 7;
    s.BitCount = 7;
    s.FSAA = 7;
    s.UseDesktopSettings = 7;
    s.DigClock_24H = false;
    s.GmCntrl = 7;
    return s;
}

int differingFields(const SaverSettings& a, const SaverSettings& b) {
    return (a.ShowFPS != b.ShowFPS) + (a.ExitOnMouseMove != b.ExitOnMouseMove) +
           (a.ShowTime != b.ShowTime) + (a.Music != b.Music) + (a.SFX != b.SFX) +
           (a.MusicVolume != b.MusicVolume) + (a.Width != b.Width) + (a.Height != b.Height) +
           (a.BitCount != b.BitCount) + (a.FSAA != b.FSAA) +
           (a.UseDesktopSettings != b.UseDesktopSettings) + (a.DigClock_24H != b.DigClock_24H) +
           (a.GmCntrl != b.GmCntrl);
}

TEST(SettingsFields, EachRowReachesItsOwnMemberAndNoOther) {
    for (const SettingsField& f : kSettingsFields) {
        SCOPED_TRACE(std::string(f.name));
        SaverSettings s = filled();
        f.access.set(s, 1);
        EXPECT_EQ(f.access.get(s), 1);
        EXPECT_EQ(differingFields(s, filled()), 1);
    }
    EXPECT_EQ(kSettingsFields.size(), 13u) << "a field of SaverSettings without a row";
}

TEST(SettingsFields, NamesAndKeysAreDistinctAndWidthsAreTheMembers) {
    std::set<std::string_view> names, keys;
    for (const SettingsField& f : kSettingsFields) {
        EXPECT_TRUE(names.insert(f.name).second) << f.name;
        EXPECT_TRUE(keys.insert(f.defaultKey).second) << f.defaultKey;
    }
    EXPECT_EQ(FieldNamed("GmCntrl")->access.width, sizeof(SaverSettings::GmCntrl));
    EXPECT_EQ(FieldNamed("DigClock_24H")->access.width, sizeof(SaverSettings::DigClock_24H));
    EXPECT_EQ(FieldNamed("MusicVolume")->access.width, sizeof(SaverSettings::MusicVolume));
    EXPECT_EQ(FieldNamed("ShowFPS")->access.width, sizeof(SaverSettings::ShowFPS));
    EXPECT_EQ(FieldNamed("NoSuchValue"), nullptr);
}

TEST(SettingsFields, RangesAreTheDialogs) {
    const SettingsField& gamma = *FieldNamed("GmCntrl");
    EXPECT_EQ(gamma.lo, 10);
    EXPECT_EQ(gamma.hi, 200);
    EXPECT_EQ(gamma.outOfRange, OutOfRange::Clamp);
    const SettingsField& volume = *FieldNamed("MusicVolume");
    EXPECT_EQ(volume.lo, 1);
    EXPECT_EQ(volume.hi, 100);
    EXPECT_EQ(volume.outOfRange, OutOfRange::Clamp);
    EXPECT_EQ(FieldNamed("FSAA")->lo, 2);
    EXPECT_EQ(FieldNamed("FSAA")->hi, 16);
    EXPECT_EQ(FieldNamed("Width")->hi, 16384);
    EXPECT_EQ(FieldNamed("Height")->hi, 16384);
}

TEST(SettingsFields, StoredValuesPassByTheirRowsRule) {
    std::int32_t v = -1;
    const SettingsField& flag = *FieldNamed("Music");
    EXPECT_TRUE(StoredToField(flag, 2, &v));
    EXPECT_EQ(v, 1);
    EXPECT_TRUE(StoredToField(flag, 1, &v));
    EXPECT_EQ(v, 0);
    v = -1;
    for (std::uint32_t other : {0u, 3u, 4294967295u}) EXPECT_FALSE(StoredToField(flag, other, &v));
    EXPECT_EQ(v, -1);

    const SettingsField& gamma = *FieldNamed("GmCntrl");
    EXPECT_FALSE(StoredToField(gamma, 0, &v));
    ASSERT_TRUE(StoredToField(gamma, 256, &v));
    EXPECT_EQ(v, 200);
    ASSERT_TRUE(StoredToField(gamma, 266, &v));
    EXPECT_EQ(v, 200);
    ASSERT_TRUE(StoredToField(gamma, 4294967291u, &v));  // -5
    EXPECT_EQ(v, 10);

    const SettingsField& depth = *FieldNamed("BitCount");
    EXPECT_FALSE(StoredToField(depth, 24, &v));
    ASSERT_TRUE(StoredToField(depth, 16, &v));
    EXPECT_EQ(v, 16);
    ASSERT_TRUE(StoredToField(depth, 32, &v));
    EXPECT_EQ(v, 32);

    const SettingsField& fsaa = *FieldNamed("FSAA");
    EXPECT_FALSE(StoredToField(fsaa, 1, &v));
    EXPECT_FALSE(StoredToField(fsaa, 17, &v));
    ASSERT_TRUE(StoredToField(fsaa, 9, &v));
    EXPECT_EQ(v, 9);

    EXPECT_EQ(FieldToStored(flag, 5), 2u);
    EXPECT_EQ(FieldToStored(flag, 0), 1u);
    EXPECT_EQ(FieldToStored(gamma, 150), 150u);
}

TEST(SettingsFields, FormatShowsEveryFieldInRecordOrder) {
    SaverSettings s;
    s.ShowTime = TRUE;
    s.Music = TRUE;
    s.MusicVolume = 70;
    s.Width = 800;
    s.Height = 600;
    s.BitCount = 32;
    s.DigClock_24H = true;
    s.GmCntrl = 100;
    EXPECT_EQ(FormatSettings(s),
              "ShowFPS = false\nExitOnMouseMove = false\nShowTime = true\nMusic = true\n"
              "SFX = false\nMusicVolume = 70\nWidth = 800\nHeight = 600\nBitCount = 32\n"
              "FSAA = 0\nUseDesktopSettings = false\nDigClock_24H = true\nGmCntrl = 100\n");
}

TEST(SettingsFields, HelpWritesTheRangeIn) {
    EXPECT_EQ(FieldHelp(*FieldNamed("MusicVolume")), "music and effects volume, 1..100");
    EXPECT_EQ(FieldHelp(*FieldNamed("GmCntrl")), "gamma in percent, 10..200 (100 neutral)");
    EXPECT_EQ(FieldHelp(*FieldNamed("Music")), "no music");
}

}  // namespace
}  // namespace eh::config
