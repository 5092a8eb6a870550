// The capture backend under the real program classes: the display opened on an offscreen
// OpenGL surface, the real sound layer decoding music, and a sink that records what the
// backend hands on.

#include "audio/music_stream.h"
#include "platform/audio_file.h"
#include "platform/offscreen/offscreen_backend.h"
#include "platform/virtual_clock.h"
#include "support/fake_backend.h"
#include "support/shell.h"
#include "support/test_files.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Frame {
    std::int64_t index;
    std::uint32_t timeMs;
    int width;
    int height;
    std::vector<std::uint8_t> pixels;

    // Blue, green, red of the pixel x from the left and y from the top.
    std::vector<int> At(int x, int y) const {
        const std::size_t offset = (static_cast<std::size_t>(height - 1 - y) * width + x) * 4;
        return {pixels[offset], pixels[offset + 1], pixels[offset + 2]};
    }
};

class RecordingSink final : public CaptureSink {
public:
    bool WantsFrame(std::int64_t /*index*/, std::uint32_t /*timeMs*/) override { return readBack; }
    void TakeFrame(const CapturedFrame& frame) override {
        const std::size_t bytes = static_cast<std::size_t>(frame.width) * frame.height * 4;
        frames.push_back({frame.index, frame.timeMs, frame.width, frame.height,
                          std::vector<std::uint8_t>(frame.pixels, frame.pixels + bytes)});
    }
    void StartAudio(int rate, int channels) override {
        audioRate = rate;
        audioChannels = channels;
    }
    void TakeAudio(const float* samples, int count) override {
        audio.insert(audio.end(), samples, samples + static_cast<std::ptrdiff_t>(count) * 2);
    }
    bool FrameDone(std::int64_t index) override {
        done.push_back(index);
        return stopAfter < 0 || index < stopAfter;
    }

    bool readBack = false;
    std::int64_t stopAfter = -1;
    std::vector<Frame> frames;
    int audioRate = 0;
    int audioChannels = 0;
    std::vector<float> audio;
    std::vector<std::int64_t> done;
};

// The backend made current, then the Application with its display, as the start-up makes
// them; taken down in the reverse order.
class Rig {
public:
    explicit Rig(int fps)
        : backend(CreateOffscreenBackend(fps, sink)),
          scope(std::make_unique<ScopedBackend>(*backend)), shell(std::make_unique<Shell>()) {}
    ~Rig() {
        shell.reset();
        scope.reset();
        backend.reset();
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    GLDisplay& Display() { return shell->Display(); }
    Application& App() { return shell->App(); }

    RecordingSink sink;

private:
    std::unique_ptr<Backend> backend;
    std::unique_ptr<ScopedBackend> scope;
    std::unique_ptr<Shell> shell;
};

std::vector<float> Decode(const std::string& path) {
    AudioFileError error = AudioFileError::None;
    const std::unique_ptr<AudioFile> file = OpenAudioFile(path, &error);
    EXPECT_EQ(error, AudioFileError::None);
    std::vector<float> samples(1 << 16);
    std::vector<float> all;
    for (int read = file->Read(samples.data(), 1 << 15); read > 0;
         read = file->Read(samples.data(), 1 << 15)) {
        all.insert(all.end(), samples.begin(),
                   samples.begin() + static_cast<std::ptrdiff_t>(read) * file->Channels());
    }
    return all;
}

// The main loop's reading of the clocks, frame by frame, at frame rates and music rates
// whose frames do not fall on whole samples or whole milliseconds.
TEST(OffscreenBackend, MusicTimeAndFrameDeltaFollowTheVirtualClockExactly) {
    for (const int fps : {24, 30, 60, 125}) {
        for (const int rate : {44100, 22050, 48000}) {
            SCOPED_TRACE(std::to_string(fps) + " fps, " + std::to_string(rate) + " Hz");
            TemporaryFolder folder;
            const std::string path = folder.File("tone.mp3");
            const int length = rate * 3 / 4;
            ASSERT_TRUE(WriteToneMp3(path, length, rate));
            const VirtualClock clock(fps);
            const std::int64_t expectedFrames = clock.FramesBeforeAudioEnds(length, rate);

            Rig rig(fps);
            ASSERT_EQ(rig.Display().Open(64, 48, 32, true), 0);
            MusicStream music;
            ASSERT_EQ(music.Play(path.c_str(), false), 0);
            std::int64_t frame = 0;
            int previous = 0;
            for (;; ++frame) {
                ASSERT_LT(frame, expectedFrames);
                rig.Display().Clear();
                const int t = music.GetTime();
                ASSERT_EQ(t, clock.MillisecondsAt(frame)) << "frame " << frame;
                ASSERT_DOUBLE_EQ(rig.App().FrameDelta(), 0.1 * (t - previous)) << "frame " << frame;
                previous = t;
                ASSERT_EQ(rig.Display().EndFrame(), 0);
                if (music.HasEnded() != 0) {
                    break;
                }
            }
            // The end is seen in the frame whose presentation took the last sample.
            EXPECT_EQ(frame + 1, expectedFrames);
            EXPECT_EQ(music.GetTime(), static_cast<int>(std::int64_t{length} * 1000 / rate));

            // Every sample decoded, in order, no gap; silence only after the end.
            const std::vector<float> decoded = Decode(path);
            ASSERT_EQ(rig.sink.audioRate, rate);
            ASSERT_EQ(rig.sink.audio.size(),
                      static_cast<std::size_t>(clock.AudioFramesAt(expectedFrames, rate)) * 2);
            EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), rig.sink.audio.begin()));
            EXPECT_TRUE(std::all_of(rig.sink.audio.begin() + decoded.size(), rig.sink.audio.end(),
                                    [](float s) { return s == 0.0f; }));
        }
    }
}

// Full screen at any mode, the frame read back the right way up, handed with its time.
TEST(OffscreenBackend, FramesComeBackAtTheModesSizeWithTheirTimes) {
    Rig rig(30);
    rig.sink.readBack = true;
    GLDisplay& display = rig.Display();
    ASSERT_EQ(display.Open(67, 41, 16, true), 0);
    for (int frame = 0; frame < 3; ++frame) {
        display.Clear();
        display.Begin2D(67.0f, 41.0f);
        glDisable(GL_TEXTURE_2D);
        glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
        glBegin(GL_QUADS); // the top-left corner, 10 x 10 pixels
        glVertex2f(0.0f, 0.0f);
        glVertex2f(10.0f, 0.0f);
        glVertex2f(10.0f, 10.0f);
        glVertex2f(0.0f, 10.0f);
        glEnd();
        ASSERT_EQ(display.EndFrame(), 0);
    }
    display.Close(); // hands on the frame still being read

    ASSERT_EQ(rig.sink.frames.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const Frame& frame = rig.sink.frames[i];
        EXPECT_EQ(frame.index, static_cast<std::int64_t>(i));
        EXPECT_EQ(frame.timeMs, static_cast<std::uint32_t>(i * 1000 / 30));
        ASSERT_EQ(frame.width, 67);
        ASSERT_EQ(frame.height, 41);
        EXPECT_EQ(frame.At(2, 2), (std::vector<int>{0, 0, 255}));
        EXPECT_EQ(frame.At(8, 8), (std::vector<int>{0, 0, 255}));
        EXPECT_EQ(frame.At(12, 2), (std::vector<int>{0, 0, 0}));
        EXPECT_EQ(frame.At(2, 38), (std::vector<int>{0, 0, 0}));
        EXPECT_EQ(frame.At(66, 40), (std::vector<int>{0, 0, 0}));
    }
}

// The capture says it has enough: the window is closed as a user would close it, and
// nothing more is handed on.
TEST(OffscreenBackend, ACaptureThatHasEnoughClosesTheWindow) {
    TemporaryFolder folder;
    const std::string path = folder.File("tone.mp3");
    ASSERT_TRUE(WriteToneMp3(path, 44100));
    Rig rig(60);
    rig.sink.readBack = true;
    rig.sink.stopAfter = 5;
    ASSERT_EQ(rig.Display().Open(32, 24, 32, true), 0);
    MusicStream music;
    ASSERT_EQ(music.Play(path.c_str(), false), 0);
    int frames = 0;
    while (frames < 20) {
        rig.Display().Clear();
        ++frames;
        if (rig.Display().EndFrame() != 0) {
            break;
        }
    }
    EXPECT_LE(frames, 8); // the close takes a frame to reach the window procedure
    EXPECT_EQ(rig.sink.done, (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(rig.sink.frames.size(), 6u);
    EXPECT_EQ(rig.sink.frames.back().index, 5);
    EXPECT_EQ(rig.sink.audio.size(),
              static_cast<std::size_t>(VirtualClock(60).AudioFramesAt(6, 44100)) * 2);
}

} // namespace
