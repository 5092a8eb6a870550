// The audio device lost in the middle of the music, on a fake device whose pulls and clock
// the test drives: one that reports itself gone, and one that stops pulling without a
// word. The music's position goes on by the clock from where it was heard, never goes
// back, reaches the music's end at the time it would have with the device, and the end is
// reported once.

#include "platform/sound.h"
#include "support/fake_backend.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

namespace {

constexpr int rate = 44100;
constexpr int pullFrames = 1024;
constexpr int latencyFrames = 2 * pullFrames;
constexpr std::int64_t nsPerMs = 1000000;
constexpr int musicMs = 2000;
// A working device's listener is this far behind the device's pulls: what it holds beyond
// the pull it is playing.
constexpr double behindMs = (latencyFrames - pullFrames) * 1000.0 / rate;

signed char OnEnd(FSOUND_STREAM* /*stream*/, void* /*buffer*/, int /*length*/, void* userData) {
    ++*static_cast<int*>(userData);
    return TRUE;
}

class AudioLoss : public ::testing::Test {
protected:
    AudioLoss() : scope(backend) {
        backend.audioRealTime = true;
        backend.audioLatencyFrames = latencyFrames;
    }
    ~AudioLoss() override { FSOUND_Close(); }

    void Play() {
        ASSERT_TRUE(FSOUND_Init(rate, 32, 0));
        const std::string path = folder.File("tone.mp3");
        ASSERT_TRUE(WriteToneMp3(path, musicMs * rate / 1000));
        stream = FSOUND_Stream_OpenFile(path.c_str(), FSOUND_LOOP_OFF, 0);
        ASSERT_NE(stream, nullptr);
        FSOUND_Stream_SetEndCallback(stream, OnEnd, &ends);
        ASSERT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
        // A device that plays as time goes does not wait for the decoder's first samples.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    // Where a working device would have the listener at ms.
    static double HeardOnTime(int ms) { return std::clamp(ms - behindMs, 0.0, double{musicMs}); }

    // Reads the position every 10 ms up to ms; the device pulls when its next pull is due,
    // if pulling. Each reading is checked against the one before and the expected one.
    void RunTo(int ms, bool pulling, double tolerance = 1.0) {
        for (; clockMs <= ms; clockMs += 10) {
            while (pulling && nextPullNs <= clockMs * nsPerMs) {
                backend.audioNanoseconds = nextPullNs;
                pulledAtMs.push_back(static_cast<double>(nextPullNs) / nsPerMs);
                backend.PullAudio(pullFrames);
                nextPullNs += pullFrames * 1000000000LL / rate;
                // The decoder, on its own thread, keeps ahead of a device that does not
                // wait for it only where time passes.
                std::this_thread::sleep_for(std::chrono::milliseconds(4));
            }
            backend.audioNanoseconds = clockMs * nsPerMs;
            const int position = FSOUND_Stream_GetTime(stream);
            SCOPED_TRACE(clockMs);
            ASSERT_GE(position, lastPosition);
            ASSERT_LE(position, musicMs);
            lastPosition = position;
            if (tolerance >= 0.0) {
                ASSERT_NEAR(position, HeardOnTime(clockMs), tolerance);
            }
            if (ends == 1 && endedAtMs < 0) {
                endedAtMs = clockMs;
                EXPECT_EQ(position, musicMs);
            }
            ASSERT_LE(ends, 1);
        }
    }

    // The device skips pulls it missed while it was stopped.
    void ResumePullsAt(int ms) { nextPullNs = ms * nsPerMs; }

    // The end is reported once, at the first reading after the music has been heard to its
    // end.
    void ExpectEndedOnTime() const {
        EXPECT_EQ(ends, 1);
        EXPECT_GE(endedAtMs, musicMs + behindMs);
        EXPECT_LT(endedAtMs, musicMs + behindMs + 10);
    }

    float LoudestOfPulls(double fromMs, double toMs) const {
        float loudest = 0.0f;
        for (std::size_t pull = 0; pull < pulledAtMs.size(); ++pull) {
            if (pulledAtMs[pull] < fromMs || pulledAtMs[pull] >= toMs) {
                continue;
            }
            const auto first =
                backend.audioSamples.begin() + static_cast<std::ptrdiff_t>(pull * pullFrames * 2);
            std::for_each(first, first + std::ptrdiff_t{pullFrames} * 2, [&loudest](float sample) {
                loudest = std::max(loudest, std::fabs(sample));
            });
        }
        return loudest;
    }

    TemporaryFolder folder;
    FakeBackend backend;
    ScopedBackend scope;
    FSOUND_STREAM* stream = nullptr;
    int ends = 0;
    int clockMs = 0;
    std::int64_t nextPullNs = 0;
    int lastPosition = 0;
    int endedAtMs = -1;
    std::vector<double> pulledAtMs;
};

// SDL goes on asking a device that has gone for samples that nobody hears; neither the
// silence before those pulls nor the pulls move the music on or hold it back.
TEST_F(AudioLoss, ADeviceReportedGoneLeavesTheMusicToEndOnTheClock) {
    Play();
    RunTo(500, true);
    backend.LoseAudio();
    backend.LoseAudio(); // reported twice, taken once
    RunTo(1000, false);
    ResumePullsAt(1000);
    RunTo(3000, true);
    ExpectEndedOnTime();
}

TEST_F(AudioLoss, ADeviceThatStopsPullingIsTakenForGoneAndCaughtUpWithWhenItComesBack) {
    Play();
    RunTo(500, true);
    // The position waits for a late device, then goes on by the clock as if it had played.
    const int lastPullMs = static_cast<int>(pulledAtMs.back());
    RunTo(lastPullMs + 300, false, -1.0);
    EXPECT_GE(lastPosition, HeardOnTime(lastPullMs));
    RunTo(1500, false);
    // Back after a second: the music goes on from where the show is, not from where the
    // device stopped, and ends with it.
    ResumePullsAt(1500);
    RunTo(3000, true);
    ExpectEndedOnTime();
    EXPECT_GT(LoudestOfPulls(0, 450), 0.4f);
    EXPECT_GT(LoudestOfPulls(1800, 1950), 0.4f);
    EXPECT_EQ(LoudestOfPulls(musicMs + 10, 3000), 0.0f);
}

TEST_F(AudioLoss, ADeviceOnItsOwnClockIsNeverTakenForStopped) {
    backend.audioRealTime = false;
    Play();
    RunTo(500, true);
    const int held = lastPosition;
    RunTo(3000, false, -1.0);
    EXPECT_LE(lastPosition, held + 24); // what its last pull held
    EXPECT_EQ(ends, 0);
}

} // namespace
