// The music stream on the live backend: real decoding, and SDL's dummy audio driver taking
// samples as a sound card would.

#include "app/error_text.h"
#include "audio/music_stream.h"
#include "platform/sdl/sdl_backend.h"
#include "support/fake_backend.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int rate = 44100;

int MillisecondsSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

void Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

class MusicStreamTest : public ::testing::Test {
protected:
    MusicStreamTest() : backend(CreateSdlBackend()), scope(*backend) {}

    std::string Tone(int milliseconds) const {
        std::string path = folder.File("data/tone.mp3");
        EXPECT_TRUE(WriteToneMp3(path, milliseconds * rate / 1000));
        return path;
    }

    // Reads the position every few milliseconds until done says stop or 10 s have passed.
    template <typename Done>
    static std::vector<int> ReadPositions(const MusicStream& music, Done done) {
        std::vector<int> positions;
        const Clock::time_point start = Clock::now();
        while (!done() && MillisecondsSince(start) < 10000) {
            positions.push_back(music.GetTime());
            Sleep(2);
        }
        return positions;
    }

    TemporaryFolder folder;
    std::unique_ptr<Backend> backend;
    ScopedBackend scope;
};

TEST_F(MusicStreamTest, PositionGrowsWithTimeAndNeverGoesBack) {
    MusicStream music;
    ASSERT_EQ(music.Play(Tone(3000).c_str(), false), 0);
    const Clock::time_point start = Clock::now();
    const std::vector<int> positions =
        ReadPositions(music, [start] { return MillisecondsSince(start) >= 600; });
    const int elapsed = MillisecondsSince(start);

    ASSERT_FALSE(positions.empty());
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_GT(positions.back(), elapsed / 2);
    EXPECT_LE(positions.back(), elapsed + 30);
    EXPECT_EQ(music.HasEnded(), 0);
}

struct EndRecord {
    std::atomic<int> calls{0};
    std::atomic<int> positionAtCall{-1};

    static signed char OnEnd(FSOUND_STREAM* stream, void* /*buffer*/, int /*length*/,
                             void* userData) {
        auto* record = static_cast<EndRecord*>(userData);
        record->positionAtCall = FSOUND_Stream_GetTime(stream);
        ++record->calls;
        return TRUE;
    }
};

TEST_F(MusicStreamTest, EndComesOnceAndOnlyWhenThePositionHasReachedIt) {
    ASSERT_TRUE(FSOUND_Init(rate, 32, 0));
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(Tone(500).c_str(), FSOUND_LOOP_OFF, 0);
    ASSERT_NE(stream, nullptr);
    EndRecord end;
    FSOUND_Stream_SetEndCallback(stream, EndRecord::OnEnd, &end);
    ASSERT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);

    std::vector<int> before;
    const Clock::time_point start = Clock::now();
    while (end.calls == 0 && MillisecondsSince(start) < 10000) {
        before.push_back(FSOUND_Stream_GetTime(stream));
        Sleep(2);
    }
    ASSERT_EQ(end.calls, 1);
    EXPECT_EQ(end.positionAtCall, 500);
    EXPECT_LE(*std::max_element(before.begin(), before.end()), 500);
    Sleep(150);
    EXPECT_EQ(end.calls, 1);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 500);
    FSOUND_Close();
}

TEST_F(MusicStreamTest, LoopingMusicStartsAgainAtItsEnd) {
    MusicStream music;
    ASSERT_EQ(music.Play(Tone(300).c_str(), true), 0);
    ReadPositions(music, [&music] { return music.HasEnded() == 1; });
    ASSERT_EQ(music.HasEnded(), 1);
    const int afterEnd = music.GetTime();
    EXPECT_LT(afterEnd, 150);
    Sleep(100);
    EXPECT_GT(music.GetTime(), afterEnd);
}

TEST_F(MusicStreamTest, FilesThatCannotBePlayedGiveTheLibrarysText) {
    const std::string text = folder.File("data/notes.mp3");
    ASSERT_TRUE(WriteTextFile(text, std::string(4000, 'x')));
    const std::string empty = folder.File("data/empty.mp3");
    ASSERT_TRUE(WriteTextFile(empty, ""));
    const struct {
        std::string path;
        const char* message;
    } cases[] = {{folder.File("data/missing.mp3"), "File not found"},
                 {folder.Path() + "\\no-such-folder\\tone.mp3", "File not found"},
                 {text, "Unknown file format"},
                 {empty, "Unknown file format"},
                 {folder.File("data"), "Error loading file"}};
    for (const auto& failing : cases) {
        MusicStream music;
        SetErrorText("No Error");
        EXPECT_EQ(music.Play(failing.path.c_str(), false), 1) << failing.path;
        EXPECT_STREQ(g_lastError, failing.message) << failing.path;
        EXPECT_EQ(music.HasEnded(), 0);
    }
}

TEST_F(MusicStreamTest, BackslashesSeparateFoldersAsTheProgramWritesThem) {
    Tone(200);
    MusicStream music;
    EXPECT_EQ(music.Play((folder.Path() + "\\data\\tone.mp3").c_str(), false), 0);
}

TEST(SoundErrorText, GivesTheLibrarysTextForEveryCode) {
    const std::pair<int, const char*> texts[] = {
        {0, "No errors"},
        {1, "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first."},
        {2, "This command failed because FSOUND_Init was not called"},
        {3, "Error initializing output device."},
        {4, "The output device is already in use and cannot be reused."},
        {5, "Playing the sound failed."},
        {6, "Soundcard does not support the features needed for this soundsystem (16bit "
            "stereo output)"},
        {7, "Error setting cooperative level for hardware."},
        {8, "Error creating hardware sound buffer."},
        {9, "File not found"},
        {10, "Unknown file format"},
        {11, "Error loading file"},
        {12, "Not enough memory "},
        {13, "The version number of this file format is not supported"},
        {14, "An invalid parameter was passed to this function"},
        {15, "Tried to use an EAX command on a non EAX enabled channel or output."},
        {16, "Tried to use an advanced EAX2 command on a non EAX2 enabled channel or output."},
        {17, "Failed to allocate a new channel"},
        {18, "Recording not supported on this device"},
        {19, "Required Mediaplayer codec is not installed"},
        {20, "Unknown error"},
        {1000, "Unknown error"},
        {-1, "Unknown error"},
        {-20, "Unknown error"},
    };
    for (const auto& [code, text] : texts) {
        EXPECT_STREQ(SoundErrorText(code), text) << code;
    }
}

} // namespace
