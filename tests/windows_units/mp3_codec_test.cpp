// The music as the Windows build decodes it, with libmpg123 built in its own DLL and none of
// the system's MP3 codecs (switched off in Wine under the tests): sample for sample what
// libmpg123 gives on Linux, and played by the sound layer to the same end.

#include "audio/music_stream.h"
#include "platform/audio_file.h"
#include "platform/sound.h"
#include "support/fake_backend.h"
#include "support/show_music.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string showMusic = std::string(TUVORAN_SOURCE_DIR) + "/data/muzak.mp3";

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<AudioFile> Open(const std::string& path, AudioFileError expected) {
    AudioFileError error = AudioFileError::None;
    std::unique_ptr<AudioFile> file = OpenAudioFile(path, &error);
    EXPECT_EQ(error, expected) << path;
    EXPECT_EQ(file != nullptr, expected == AudioFileError::None) << path;
    return file;
}

std::vector<float> DecodeAll(AudioFile& file) {
    std::vector<float> samples;
    constexpr int chunkFrames = 4096;
    std::vector<float> chunk(static_cast<std::size_t>(chunkFrames) * file.Channels());
    for (int read = 0; (read = file.Read(chunk.data(), chunkFrames)) > 0;) {
        samples.insert(samples.end(), chunk.begin(),
                       chunk.begin() + static_cast<std::ptrdiff_t>(read) * file.Channels());
    }
    return samples;
}

void ExpectShowMusicSamples(const std::vector<float>& samples) {
    for (const MusicSample& sample : showMusicSamples) {
        SCOPED_TRACE(sample.frame);
        const auto at = static_cast<std::size_t>(sample.frame) * 2;
        ASSERT_LT(at + 1, samples.size());
        // The same library as on Linux: the same floats, to the digits kept of them.
        EXPECT_NEAR(samples[at], sample.left, 1e-6);
        EXPECT_NEAR(samples[at + 1], sample.right, 1e-6);
    }
}

TEST(Mp3Codec, TheShowsMusicDecodesToWhatLinuxPlaysSampleForSample) {
    const std::unique_ptr<AudioFile> file = Open(showMusic, AudioFileError::None);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Rate(), showMusicRate);
    EXPECT_EQ(file->Channels(), 2);
    EXPECT_EQ(file->Frames(), showMusicFrames);
    const std::vector<float> samples = DecodeAll(*file);
    EXPECT_EQ(static_cast<std::int64_t>(samples.size()), showMusicFrames * 2);
    ExpectShowMusicSamples(samples);

    // Played again from the start, nothing of the first pass comes out.
    ASSERT_TRUE(file->Rewind());
    EXPECT_EQ(DecodeAll(*file), samples);
}

// A seek anywhere gives what a pass from the start gives there, to the end: within three
// steps of 16 bits of the pass's (the decoder starts again a few frames before, and its state
// converges to a step or so), where a seek one sample off would be hundreds of steps off on
// this music.
TEST(Mp3Codec, ASeekGivesTheSamplesAPassFromTheStartGives) {
    const std::unique_ptr<AudioFile> file = Open(showMusic, AudioFileError::None);
    ASSERT_NE(file, nullptr);
    const std::vector<float> whole = DecodeAll(*file);
    for (const std::int64_t frame :
         {std::int64_t{1}, std::int64_t{1151}, std::int64_t{88201}, std::int64_t{1455300},
          showMusicFrames - 1000, showMusicFrames - 1, showMusicFrames, std::int64_t{0}}) {
        SCOPED_TRACE(frame);
        ASSERT_TRUE(file->Seek(frame));
        const std::vector<float> rest = DecodeAll(*file);
        ASSERT_EQ(static_cast<std::int64_t>(rest.size()), (showMusicFrames - frame) * 2);
        float worst = 0.0f;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            worst = std::max(worst,
                             std::fabs(rest[i] - whole[static_cast<std::size_t>(frame) * 2 + i]));
        }
        EXPECT_LE(worst, 3.0f / 32768.0f);
    }
    EXPECT_TRUE(file->Seek(showMusicFrames + 5));
    std::vector<float> nothing(16);
    EXPECT_EQ(file->Read(nothing.data(), 8), 0);
    EXPECT_FALSE(file->Seek(-1));
}

TEST(Mp3Codec, AnId3TagBeforeTheMusicChangesNothing) {
    const TemporaryFolder folder;
    std::string tag = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    tag += std::string(20, '\0');
    const std::string tagged = folder.File("tagged.mp3");
    ASSERT_TRUE(WriteTextFile(tagged, tag + ReadBytes(showMusic)));
    const std::unique_ptr<AudioFile> file = Open(tagged, AudioFileError::None);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Frames(), showMusicFrames);
    ExpectShowMusicSamples(DecodeAll(*file));
}

TEST(Mp3Codec, MusicCutShortPlaysForAsLongAsItLasts) {
    const TemporaryFolder folder;
    const std::string cut = folder.File("cut.mp3");
    const std::string bytes = ReadBytes(showMusic);
    ASSERT_TRUE(WriteTextFile(cut, bytes.substr(0, bytes.size() / 2 + 77)));
    const std::unique_ptr<AudioFile> file = Open(cut, AudioFileError::None);
    ASSERT_NE(file, nullptr);
    const auto decoded = static_cast<std::int64_t>(DecodeAll(*file).size() / 2);
    EXPECT_EQ(decoded, file->Frames());
    EXPECT_GT(decoded, showMusicFrames / 2 - showMusicRate / 10);
    EXPECT_LT(decoded, showMusicFrames / 2 + showMusicRate / 10);
}

TEST(Mp3Codec, FilesThatAreNotMusicAreToldApart) {
    const TemporaryFolder folder;
    Open(folder.File("missing.mp3"), AudioFileError::NotFound);
    ASSERT_TRUE(WriteTextFile(folder.File("empty.mp3"), ""));
    Open(folder.File("empty.mp3"), AudioFileError::NotAudio);
    ASSERT_TRUE(WriteTextFile(folder.File("text.mp3"), std::string(5000, 'x')));
    Open(folder.File("text.mp3"), AudioFileError::NotAudio);
    std::filesystem::create_directories(folder.File("folder.mp3"));
    Open(folder.File("folder.mp3"), AudioFileError::Unreadable);
}

// The sound layer's rules over the Windows decoder: the position is what the device was
// handed less what it holds, and the end comes once, at the music's length.
TEST(Mp3Codec, TheSoundLayerPlaysTheShowsMusicToItsEnd) {
    constexpr std::int64_t pullFrames = 4410;
    constexpr std::int64_t nanosecondsPerSecond = 1000000000;
    FakeBackend backend;
    backend.audioLatencyFrames = static_cast<int>(pullFrames);
    const ScopedBackend scope(backend);
    ASSERT_TRUE(FSOUND_Init(showMusicRate, 32, 0));
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile("data\\muzak.mp3", FSOUND_LOOP_OFF, 0);
    ASSERT_NE(stream, nullptr);
    int ends = 0;
    FSOUND_Stream_SetEndCallback(
        stream,
        [](FSOUND_STREAM*, void*, int, void* count) -> signed char {
            ++*static_cast<int*>(count);
            return TRUE;
        },
        &ends);
    ASSERT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    std::int64_t handed = 0;
    while (handed < showMusicFrames + 2 * pullFrames) {
        backend.audioNanoseconds = handed * nanosecondsPerSecond / showMusicRate;
        backend.PullAudio(static_cast<int>(pullFrames));
        handed += pullFrames;
        const std::int64_t heard = std::min(handed - pullFrames, showMusicFrames);
        ASSERT_EQ(FSOUND_Stream_GetTime(stream), heard * 1000 / showMusicRate) << handed;
        ASSERT_EQ(ends, handed - pullFrames >= showMusicFrames ? 1 : 0) << handed;
    }
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 66000);
    FSOUND_Close();
}

} // namespace
