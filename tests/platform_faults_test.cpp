// Every failure of the platform layer, injected through the fake backend into a whole run:
// each ends the run with its message on standard error and exit code 1, or, where nothing
// can be reported, lets the run end as usual; either way the display mode comes back and
// what could be released is released.

#include "app/application.h"
#include "platform/window.h"
#include "support/fake_run.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct OpenFailure {
    const char* primitive; // null: the command line asks for no area
    std::vector<std::string> arguments;
    const char* message;
};

void PrintTo(const OpenFailure& failure, std::ostream* out) {
    *out << (failure.primitive != nullptr ? failure.primitive : "mode");
}

class OpenFailureInARun : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(OpenFailureInARun, EndsTheRunWithItsMessageAndLeavesNothingBehind) {
    const OpenFailure& failure = GetParam();
    ShowFolder folder;
    ClosingBackend backend;
    if (failure.primitive != nullptr) {
        backend.FailOn(failure.primitive);
    }
    const RunResult run = RunShow(backend, folder.Path(), failure.arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, std::string("tuvoran: ") + failure.message + "\n");
    EXPECT_EQ(backend.swaps, 0);
    EXPECT_EQ(backend.DisplayLeftovers(), "");
    EXPECT_FALSE(backend.audioOpen);
}

INSTANTIATE_TEST_SUITE_P(
    EachCode, OpenFailureInARun,
    ::testing::Values(OpenFailure{"SetDisplayMode", {}, "Unable to set videomode"},
                      OpenFailure{"CreateWindow", {}, "Can not create window"},
                      OpenFailure{"AcquireDeviceContext", {}, "Can not acquire dc from window"},
                      OpenFailure{"ChoosePixelFormat", {}, "Not valid videomode"},
                      OpenFailure{"SetPixelFormat", {}, "Unable to set videomode"},
                      OpenFailure{"CreateContext", {}, "Can not create GL context"},
                      OpenFailure{"MakeCurrent", {}, "Can not make current context"},
                      OpenFailure{nullptr, {"640", "0", "32"}, "Mode is not valid"}),
    [](const auto& info) {
        return std::string(info.param.primitive != nullptr ? info.param.primitive : "NoArea");
    });

struct CloseFailure {
    const char* primitive;
    // What the platform cannot give back when the primitive keeps failing.
    bool contextLeft;
    bool windowLeft;
};

void PrintTo(const CloseFailure& failure, std::ostream* out) {
    *out << failure.primitive;
}

class CloseFailureInARun : public ::testing::TestWithParam<CloseFailure> {};

// Close reports nothing: the run ends as it would have, with the desktop's mode back first.
TEST_P(CloseFailureInARun, EndsTheRunAsUsualWithTheDisplayModeBack) {
    const CloseFailure& failure = GetParam();
    ShowFolder folder;
    ClosingBackend backend;
    backend.FailOn(failure.primitive);
    const RunResult run = RunShow(backend, folder.Path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_GT(backend.swaps, 0);
    EXPECT_FALSE(backend.displayModeSet);
    EXPECT_EQ(backend.LiveContexts(), failure.contextLeft ? 1 : 0);
    EXPECT_EQ(backend.LiveWindows(), failure.windowLeft ? 1 : 0);
    EXPECT_FALSE(backend.audioOpen);

    // The window left behind is let go, for the tests that follow in this process.
    backend.Heal();
    const ScopedBackend scope(backend);
    if (const HWND left = GetFocus()) {
        DestroyWindow(left);
    }
}

INSTANTIATE_TEST_SUITE_P(EachCode, CloseFailureInARun,
                         ::testing::Values(CloseFailure{"ReleaseCurrent", true, true},
                                           CloseFailure{"DeleteContext", true, true},
                                           CloseFailure{"ReleaseDeviceContext", false, false},
                                           CloseFailure{"DestroyWindow", false, true}),
                         [](const auto& info) { return std::string(info.param.primitive); });

TEST(PlatformFaults, NoAudioDeviceEndsTheStartUpAfterLoadingWithAdvice) {
    ShowFolder folder;
    ClosingBackend backend;
    backend.FailOn("OpenAudio");
    const RunResult run = RunShow(backend, folder.Path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors,
              "tuvoran: Error initializing output device.\ntuvoran: Connect a loudspeaker.\n");
    EXPECT_EQ(backend.swaps, 0);
    EXPECT_EQ(backend.DisplayLeftovers(), "");
}

LRESULT IgnoreMessages(HWND /*window*/, UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}

TEST(PlatformFaults, RefusedClassRegistrationEndsTheStartUpBeforeAnyWindow) {
    ShowFolder folder;
    ClosingBackend backend;
    WNDCLASSA taken{};
    taken.lpfnWndProc = IgnoreMessages;
    taken.lpszClassName = "Zarvel Project Class";
    ASSERT_NE(RegisterClassA(&taken), 0);
    const RunResult run = RunShow(backend, folder.Path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "tuvoran: Can not register class\n");
    EXPECT_FALSE(backend.displayModeSet);
    EXPECT_EQ(backend.LiveWindows(), 0);
    EXPECT_FALSE(backend.audioOpen);
}

} // namespace
