// The keep-and-restore rules of the desktop's gamma ramp, over display calls the test
// plays: what is kept, when it is written back, and what a refusing display leaves.
#include "platform/os/desktop_gamma.h"

#include <gtest/gtest.h>

#include <cstring>

namespace eh::os {
namespace {

// The display the keeper talks to: its current ramp, whether it answers, and what was
// asked of it.
struct FakeDisplay {
    GammaRamp current{};
    bool readable = true;
    bool writable = true;
    int reads = 0;
    int writes = 0;
};
FakeDisplay gDisplay;

bool readDisplay(GammaRamp* ramp) {
    ++gDisplay.reads;
    if (!gDisplay.readable) return false;
    *ramp = gDisplay.current;
    return true;
}

bool writeDisplay(const GammaRamp& ramp) {
    ++gDisplay.writes;
    if (!gDisplay.writable) return false;
    gDisplay.current = ramp;
    return true;
}

// A ramp no other in these tests equals: `seed` moves every entry of every channel.
GammaRamp rampOf(int seed) {
    GammaRamp ramp{};
    for (int i = 0; i < 256; ++i) {
        ramp.red[i] = static_cast<std::uint16_t>(i * 250 + seed);
        ramp.green[i] = static_cast<std::uint16_t>(i * 240 + seed * 3);
        ramp.blue[i] = static_cast<std::uint16_t>(i * 230 + seed * 7);
    }
    return ramp;
}

bool same(const GammaRamp& a, const GammaRamp& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class DesktopGammaTest : public ::testing::Test {
  protected:
    void SetUp() override { gDisplay = FakeDisplay{}; }
};

TEST_F(DesktopGammaTest, TheFirstRampReadIsKeptAndComesBackAfterTheSaverChangedIt) {
    const GammaRamp desktop = rampOf(11);
    gDisplay.current = desktop;
    DesktopGammaKeeper keeper(&readDisplay, &writeDisplay);
    EXPECT_FALSE(keeper.Kept());
    ASSERT_TRUE(keeper.Keep());
    EXPECT_TRUE(same(keeper.Ramp(), desktop));

    // The saver's ramp is on the display now; keeping again must not take it for the
    // desktop's.
    gDisplay.current = rampOf(150);
    EXPECT_TRUE(keeper.Keep());
    EXPECT_EQ(gDisplay.reads, 1);
    EXPECT_TRUE(same(keeper.Ramp(), desktop));

    EXPECT_TRUE(keeper.Restore());
    EXPECT_TRUE(same(gDisplay.current, desktop));
}

TEST_F(DesktopGammaTest, RestoringTwiceWritesTheSameRampAndKeepsIt) {
    const GammaRamp desktop = rampOf(3);
    gDisplay.current = desktop;
    DesktopGammaKeeper keeper(&readDisplay, &writeDisplay);
    ASSERT_TRUE(keeper.Keep());
    gDisplay.current = rampOf(200);
    EXPECT_TRUE(keeper.Restore());
    // A later way out (the end of the run, atexit) restores again; somebody's change in
    // between (the device's linear ramp) is undone again.
    gDisplay.current = rampOf(100);
    EXPECT_TRUE(keeper.Restore());
    EXPECT_EQ(gDisplay.writes, 2);
    EXPECT_TRUE(same(gDisplay.current, desktop));
    EXPECT_TRUE(keeper.Kept());
}

TEST_F(DesktopGammaTest, AnUnreadableDisplayKeepsNothingRestoresNothingAndIsAskedAgain) {
    gDisplay.readable = false;
    gDisplay.current = rampOf(5);
    DesktopGammaKeeper keeper(&readDisplay, &writeDisplay);
    EXPECT_FALSE(keeper.Keep());
    EXPECT_FALSE(keeper.Kept());
    EXPECT_FALSE(keeper.Restore());
    EXPECT_EQ(gDisplay.writes, 0);  // nothing invented, nothing written
    EXPECT_TRUE(same(gDisplay.current, rampOf(5)));

    // Once the display answers, the next keep takes its ramp.
    gDisplay.readable = true;
    EXPECT_TRUE(keeper.Keep());
    EXPECT_EQ(gDisplay.reads, 2);
    EXPECT_TRUE(same(keeper.Ramp(), rampOf(5)));
}

TEST_F(DesktopGammaTest, ARefusedWriteIsReportedAndTheRampStaysForTheNextWayOut) {
    gDisplay.current = rampOf(9);
    DesktopGammaKeeper keeper(&readDisplay, &writeDisplay);
    ASSERT_TRUE(keeper.Keep());
    gDisplay.current = rampOf(150);
    gDisplay.writable = false;
    EXPECT_FALSE(keeper.Restore());
    EXPECT_TRUE(same(gDisplay.current, rampOf(150)));
    gDisplay.writable = true;
    EXPECT_TRUE(keeper.Restore());
    EXPECT_TRUE(same(gDisplay.current, rampOf(9)));
}

TEST_F(DesktopGammaTest, AKeeperWithoutDisplayCallsDoesNothing) {
    DesktopGammaKeeper keeper(nullptr, nullptr);
    EXPECT_FALSE(keeper.Keep());
    EXPECT_FALSE(keeper.Restore());
    // Readable but not writable: kept, never written.
    DesktopGammaKeeper readOnly(&readDisplay, nullptr);
    gDisplay.current = rampOf(1);
    EXPECT_TRUE(readOnly.Keep());
    EXPECT_FALSE(readOnly.Restore());
}

TEST_F(DesktopGammaTest, TheProgramWideKeeperUsesTheInstalledCallsAndGetsItsOwnBack) {
    const bool keptBefore = KeepDesktopGamma();
    {
        ScopedDesktopGammaFunctions scoped(&readDisplay, &writeDisplay);
        // A fresh keeper: nothing of the system's kept ramp shows through.
        EXPECT_FALSE(RestoreDesktopGamma());
        EXPECT_EQ(gDisplay.writes, 0);
        gDisplay.current = rampOf(21);
        EXPECT_TRUE(KeepDesktopGamma());
        gDisplay.current = rampOf(150);
        EXPECT_TRUE(RestoreDesktopGamma());
        EXPECT_TRUE(same(gDisplay.current, rampOf(21)));
    }
    const int writes = gDisplay.writes;
    // The system's keeper is back, with what it had: the test's display is not called.
    EXPECT_EQ(RestoreDesktopGamma(), keptBefore);
    EXPECT_EQ(gDisplay.writes, writes);
}

#ifndef _WIN32
TEST(DesktopGammaLinux, TheDesktopsRampIsNeverReadNorWritten) {
    // The OpenGL device applies gamma in its own present program: the display's ramp is
    // never the saver's, so there is nothing to keep and nothing to put back.
    EXPECT_FALSE(KeepDesktopGamma());
    EXPECT_FALSE(RestoreDesktopGamma());
}
#endif

}  // namespace
}  // namespace eh::os
