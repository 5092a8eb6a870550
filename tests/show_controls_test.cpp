// The controls over a show run frame by frame on a fake backend, whose clock and audio
// device the test drives: what the show carries from frame to frame after a seek, a pause
// or a loop, against the show run on the capture's virtual clock.

#include "app/application.h"
#include "app/show_controls.h"
#include "audio/music_stream.h"
#include "display/gl_display.h"
#include "platform/timer.h"
#include "platform/virtual_clock.h"
#include "platform/window.h"
#include "support/fake_backend.h"
#include "support/show_setup.h"
#include "support/test_files.h"
#include "support/tree_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int rate = 44100;
constexpr int fps = 60;

// What the show carries from one frame to the next, and the frame time of the next.
struct State {
    TimelineValues values;
    std::vector<float> cubes;
    std::vector<float> orbits;
    double frameDelta;
};

auto Fields(const TimelineValues& v) {
    return std::tie(v.phase, v.metronomoideAlpha, v.metronomoideScale, v.ovrinScale, v.ovrinAlpha,
                    v.negdegAlpha, v.codeScale, v.kurneScale, v.dospeScale, v.fraluScale,
                    v.tuvoranAlpha, v.cubeAlpha, v.rayAlpha, v.gridWeight, v.particleAlpha);
}

// Exactly equal: the same arithmetic in the same order gives the same bits.
bool operator==(const State& a, const State& b) {
    return Fields(a.values) == Fields(b.values) && a.cubes == b.cubes && a.orbits == b.orbits &&
           a.frameDelta == b.frameDelta;
}

class ShowControlsTest : public ::testing::Test {
protected:
    ShowControlsTest() : scope(backend) {
        application.RegisterWindowClass();
        display = application.CreateDisplay();
        display->Open(640, 480, 32, true);
    }

    ~ShowControlsTest() override {
        display->Close();
        UnregisterClassA(g_windowClassName, g_instance);
    }

    // The show as loaded, its music of musicMs playing, under the controls.
    void Load(const ShowControlOptions& options, int musicMs = 66000) {
        GiveSizes(scene, swarms);
        SetUpShowWithoutPictures(scene, swarms, values);
        const std::string path = folder.File("music.mp3");
        ASSERT_TRUE(WriteToneMp3(path, static_cast<int>(std::int64_t{musicMs} * rate / 1000)));
        ASSERT_EQ(music.Play(path.c_str(), false), 0);
        show = std::make_unique<Show>(Show{*display, application, scene, swarms, values});
        controls = std::make_unique<ShowControls>(*show, application, music, options);
    }

    State Now() const {
        return {values, swarms.cubeSwarm.particles, swarms.particleSwarm.particles,
                application.FrameDelta()};
    }

    // The state that the capture draws frame index from: the show run from its load on the
    // virtual clock, frames before it drawn at their times.
    State CapturesStateBefore(std::int64_t index) {
        Scene otherScene;
        Swarms otherSwarms;
        TimelineValues otherValues;
        GiveSizes(otherScene, otherSwarms);
        SetUpShowWithoutPictures(otherScene, otherSwarms, otherValues);
        // On the timer as it runs, the controls' freezing of it put aside.
        const bool frozen = TimerFrozen();
        ThawTimer();
        const std::uint32_t timeBefore = backend.time;
        backend.time = 0;
        Application clock;
        Show other{*display, clock, otherScene, otherSwarms, otherValues};
        const VirtualClock virtualClock(fps);
        for (std::int64_t frame = 0; frame < index; ++frame) {
            DrawTimeline(other, static_cast<int>(virtualClock.MillisecondsAt(frame)));
            backend.time = static_cast<std::uint32_t>(virtualClock.MillisecondsAt(frame + 1));
            clock.TickFrameClock();
        }
        backend.time = timeBefore;
        if (frozen) {
            FreezeTimer();
        }
        return {otherValues, otherSwarms.cubeSwarm.particles, otherSwarms.particleSwarm.particles,
                clock.FrameDelta()};
    }

    // One pass of the main loop; the frame then takes ms of the clock and of the music.
    // Returns whether the show is to end; the state and time it was drawn from are kept.
    bool Frame(int ms = 16) {
        controls->BeginFrame();
        drawnFrom = Now();
        display->Clear();
        drawnAt = music.GetTime();
        DrawTimeline(*show, drawnAt);
        application.IsKeyDown(VK_ESCAPE);
        display->EndFrame();
        backend.time += static_cast<std::uint32_t>(ms);
        backend.audioNanoseconds = static_cast<std::int64_t>(backend.time) * 1000000;
        const std::int64_t due = static_cast<std::int64_t>(backend.time) * rate / 1000 - pulled;
        backend.PullAudio(static_cast<int>(due));
        pulled += due;
        return controls->EndFrame(drawnAt, music.HasEnded()) != 0;
    }

    // Pressed and released in two frames, as from the keyboard; pressedAt is the time of the
    // frame that saw it.
    void Press(int key) {
        backend.events.push_back(
            {NativeEventType::KeyDown, backend.LastWindowHandle(), key, false, false});
        backend.events.push_back(
            {NativeEventType::KeyUp, backend.LastWindowHandle(), key, false, false});
        Frame(7);
        pressedAt = drawnAt;
        Frame(23);
    }

    static std::int64_t FrameAt(int ms) { return VirtualClock(fps).FrameAtOrAfter(ms); }

    TemporaryFolder folder;
    FakeBackend backend;
    ScopedBackend scope;
    Application application;
    GLDisplay* display = nullptr;
    Scene scene;
    Swarms swarms;
    TimelineValues values;
    MusicStream music;
    std::unique_ptr<Show> show;
    std::unique_ptr<ShowControls> controls;
    std::int64_t pulled = 0;
    State drawnFrom{};
    int drawnAt = -1;
    int pressedAt = -1;
};

TEST_F(ShowControlsTest, AMomentIsReachedWithTheCapturesStateWhateverCameBefore) {
    ShowControlOptions options;
    options.startMs = 20000;
    Load(options);
    Frame();
    EXPECT_EQ(drawnAt, 20000);
    EXPECT_TRUE(drawnFrom == CapturesStateBefore(FrameAt(20000)));

    // Frames of any length, then 5 s back from where the music then is.
    for (const int ms : {3, 40, 17, 9, 120, 16, 16, 33}) {
        Frame(ms);
    }
    Press(VK_LEFT);
    const std::int64_t target = FrameAt(pressedAt - ShowControls::seekStepMs);
    EXPECT_EQ(drawnAt, VirtualClock(fps).MillisecondsAt(target));
    EXPECT_TRUE(drawnFrom == CapturesStateBefore(target));

    Press(VK_HOME);
    EXPECT_EQ(drawnAt, 0);
    EXPECT_TRUE(drawnFrom == CapturesStateBefore(0));
}

TEST_F(ShowControlsTest, APausedShowIsDrawnAgainFromOneStateAndGoesOnWithoutAJump) {
    ShowControlOptions options;
    options.startMs = 39500; // both orbit passes: the first frame's time moves what is drawn
    options.paused = true;
    Load(options);
    Frame(100);
    const State held = drawnFrom;
    EXPECT_TRUE(held == CapturesStateBefore(FrameAt(39500)));
    for (int frame = 0; frame < 5; ++frame) {
        Frame(250);
        EXPECT_EQ(drawnAt, 39500);
        EXPECT_TRUE(drawnFrom == held);
        EXPECT_EQ(music.IsPaused(), 1);
    }
    // Right while paused lands on its frame, still paused.
    Press(VK_RIGHT);
    EXPECT_EQ(drawnAt, 44500);
    EXPECT_TRUE(drawnFrom == CapturesStateBefore(FrameAt(44500)));
    EXPECT_TRUE(controls->Paused());

    Press(VK_SPACE);
    EXPECT_FALSE(controls->Paused());
    EXPECT_EQ(music.IsPaused(), 0);
    // The music goes on from the frame's time, and the frames from their own length.
    int before = drawnAt;
    for (int frame = 0; frame < 10; ++frame) {
        Frame(16);
        EXPECT_GE(drawnAt, before);
        EXPECT_LE(drawnAt, before + 30);
        EXPECT_LE(application.FrameDelta(), 2.31);
        before = drawnAt;
    }
    EXPECT_GT(drawnAt, 44500);

    // Paused while playing: held on the frame on screen, the music back at its time.
    backend.events.push_back(
        {NativeEventType::KeyDown, backend.LastWindowHandle(), VK_SPACE, false, false});
    Frame(16);
    const int pausedAt = drawnAt;
    const State shown = drawnFrom;
    for (int frame = 0; frame < 3; ++frame) {
        Frame(300);
        EXPECT_EQ(drawnAt, pausedAt);
        EXPECT_TRUE(drawnFrom == shown);
    }
}

TEST_F(ShowControlsTest, EachPassOfALoopStartsFromTheStateAtLoad) {
    ShowControlOptions options;
    options.loop = true;
    Load(options, 2000);
    const State atLoad = CapturesStateBefore(0);
    int passes = 0;
    for (int frame = 0; frame < 600 && passes < 3; ++frame) {
        EXPECT_FALSE(Frame());
        if (drawnAt == 0 && frame > 0 && drawnFrom == atLoad) {
            ++passes;
        }
    }
    EXPECT_EQ(passes, 3);
    // A seek past the end starts the next pass too.
    Frame();
    Press(VK_RIGHT);
    EXPECT_EQ(drawnAt, 0);
    EXPECT_TRUE(drawnFrom == atLoad);
}

TEST_F(ShowControlsTest, WithoutALoopASeekPastTheEndEndsTheShow) {
    Load({}, 2000);
    backend.events.push_back(
        {NativeEventType::KeyDown, backend.LastWindowHandle(), VK_RIGHT, false, false});
    EXPECT_TRUE(Frame());
}

// As a page's link to a moment past the music would start it.
TEST_F(ShowControlsTest, AStartPastTheEndEndsTheShowOrStartsItsNextPass) {
    ShowControlOptions options;
    options.startMs = 2500;
    Load(options, 2000);
    EXPECT_TRUE(Frame());

    options.loop = true;
    Load(options, 2000);
    EXPECT_FALSE(Frame());
    EXPECT_FALSE(Frame());
    EXPECT_EQ(drawnAt, 0);
    EXPECT_TRUE(drawnFrom == CapturesStateBefore(0));
}

// The state file follows the seeks and pauses, each time written whole; nothing is written
// without the option.
TEST_F(ShowControlsTest, TheStateFileSaysWhereTheShowIsAfterEachSeekAndPause) {
    ShowControlOptions options;
    options.startMs = 20000;
    options.paused = true;
    options.stateFile = folder.File("state");
    Load(options);
    const auto state = [&] { return ReadText(options.stateFile); };
    Frame();
    // A backend that cannot tell where its window is: the moment alone.
    EXPECT_EQ(state(), "--at=20000 --pause\n");
    Press(VK_RIGHT);
    EXPECT_EQ(state(), "--at=25000 --pause\n");
    Press(VK_SPACE);
    EXPECT_EQ(state(), "--at=25000\n");
    for (int frame = 0; frame < 20; ++frame) {
        Frame(16);
    }
    // Played on: the file says the last seek or pause until the show ends.
    EXPECT_EQ(state(), "--at=25000\n");
    controls->WriteState();
    EXPECT_EQ(state(), "--at=" + std::to_string(drawnAt) + "\n");
    EXPECT_GT(drawnAt, 25000);
    EXPECT_FALSE(std::filesystem::exists(options.stateFile + ".new"));

    std::filesystem::remove(options.stateFile);
    options.stateFile.clear();
    Load(options);
    Frame();
    controls->WriteState();
    EXPECT_EQ(
        std::vector<std::filesystem::path>(std::filesystem::directory_iterator(folder.Path()), {}),
        std::vector<std::filesystem::path>{folder.File("music.mp3")});
}

// Untouched, the show runs to the end of its music, its first frame drawn as it always was.
TEST_F(ShowControlsTest, WithoutALoopTheShowEndsWithItsMusic) {
    Load({}, 2000);
    EXPECT_FALSE(Frame());
    EXPECT_EQ(drawnFrom.frameDelta, 0.0);
    int frames = 1;
    while (!Frame() && frames < 1000) {
        ++frames;
    }
    EXPECT_GE(drawnAt, 1900);
    EXPECT_LT(frames, 200);
}

} // namespace
