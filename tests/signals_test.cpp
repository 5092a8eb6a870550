// SIGINT and SIGTERM at each moment of a whole run on the fake backend, raised from inside
// the backend's own calls: before the window exists, while the pictures load, during the
// show and while the run is already shutting down. Each ends the run as closing the window
// does: within two frames of the first one that could see it, exit code 0, nothing on
// standard error, and the display mode back.

#include "support/fake_run.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace {

// A run that would show this many frames if no signal ended it sooner.
constexpr int framesOfAWholeRun = 200;

class SignallingBackend : public ClosingBackend {
public:
    SignallingBackend(std::string moment, std::vector<int> signals, int framesBeforeClose)
        : ClosingBackend(framesBeforeClose), moment(std::move(moment)),
          signals(std::move(signals)) {}

    bool OpenAudio(const AudioRequest& request, AudioDevice* opened) override {
        RaiseAt("OpenAudio");
        return ClosingBackend::OpenAudio(request, opened);
    }
    bool SetDisplayMode(int width, int height, int bits) override {
        RaiseAt("SetDisplayMode");
        return ClosingBackend::SetDisplayMode(width, height, bits);
    }
    void ShowWindow(NativeWindow* window, bool visible) override {
        RaiseAt("ShowWindow");
        ClosingBackend::ShowWindow(window, visible);
    }
    void SwapBuffers(NativeWindow* window) override {
        ClosingBackend::SwapBuffers(window);
        if (swaps == 5) {
            RaiseAt("SwapBuffers");
        }
    }
    void RestoreDisplayMode() override {
        RaiseAt("RestoreDisplayMode");
        ClosingBackend::RestoreDisplayMode();
    }

    int raised = 0;

private:
    void RaiseAt(const char* call) {
        if (moment == call) {
            for (const int signal : signals) {
                std::raise(signal);
                ++raised;
            }
        }
    }

    std::string moment;
    std::vector<int> signals;
};

struct Moment {
    const char* call; // the backend call the signals come from
    const char* name;
    std::vector<int> signals;
    int lastFrame; // the run shows no frame after this one
};

void PrintTo(const Moment& moment, std::ostream* out) {
    *out << moment.name;
}

class SignalInARun : public ::testing::TestWithParam<Moment> {};

TEST_P(SignalInARun, EndsItCleanlyWithExitCodeZero) {
    const Moment& moment = GetParam();
    ShowFolder folder;
    const bool duringShutdown = std::string(moment.call) == "RestoreDisplayMode";
    SignallingBackend backend(moment.call, moment.signals, duringShutdown ? 3 : framesOfAWholeRun);
    const RunResult run = RunShow(backend, folder.Path());
    EXPECT_EQ(backend.raised, static_cast<int>(moment.signals.size()));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_GT(backend.swaps, 0);
    EXPECT_LE(backend.swaps, moment.lastFrame);
    EXPECT_EQ(backend.DisplayLeftovers(), "");
    EXPECT_FALSE(backend.audioOpen);
}

INSTANTIATE_TEST_SUITE_P(
    EachMoment, SignalInARun,
    ::testing::Values(
        // The music stream is made before any window, the display mode is set before its
        // window, and the window is shown just before the pictures load.
        Moment{"OpenAudio", "BeforeTheWindow", {SIGINT}, 2},
        Moment{"SetDisplayMode", "AsTheDisplayOpens", {SIGTERM}, 2},
        Moment{"ShowWindow", "WhileThePicturesLoad", {SIGINT}, 2},
        Moment{"SwapBuffers", "DuringTheShow", {SIGTERM}, 7},
        Moment{"SwapBuffers", "TwiceDuringTheShow", {SIGINT, SIGINT}, 7},
        // The window has been closed; the display mode is on its way back.
        Moment{"RestoreDisplayMode", "DuringTheShutdown", {SIGTERM, SIGINT, SIGTERM}, 4}),
    [](const auto& info) { return std::string(info.param.name); });

// Boxes allowed, as on a desktop, for the life of the object.
class BoxesAllowed {
public:
    BoxesAllowed() { setenv("TUVORAN_NO_MESSAGE_BOX", "0", 1); }
    ~BoxesAllowed() { setenv("TUVORAN_NO_MESSAGE_BOX", "1", 1); }
    BoxesAllowed(const BoxesAllowed&) = delete;
    BoxesAllowed& operator=(const BoxesAllowed&) = delete;
};

// A signal that came while the pictures loaded has asked the run to end: a start-up that
// then fails says why on standard error only, and nobody has to close a box.
TEST(SignalBeforeAFailure, EndsTheRunWithoutAMessageBox) {
    const BoxesAllowed boxes;
    for (const bool signalled : {false, true}) {
        SCOPED_TRACE(signalled ? "signalled" : "not signalled");
        ShowFolder folder;
        folder.Remove("xv5.jpg");
        SignallingBackend backend(signalled ? "ShowWindow" : "", {SIGTERM}, framesOfAWholeRun);
        const RunResult run = RunShow(backend, folder.Path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.errors, "tuvoran: Can not load file : data\\xv5.jpg\n");
        EXPECT_EQ(backend.messageBoxes, signalled ? 0 : 1);
        EXPECT_EQ(backend.DisplayLeftovers(), "");
    }
}

} // namespace
