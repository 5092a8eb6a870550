// The sound calls and the music stream against a fake audio device, which takes samples
// only when the test pulls them, on a clock that the test sets.

#include "app/error_text.h"
#include "audio/music_stream.h"
#include "platform/sound.h"
#include "support/fake_backend.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

constexpr int rate = 44100;
constexpr std::int64_t nanosecondsPerSecond = 1000000000;

struct EndCounter {
    int calls = 0;
    int positionAtCall = -1;

    static signed char OnEnd(FSOUND_STREAM* stream, void* /*buffer*/, int /*length*/,
                             void* userData) {
        auto* counter = static_cast<EndCounter*>(userData);
        ++counter->calls;
        counter->positionAtCall = FSOUND_Stream_GetTime(stream);
        return TRUE;
    }
};

class SoundLayerTest : public ::testing::Test {
protected:
    SoundLayerTest() : scope(backend) {}
    ~SoundLayerTest() override { FSOUND_Close(); }

    std::string Tone(int frames, int toneRate = rate, int channels = 2) const {
        std::string path = folder.File("tone.mp3");
        EXPECT_TRUE(WriteToneMp3(path, frames, toneRate, channels));
        return path;
    }

    // The device takes frames frames when those before them have played.
    void Pull(int frames) {
        backend.audioNanoseconds = handed * nanosecondsPerSecond / rate;
        backend.PullAudio(frames);
        handed += frames;
    }

    void LetTimePass(int frames) {
        backend.audioNanoseconds += (frames * nanosecondsPerSecond + rate - 1) / rate;
    }

    float LoudestFrom(std::int64_t frame, std::int64_t count) const {
        const auto first = backend.audioSamples.begin() + frame * 2;
        float loudest = 0.0f;
        std::for_each(first, first + count * 2,
                      [&loudest](float sample) { loudest = std::max(loudest, std::fabs(sample)); });
        return loudest;
    }

    TemporaryFolder folder;
    FakeBackend backend;
    ScopedBackend scope;
    std::int64_t handed = 0;
};

TEST_F(SoundLayerTest, PositionIsWhatTheDeviceWasHandedLessWhatItHoldsAndEndsOnce) {
    backend.audioLatencyFrames = 1024;
    ASSERT_TRUE(FSOUND_Init(rate, 32, 0));
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(Tone(rate).c_str(), FSOUND_LOOP_OFF, 0);
    ASSERT_NE(stream, nullptr);
    EndCounter ends;
    FSOUND_Stream_SetEndCallback(stream, EndCounter::OnEnd, &ends);
    ASSERT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);

    const auto heardMs = [](std::int64_t frames) {
        return static_cast<int>(std::min<std::int64_t>(frames, rate) * 1000 / rate);
    };
    for (int pull = 0; pull < 50; ++pull) {
        const std::int64_t before = handed;
        Pull(1024);
        SCOPED_TRACE(before);
        // Right after a pull the device still holds all it was just handed ...
        EXPECT_EQ(FSOUND_Stream_GetTime(stream), heardMs(before));
        EXPECT_EQ(ends.calls, before >= rate ? 1 : 0);
        // ... and half a pull later it has played half of that.
        LetTimePass(512);
        EXPECT_EQ(FSOUND_Stream_GetTime(stream), heardMs(before + 512));
    }
    EXPECT_EQ(ends.positionAtCall, 1000);
}

TEST_F(SoundLayerTest, EncoderDelayAndPaddingAreNotPartOfTheMusic) {
    constexpr int frames = 66150; // 1.5 s
    ASSERT_TRUE(FSOUND_Init(rate, 32, 0));
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(Tone(frames).c_str(), FSOUND_LOOP_OFF, 0);
    ASSERT_NE(stream, nullptr);
    EndCounter ends;
    FSOUND_Stream_SetEndCallback(stream, EndCounter::OnEnd, &ends);
    ASSERT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);

    for (int pull = 1; pull <= 160; ++pull) {
        Pull(441);
        ASSERT_EQ(FSOUND_Stream_GetTime(stream), std::min(pull * 10, 1500)) << pull;
        ASSERT_EQ(ends.calls, pull >= 150 ? 1 : 0) << pull;
    }
    EXPECT_GT(LoudestFrom(0, 441), 0.4f);
    EXPECT_GT(LoudestFrom(frames - 441, 441), 0.4f);
    EXPECT_EQ(LoudestFrom(frames, handed - frames), 0.0f);
}

TEST_F(SoundLayerTest, NoOutputDeviceFailsTheMusicWithAdviceForTheUser) {
    backend.FailOn("OpenAudio");
    MusicStream music;
    EXPECT_EQ(music.Play(Tone(4410).c_str(), false), 1);
    EXPECT_STREQ(g_lastError, "Error initializing output device.");
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INIT);
    EXPECT_EQ(music.HasEnded(), 0);

    ::testing::internal::CaptureStderr();
    ShowErrorText();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "tuvoran: Error initializing output device.\n"
              "tuvoran: no sound device: OpenAudio refused\n");
}

TEST_F(SoundLayerTest, PlaybackThatCannotStartLeavesTheMusicEnded) {
    MusicStream music;
    const std::string tone = Tone(2205, 22050, 1); // the file's own format: the device reopens
    backend.FailOn("OpenAudio");
    EXPECT_EQ(music.Play(tone.c_str(), false), 2);
    EXPECT_STREQ(g_lastError, "Error initializing output device.");
    EXPECT_EQ(music.HasEnded(), 1);

    backend.Heal();
    EXPECT_EQ(music.Play(tone.c_str(), false), 0);
    EXPECT_EQ(music.HasEnded(), 0);
    EXPECT_EQ(backend.audioRequest.rate, 22050);
    EXPECT_EQ(backend.audioRequest.channels, 1);
    EXPECT_FALSE(backend.audioPaused);
}

TEST_F(SoundLayerTest, CallsThatCannotBeMadeReportWhy) {
    const std::string tone = Tone(4410);
    EXPECT_EQ(FSOUND_Stream_OpenFile(tone.c_str(), FSOUND_LOOP_OFF, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_UNINITIALIZED);

    ASSERT_TRUE(FSOUND_Init(rate, 0, 0));
    EXPECT_FALSE(FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_BUSY);
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(tone.c_str(), FSOUND_LOOP_OFF, 0);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_CHANNEL_ALLOC);
}

} // namespace
