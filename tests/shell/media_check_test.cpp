// --verify-media's list of requested names comes from the program's own loading.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/overlay.h"
#include "shell/media_check.h"
#include "support/require_device.h"

namespace eh::shell {
namespace {

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool anyStartsWith(const std::vector<std::string>& names, const std::string& prefix) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return n.rfind(prefix, 0) == 0; });
}

TEST(MediaCheck, SceneRequestsAreRecordedFromTheSceneLoadingItself) {
    const std::vector<std::string> names = RecordSceneRequests();
    EH_REQUIRE_DEVICE(!names.empty(), "no offscreen device to load the scene with");
    // Names the scene spells out, names a loader builds, and names that only the media
    // themselves give (the terrain's layer textures, the meshes' material textures).
    EXPECT_TRUE(contains(names, "Data/Land.eld"));
    EXPECT_TRUE(contains(names, "Data/Cam_Tracks.evd"));
    EXPECT_TRUE(contains(names, "shaders\\grass.vsh"));
    EXPECT_TRUE(contains(names, "Texture/sl010.jpg"));
    EXPECT_TRUE(anyStartsWith(names, "Texture/Terra/"));
    EXPECT_TRUE(anyStartsWith(names, "Texture\\"));
    EXPECT_GE(names.size(), 56u);
}

TEST(MediaCheck, DigitNamesAreTheOverlaysGlyphsInArchive452) {
    const std::vector<std::string> digits = graphics::Overlay::DigitEntryNames();
    ASSERT_EQ(digits.size(), 15u);
    EXPECT_EQ(digits.front(), "Digits\\digit_0.JPG");
    EXPECT_EQ(digits.back(), "Digits\\digit_P.JPG");
}

TEST(MediaCheck, TheEmbeddedMediaPassTheWholeCheck) {
    EH_REQUIRE_DEVICE(!RecordSceneRequests().empty(), "no offscreen device");
    EXPECT_EQ(VerifyMedia(), 0);
}

}  // namespace
}  // namespace eh::shell
