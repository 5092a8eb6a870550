// The sound calls and the music stream against a fake audio device, which takes samples
// only when the test pulls them, on a clock that the test sets.

#include "app/error_text.h"
#include "audio/music_stream.h"
#include "platform/audio_file.h"
#include "platform/frame_timing.h"
#include "platform/sound.h"
#include "support/fake_backend.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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
    SoundLayerTest() : scope(backend) { ResetFrameLead(); }
    ~SoundLayerTest() override {
        FSOUND_Close();
        SetExtraAudioLatency(0);
    }

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

    // The same, the device reporting that it still holds queued frames of earlier pulls.
    void PullReporting(int frames, int queued) {
        backend.audioNanoseconds = handed * nanosecondsPerSecond / rate;
        backend.PullAudio(frames, queued);
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

// A live frame is drawn for the middle of its time on screen: the time read for it is taken
// ahead by what frames took from that reading to their presentation and half the time between
// presentations, less the latency that the user added for what the system cannot know. The
// capture's device, which keeps no wall time, reads exactly what it was handed.
TEST_F(SoundLayerTest, ALiveFrameShowsWhatIsHeardWhenItIsSeen) {
    backend.audioLatencyFrames = 4096;
    backend.audioRealTime = true;
    SetExtraAudioLatency(30);
    ASSERT_TRUE(FSOUND_Init(rate, 32, 0));
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(Tone(rate * 2).c_str(), FSOUND_LOOP_OFF, 0);
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    for (int frame = 0; frame < 40; ++frame) {
        // The decoder, on its own thread, keeps ahead of a device that does not wait for it
        // only where time passes.
        std::this_thread::sleep_for(std::chrono::milliseconds(frame == 0 ? 100 : 2));
        Pull(441);
        FSOUND_Stream_GetTime(stream);
        LetTimePass(441 / 2); // drawn and presented in 5 ms
        NoteFramePresented();
    }
    Pull(441);
    // 41 pulls of 10 ms, less 4096 frames held, plus 5 ms to the presentation and half of
    // the 10 ms that a frame stays, less 30 ms added.
    const double heardMs = (41.0 * 441 - 4096) * 1000.0 / rate;
    EXPECT_NEAR(FSOUND_Stream_GetTime(stream), heardMs + 5 + 5 - 30, 1.0);
    EXPECT_EQ(SoundLatencyMs(stream), 93 + 30);

    backend.audioRealTime = false;
    SetExtraAudioLatency(0);
    FSOUND_Close();
    ASSERT_TRUE(FSOUND_Init(rate, 32, 0));
    stream = FSOUND_Stream_OpenFile(Tone(rate * 2).c_str(), FSOUND_LOOP_OFF, 0);
    ASSERT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    handed = 0;
    for (int frame = 0; frame < 40; ++frame) {
        Pull(441);
        FSOUND_Stream_GetTime(stream);
        LetTimePass(441 / 2);
        NoteFramePresented();
    }
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), (40 * 441 - 4096 + 441 / 2) * 1000 / rate);
}

// Headphones plugged in while the show plays: the device reports 200 ms more from one pull
// on, and later less again. The position takes the new latency off from the third report on,
// one stray report moves nothing, and the position never goes back: it waits while the new
// latency is played through.
TEST_F(SoundLayerTest, ThePositionFollowsTheLatencyThatTheDeviceReportsAsItChanges) {
    backend.audioLatencyFrames = 2048;
    ASSERT_TRUE(FSOUND_Init(rate, 32, 0));
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(Tone(rate * 2).c_str(), FSOUND_LOOP_OFF, 0);
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);

    constexpr int headphones = 8820;
    int queued = 1024;
    int lastReading = 0;
    // Right after the pull, what was handed less what the device held and was just handed.
    const auto expectedMs = [&] {
        return static_cast<int>((handed - queued - 1024) * 1000 / rate);
    };
    const auto pull = [&](int pulls, int reporting) {
        for (int i = 0; i < pulls; ++i) {
            queued = reporting;
            PullReporting(1024, queued);
            const int reading = FSOUND_Stream_GetTime(stream);
            EXPECT_GE(reading, lastReading) << handed;
            lastReading = reading;
        }
    };
    pull(10, 1024);
    EXPECT_EQ(lastReading, expectedMs());
    EXPECT_EQ(SoundLatencyMs(stream), 46);
    pull(1, 20000);
    pull(5, 1024);
    EXPECT_EQ(lastReading, expectedMs()) << "one stray report";

    pull(2, 1024 + headphones);
    EXPECT_EQ(SoundLatencyMs(stream), 46);
    pull(1, 1024 + headphones);
    EXPECT_EQ(SoundLatencyMs(stream), 246);
    const int waitingAt = lastReading;
    pull(5, 1024 + headphones);
    EXPECT_EQ(lastReading, waitingAt) << "what the new device holds is still to be heard";
    pull(10, 1024 + headphones);
    EXPECT_EQ(lastReading, expectedMs());
    LetTimePass(512);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), (handed - queued - 512) * 1000 / rate);

    pull(3, 1024);
    EXPECT_EQ(lastReading, expectedMs());
    EXPECT_EQ(SoundLatencyMs(stream), 46);
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

// The decoder's own samples from frame on, as decoding from the start gives them.
std::vector<float> Decoded(const std::string& path, std::int64_t frame, int frames) {
    AudioFileError error = AudioFileError::None;
    const std::unique_ptr<AudioFile> file = OpenAudioFile(path, &error);
    std::vector<float> all(static_cast<std::size_t>(frame + frames) * file->Channels());
    std::int64_t done = 0;
    for (int read = 1; read > 0 && done < frame + frames; done += read) {
        read = file->Read(&all[static_cast<std::size_t>(done) * file->Channels()],
                          static_cast<int>(frame + frames - done));
    }
    return {all.begin() + frame * file->Channels(), all.end()};
}

class SoundControls : public SoundLayerTest {
protected:
    void Play(int frames) {
        backend.audioLatencyFrames = latency;
        ASSERT_TRUE(FSOUND_Init(rate, 32, 0));
        path = Tone(frames);
        stream = FSOUND_Stream_OpenFile(path.c_str(), FSOUND_LOOP_OFF, 0);
        ASSERT_NE(stream, nullptr);
        FSOUND_Stream_SetEndCallback(stream, EndCounter::OnEnd, &ends);
        channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
        ASSERT_EQ(channel, 0);
    }

    // What the device was handed from frame first on, against the decoder's from music on.
    void ExpectHanded(std::int64_t first, std::int64_t music, int frames) const {
        const std::vector<float> expected = Decoded(path, music, frames);
        const std::vector<float> handedSamples(backend.audioSamples.begin() + first * 2,
                                               backend.audioSamples.begin() + (first + frames) * 2);
        EXPECT_EQ(handedSamples, expected) << "handed from " << first << ", music from " << music;
    }

    static constexpr int latency = 1024;
    std::string path;
    FSOUND_STREAM* stream = nullptr;
    int channel = -1;
    EndCounter ends;
};

TEST_F(SoundControls, PauseHoldsThePositionAndResumingPlaysOnFromItWithoutAJump) {
    Play(rate * 2);
    for (int pull = 0; pull < 20; ++pull) {
        Pull(1024);
    }
    LetTimePass(300);
    const int pausedAt = FSOUND_Stream_GetTime(stream); // 20 pulls, less the device's latency
    EXPECT_EQ(pausedAt, (19 * 1024 + 300) * 1000 / rate);
    ASSERT_TRUE(FSOUND_SetPaused(channel, TRUE));
    EXPECT_TRUE(FSOUND_GetPaused(channel));
    const std::int64_t silenceFrom = handed;
    for (int pull = 0; pull < 10; ++pull) {
        Pull(1024);
        LetTimePass(700);
        EXPECT_EQ(FSOUND_Stream_GetTime(stream), pausedAt);
    }
    EXPECT_EQ(LoudestFrom(silenceFrom, handed - silenceFrom), 0.0f);

    // The music goes on where it was heard when paused, from the next whole frame: what the
    // device still held then is played again rather than skipped.
    constexpr int resumedAt = 19 * 1024 + 301;
    ASSERT_TRUE(FSOUND_SetPaused(channel, FALSE));
    EXPECT_FALSE(FSOUND_GetPaused(channel));
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), resumedAt * 1000 / rate);
    const std::int64_t resumedFrom = handed;
    Pull(1024);
    Pull(1024);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), (resumedAt + 1024) * 1000 / rate);
    ExpectHanded(resumedFrom, resumedAt, 2048);
    EXPECT_EQ(ends.calls, 0);
}

TEST_F(SoundControls, SetTimeMovesThePositionAtOnceAndPlaysFromThereAsANewPass) {
    Play(rate * 2);
    EXPECT_EQ(FSOUND_Stream_GetLengthMs(stream), 2000);
    for (int pull = 0; pull < 10; ++pull) {
        Pull(1024);
    }
    ASSERT_TRUE(FSOUND_Stream_SetTime(stream, 1500));
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 1500);
    const std::int64_t seekedFrom = handed;
    Pull(1024);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 1500); // still in the device
    Pull(1024);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 1500 + 1024 * 1000 / rate);
    ExpectHanded(seekedFrom, 66150, 2048);

    // Paused, a new time is taken at once and played from when resumed.
    ASSERT_TRUE(FSOUND_SetPaused(channel, TRUE));
    ASSERT_TRUE(FSOUND_Stream_SetTime(stream, 250));
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 250);
    Pull(1024);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 250);
    EXPECT_TRUE(FSOUND_GetPaused(channel));
    ASSERT_TRUE(FSOUND_SetPaused(channel, FALSE));
    const std::int64_t resumedFrom = handed;
    Pull(1024);
    Pull(1024);
    ExpectHanded(resumedFrom, 11025, 2048);

    // To the end: it is reported once; back again, and the next pass ends once more.
    int lastPosition = 0;
    while (ends.calls == 0 && handed < rate * 4) {
        Pull(1024);
        lastPosition = FSOUND_Stream_GetTime(stream);
    }
    EXPECT_EQ(ends.calls, 1);
    EXPECT_EQ(lastPosition, 2000);
    ASSERT_TRUE(FSOUND_Stream_SetTime(stream, 1900));
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 1900);
    for (int pull = 0; pull < 20; ++pull) {
        Pull(1024);
    }
    EXPECT_EQ(ends.calls, 2);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 2000);
}

TEST_F(SoundControls, ControlsOfAStreamOrChannelThatDoesNotPlayReportWhy) {
    EXPECT_FALSE(FSOUND_SetPaused(0, TRUE));
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_UNINITIALIZED);
    Play(rate);
    FSOUND_STREAM* other = FSOUND_Stream_OpenFile(path.c_str(), FSOUND_LOOP_OFF, 0);
    const auto rejected = [](bool result) {
        return !result && FSOUND_GetError() == FSOUND_ERR_INVALID_PARAM;
    };
    EXPECT_TRUE(rejected(FSOUND_Stream_SetTime(other, 100)));
    EXPECT_TRUE(rejected(FSOUND_Stream_SetTime(nullptr, 100)));
    EXPECT_TRUE(rejected(FSOUND_Stream_SetTime(stream, -1)));
    EXPECT_TRUE(rejected(FSOUND_Stream_SetTime(stream, 1001)));
    EXPECT_TRUE(FSOUND_Stream_SetTime(stream, 1000));
    EXPECT_TRUE(rejected(FSOUND_SetPaused(1, TRUE)));
    EXPECT_TRUE(rejected(FSOUND_SetPaused(FSOUND_FREE, TRUE)));
    EXPECT_TRUE(rejected(FSOUND_GetPaused(3)));
    EXPECT_EQ(FSOUND_Stream_GetLengthMs(nullptr), 0);

    // A new play plays from the start, unpaused.
    ASSERT_TRUE(FSOUND_SetPaused(channel, TRUE));
    ASSERT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    EXPECT_FALSE(FSOUND_GetPaused(channel));
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
}

TEST(AudioFile, SeekGivesExactlyTheSamplesOfDecodingFromTheStart) {
    const std::string music = std::string(TUVORAN_SOURCE_DIR) + "/data/muzak.mp3";
    AudioFileError error = AudioFileError::None;
    const std::unique_ptr<AudioFile> file = OpenAudioFile(music, &error);
    ASSERT_NE(file, nullptr);
    const std::int64_t length = file->Frames();
    const std::vector<float> all = Decoded(music, 0, static_cast<int>(length));
    // Within and across the encoder's frames of 1152, back and forth, to the very end.
    for (const std::int64_t frame :
         {std::int64_t{1500000}, std::int64_t{1}, std::int64_t{1151}, std::int64_t{1152},
          std::int64_t{44101}, length - 700, std::int64_t{0}, length}) {
        SCOPED_TRACE(frame);
        ASSERT_TRUE(file->Seek(frame));
        std::vector<float> read(4096 * 2);
        const int frames = file->Read(read.data(), 4096);
        EXPECT_EQ(frames, std::min<std::int64_t>(4096, length - frame));
        read.resize(static_cast<std::size_t>(frames) * 2);
        EXPECT_TRUE(std::equal(read.begin(), read.end(), all.begin() + frame * 2));
    }
}

} // namespace
