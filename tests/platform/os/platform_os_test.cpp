// The parts of the layer that are the same on every system: resource lookup and the test
// table, code pages, the run-time's random numbers.
#include <gtest/gtest.h>

#include <string>

#include "platform/os/codepage.h"
#include "platform/os/resources.h"

namespace eh::os {
namespace {

TEST(Resources, LookupByTypeIgnoringCaseAndById) {
    static const unsigned char a[] = {1, 2, 3};
    static const unsigned char b[] = {9};
    const ResourceEntry table[] = {{"CustomData", 482, a, a + 3}, {"MediaData", 482, b, b + 1}};
    ScopedResourceTable scoped(table);
    ResourceData r = FindResourceData("customdata", 482);
    ASSERT_TRUE(r);
    EXPECT_EQ(r.size, 3u);
    EXPECT_EQ(r.data[2], 3);
    EXPECT_EQ(FindResourceData("MEDIADATA", 482).data, b);
    EXPECT_FALSE(FindResourceData("CustomData", 495));
    EXPECT_FALSE(FindResourceData("Custom", 482));
}

TEST(Resources, TypeNamesAreTheSameWhateverTheirAsciiCase) {
    EXPECT_TRUE(SameResourceType("MediaData", "MEDIADATA"));
    EXPECT_TRUE(SameResourceType("mediadata", "MediaData"));
    EXPECT_TRUE(SameResourceType("", ""));
    EXPECT_FALSE(SameResourceType("MediaData", "MediaDat"));
    EXPECT_FALSE(SameResourceType("MediaData", "MediaDatb"));
    EXPECT_FALSE(SameResourceType("SOUND\xC4", "sound\xE4")) << "only ASCII letters fold";
}

TEST(Resources, ScopedTableRestoresThePreviousOne) {
    auto before = ResourceTable();
    {
        ScopedResourceTable empty({});
        EXPECT_TRUE(ResourceTable().empty());
    }
    EXPECT_EQ(ResourceTable().data(), before.data());
    EXPECT_EQ(ResourceTable().size(), before.size());
}

TEST(CodePage, ConvertsBothPagesToUtf8) {
    EXPECT_EQ(ToUtf8("Lautst\xE4rke \xDC" "ber", CodePage::Windows1252), "Lautstärke Über");
    EXPECT_EQ(ToUtf8("\xD1reate", CodePage::Windows1251), "Сreate");
    EXPECT_EQ(ToUtf8("\x80", CodePage::Windows1252), "€");
    EXPECT_EQ(ToUtf8("\x98", CodePage::Windows1251), "\xEF\xBF\xBD");  // undefined → U+FFFD
    EXPECT_EQ(ToUtf8(std::string_view("a\0b", 3), CodePage::Windows1252), std::string("a\0b", 3));
}

}  // namespace
}  // namespace eh::os

#include "platform/os/crt_random.h"

namespace eh::os {
namespace {

TEST(CrtRandom, FifteenBitsAndTheRunTimeSequence) {
    SeedRandom(1);
    // The first values of the Windows run-time's rand() after srand(1).
    EXPECT_EQ(Random(), 41);
    EXPECT_EQ(Random(), 18467);
    EXPECT_EQ(Random(), 6334);
    SeedRandom(12345);
    int first = Random();
    for (int i = 0; i < 100000; ++i) {
        int r = Random();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, kRandMax);
    }
    SeedRandom(12345);
    EXPECT_EQ(Random(), first);
    EXPECT_LE(RandomUnit(), 1.0f);
}

}  // namespace
}  // namespace eh::os
