// The music clock between and across the device's pulls, at 1000 frames per second so that
// a frame is a millisecond.

#include "platform/playback_clock.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t ms = 1000000;

TEST(PlaybackClock, MovesOnBetweenPullsButWaitsForALateDevice) {
    PlaybackClock clock(1000, 100);
    EXPECT_EQ(clock.FramesHeard(0), 0.0);
    clock.OnPull(0, 100, 0, false);
    EXPECT_EQ(clock.FramesHeard(0), 0.0);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(40 * ms), 40.0);
    // The next pull was due at 100 ms: the device has nothing more to play until it comes.
    EXPECT_DOUBLE_EQ(clock.FramesHeard(300 * ms), 100.0);
    clock.OnPull(300 * ms, 100, 0, false);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(300 * ms), 100.0);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(350 * ms), 150.0);
}

TEST(PlaybackClock, NeverGoesBackWhenAPullIsShort) {
    PlaybackClock clock(1000, 100);
    clock.OnPull(0, 100, 0, false);
    clock.OnPull(100 * ms, 100, 0, false);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(190 * ms), 190.0);
    clock.OnPull(191 * ms, 20, 0, false);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(191 * ms), 190.0);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(205 * ms), 190.0);
    clock.OnPull(211 * ms, 100, 0, false);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(211 * ms), 220.0);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(250 * ms), 259.0);
}

TEST(PlaybackClock, SilenceWithinTheMusicIsAGapButSilenceAfterItIsNot) {
    PlaybackClock clock(1000, 0);
    clock.OnPull(0, 50, 50, false);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(0), 50.0);
    clock.OnPull(100 * ms, 100, 0, false);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(100 * ms), 150.0);
    EXPECT_FALSE(clock.AllHeard());
    clock.OnPull(200 * ms, 20, 80, true);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(200 * ms), 170.0);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(900 * ms), 170.0);
    EXPECT_TRUE(clock.AllHeard());
}

TEST(PlaybackClock, ADeviceIsTakenForStoppedOnlyAfterTenPullsOrAQuarterSecondOrTwoWhenReporting) {
    PlaybackClock clock(1000, 0, 50 * ms);
    EXPECT_FALSE(clock.Stalled(300 * ms));
    EXPECT_TRUE(clock.Stalled(301 * ms)); // nothing pulled since the start
    clock.OnPull(400 * ms, 10, 0, false);
    EXPECT_FALSE(clock.Stalled(650 * ms));
    EXPECT_TRUE(clock.Stalled(651 * ms));
    clock.OnPull(700 * ms, 100, 0, false);
    EXPECT_FALSE(clock.Stalled(1700 * ms));
    EXPECT_TRUE(clock.Stalled(1701 * ms));
    // A sound server that reports what it holds may wait over half a second after its first
    // fill while its sink starts: it is gone only after two seconds.
    clock.OnPull(1800 * ms, 20, 0, false, 40);
    EXPECT_FALSE(clock.Stalled(3800 * ms));
    EXPECT_TRUE(clock.Stalled(3801 * ms));
}

TEST(PlaybackClock, DetachedItNeverGoesBack) {
    PlaybackClock clock(1000, 100);
    clock.OnPull(0, 100, 0, false);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(100 * ms), 100.0);
    clock.OnPull(100 * ms, 100, 0, false);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(180 * ms), 180.0);
    // A reading before the last pull's time, then a length below what was heard.
    clock.Detach(150);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(120 * ms), 180.0);
    EXPECT_DOUBLE_EQ(clock.FramesHeard(400 * ms), 180.0);
    EXPECT_TRUE(clock.AllHeard());
}

} // namespace
