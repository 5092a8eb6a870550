// The capture's clock: frame times in whole milliseconds, and the music pulled against them.

#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

namespace {

constexpr int frameRates[] = {1, 7, 24, 25, 30, 50, 60, 120, 125, 144, 250, 1000};
constexpr int audioRates[] = {8000, 11025, 22050, 32000, 44100, 48000};

TEST(VirtualClock, StandsAtZeroAndMovesOneFrameAtATime) {
    VirtualClock clock(60);
    EXPECT_EQ(clock.Milliseconds(), 0u);
    EXPECT_EQ(clock.Nanoseconds(), 0);
    clock.Advance();
    EXPECT_EQ(clock.Milliseconds(), 16u);
    EXPECT_EQ(clock.Nanoseconds(), 16666666);
    for (int i = 1; i < 60; ++i) {
        clock.Advance();
    }
    EXPECT_EQ(clock.Milliseconds(), 1000u);
    EXPECT_EQ(clock.Nanoseconds(), 1000000000);
}

// A position read back from the music pulled, in whole milliseconds rounded down, is the
// clock's own: rounding the pull to whole samples must never cross a millisecond.
TEST(VirtualClock, MusicPulledReadsBackAsTheClocksMilliseconds) {
    for (const int fps : frameRates) {
        const VirtualClock clock(fps);
        for (const int rate : audioRates) {
            std::int64_t previous = 0;
            for (std::int64_t index = 0; index <= std::int64_t{5} * fps; ++index) {
                const std::int64_t pulled = clock.AudioFramesAt(index, rate);
                ASSERT_EQ(pulled * 1000 / rate, clock.MillisecondsAt(index))
                    << fps << " fps, " << rate << " Hz, frame " << index;
                ASSERT_GE(pulled, previous);
                previous = pulled;
            }
        }
    }
}

TEST(VirtualClock, FrameAtOrAfterIsTheFirstFrameNotBeforeTheTime) {
    for (const int fps : frameRates) {
        const VirtualClock clock(fps);
        for (std::int64_t time = 0; time < 3000; time += 7) {
            const std::int64_t index = clock.FrameAtOrAfter(time);
            ASSERT_GE(clock.MillisecondsAt(index), time) << fps << " fps, " << time << " ms";
            if (index > 0) {
                ASSERT_LT(clock.MillisecondsAt(index - 1), time) << fps << " fps, " << time;
            }
        }
    }
}

TEST(VirtualClock, TheShowEndsInTheFrameWhoseEndReachesTheMusicsLength) {
    for (const int fps : {24, 30, 60}) {
        const VirtualClock clock(fps);
        for (const std::int64_t length : {1, 735, 736, 44100, 2910600}) {
            const std::int64_t frames = clock.FramesBeforeAudioEnds(length, 44100);
            EXPECT_GE(clock.AudioFramesAt(frames, 44100), length);
            EXPECT_LT(clock.AudioFramesAt(frames - 1, 44100), length);
        }
    }
    // 66 s at 60 fps: the last frame drawn is at 65.983 s.
    EXPECT_EQ(VirtualClock(60).FramesBeforeAudioEnds(std::int64_t{66} * 44100, 44100), 3960);
}

} // namespace
