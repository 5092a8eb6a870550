// The makers' controls of the live program, seen from outside: started at a moment, paused,
// moved on and back with the keys, looped; each frame it lands on read back from the X
// display and compared with the capture's frame at that moment, drawn by the same renderer.

#include "support/process.h"
#include "support/test_files.h"
#include "support/x_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int width = 320;
constexpr int height = 240;
constexpr int startupMs = 30000;
constexpr int settleMs = 10000;

class ProgramControls : public ::testing::Test {
protected:
    // The show's pictures, and its music or a stand-in track of standInSeconds.
    explicit ProgramControls(int standInSeconds = 0) {
        const fs::path data = fs::path(TUVORAN_SOURCE_DIR) / "data";
        for (const auto& entry : fs::directory_iterator(data)) {
            if (entry.path().extension() == ".jpg" || standInSeconds == 0) {
                fs::create_symlink(entry.path(),
                                   folder.File("data/" + entry.path().filename().string()));
            }
        }
        if (standInSeconds > 0) {
            EXPECT_TRUE(WriteToneMp3(folder.File("data/muzak.mp3"), standInSeconds * 44100));
        }
    }

    ChildProcess Start(const std::vector<std::string>& arguments) const {
        std::vector<std::string> command{TUVORAN_BINARY};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return ChildProcess(command, {}, folder.Path());
    }

    // The capture's stills at those times, at the window's size, in stills/.
    void CaptureStills(const std::string& times) const {
        ChildProcess capture({TUVORAN_CAPTURE_BINARY, "--png", "stills", "--size",
                              std::to_string(width) + "x" + std::to_string(height), "--at", times,
                              "--quiet"},
                             {}, folder.Path());
        ASSERT_EQ(capture.Wait(120000), 0) << capture.ErrorOutput();
    }

    std::string Still(int ms) const {
        return folder.Path() + "/stills/at-" + std::to_string(ms) + ".png";
    }

    // Waits until the show's window shows the capture's frame at ms, to within one level;
    // the largest difference seen last.
    int WaitForFrame(int ms, int timeoutMs = settleMs) const {
        int difference = 256;
        WaitUntil(
            [&] {
                unsigned long window = 0;
                difference = FindShownWindow("Tuvoran", &window)
                                 ? LargestDifferenceFromStill(GrabWindow(window), Still(ms))
                                 : 256;
                return difference <= 1;
            },
            timeoutMs);
        return difference;
    }

    static void Press(const char* key) { PressKeys({key}); }

    TemporaryFolder folder;
};

TEST_F(ProgramControls, AtAndPauseHoldTheCapturesFrameAtThatMoment) {
    CaptureStills("3000,20000,33000");
    for (const int ms : {3000, 20000, 33000}) {
        SCOPED_TRACE(ms);
        ChildProcess program =
            Start({"--at", std::to_string(ms), "--pause",
                   "--window=" + std::to_string(width) + "x" + std::to_string(height)});
        EXPECT_LE(WaitForFrame(ms, startupMs), 1) << program.ErrorOutput();
        // Held: still the same frame a while later.
        WaitUntil([] { return false; }, 300);
        EXPECT_LE(WaitForFrame(ms, 0), 1);
        EXPECT_EQ(EndWithEscape(program, startupMs), 0) << program.ErrorOutput();
    }
}

// Where a seek lands does not depend on what came before it: on the capture's frame.
TEST_F(ProgramControls, SeeksWithTheKeysLandOnTheCapturesFrames) {
    CaptureStills("0,5000,10000,15000");
    ChildProcess program =
        Start({"--pause", "--window=" + std::to_string(width) + "x" + std::to_string(height)});
    EXPECT_LE(WaitForFrame(0, startupMs), 1) << program.ErrorOutput();
    for (const char* key : {"Right", "Right", "Right"}) {
        Press(key);
    }
    EXPECT_LE(WaitForFrame(15000), 1);
    Press("Left");
    EXPECT_LE(WaitForFrame(10000), 1);
    // Played a little and paused again, then back to the start and on.
    Press("space");
    WaitUntil([] { return false; }, 500);
    Press("space");
    Press("Home");
    EXPECT_LE(WaitForFrame(0), 1);
    Press("Right");
    EXPECT_LE(WaitForFrame(5000), 1);
    EXPECT_EQ(EndWithEscape(program, startupMs), 0) << program.ErrorOutput();
}

TEST_F(ProgramControls, TimesThatTheMusicDoesNotHaveAreRefusedBeforeAnythingOpens) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--at", "-5"},
                                                      {"--at", "x"},
                                                      {"--at=999999"},
                                                      {"--at", "66000"},
                                                      {"--at"}}) {
        SCOPED_TRACE(arguments.back());
        ChildProcess program = Start(arguments);
        EXPECT_EQ(program.Wait(10000), 2);
        const std::string errors = program.ErrorOutput();
        EXPECT_NE(errors.find("--at"), std::string::npos) << errors;
        EXPECT_NE(errors.find("Usage: tuvoran"), std::string::npos) << errors;
        EXPECT_FALSE(WindowShown("Tuvoran"));
    }
}

class ProgramLoop : public ProgramControls {
protected:
    ProgramLoop() : ProgramControls(2) {}
};

TEST_F(ProgramLoop, LoopPlaysTheShowAgainAndAgainUntilEscape) {
    ChildProcess program = Start({"--loop", "--window=160x120"});
    EXPECT_TRUE(WaitUntil([] { return WindowShown("Tuvoran"); }, startupMs));
    // Three passes of the two-second music, and more.
    WaitUntil([] { return false; }, 7000);
    EXPECT_TRUE(program.Running()) << program.ErrorOutput();
    EXPECT_EQ(EndWithEscape(program, startupMs), 0) << program.ErrorOutput();

    // Without it, the show ends with its music.
    ChildProcess once = Start({"--window=160x120"});
    EXPECT_EQ(once.Wait(startupMs), 0) << once.ErrorOutput();
}

} // namespace
