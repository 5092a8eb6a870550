// Every failure of the platform layer, injected through the fake backend into a whole run:
// each ends the run with its message on standard error and exit code 1, or, where nothing
// can be reported, lets the run end as usual; either way the display mode comes back and
// what could be released is released.

#include "app/application.h"
#include "platform/failure_advice.h"
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
    const char* part; // what the line below the message says could not start; null: no line
};

void PrintTo(const OpenFailure& failure, std::ostream* out) {
    *out << (failure.primitive != nullptr ? failure.primitive : "mode");
}

class OpenFailureInARun : public ::testing::TestWithParam<OpenFailure> {};

// The message stays the program's own; the backend's reason follows on a line of its own.
TEST_P(OpenFailureInARun, EndsTheRunWithItsMessageAndTheNativeReasonAndLeavesNothingBehind) {
    const OpenFailure& failure = GetParam();
    ShowFolder folder;
    ClosingBackend backend;
    if (failure.primitive != nullptr) {
        backend.FailOn(failure.primitive);
    }
    const RunResult run = RunShow(backend, folder.Path(), failure.arguments);
    EXPECT_EQ(run.exitCode, 1);
    std::string expected = std::string("tuvoran: ") + failure.message + "\n";
    if (failure.part != nullptr) {
        expected +=
            std::string("tuvoran: no ") + failure.part + ": " + failure.primitive + " refused\n";
    }
    EXPECT_EQ(run.errors, expected);
    EXPECT_EQ(backend.swaps, 0);
    EXPECT_EQ(backend.DisplayLeftovers(), "");
    EXPECT_FALSE(backend.audioOpen);
}

// A backend that cannot tell why adds no line, and no line left from before takes its place.
TEST_P(OpenFailureInARun, WithoutANativeReasonEndsTheRunWithTheMessageAlone) {
    const OpenFailure& failure = GetParam();
    ShowFolder folder;
    ClosingBackend backend;
    backend.reasonsGiven = false;
    if (failure.primitive != nullptr) {
        backend.FailOn(failure.primitive);
    }
    if (failure.part != nullptr) {
        SetFailureAdvice("an earlier failure's line");
    }
    const RunResult run = RunShow(backend, folder.Path(), failure.arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, std::string("tuvoran: ") + failure.message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    EachCode, OpenFailureInARun,
    ::testing::Values(
        OpenFailure{"SetDisplayMode",
                    {"800", "600", "16"},
                    "Unable to set videomode",
                    "display mode 800x600x16"},
        OpenFailure{"CreateWindow", {}, "Can not create window", "window"},
        OpenFailure{"AcquireDeviceContext", {}, "Can not acquire dc from window", "device context"},
        OpenFailure{"ChoosePixelFormat", {}, "Not valid videomode", nullptr},
        OpenFailure{"SetPixelFormat", {}, "Unable to set videomode", "pixel format"},
        OpenFailure{"CreateContext", {}, "Can not create GL context", "GL context"},
        OpenFailure{"MakeCurrent", {}, "Can not make current context", "current GL context"},
        OpenFailure{nullptr, {"640", "0", "32"}, "Mode is not valid", nullptr}),
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
    EXPECT_EQ(run.errors, "tuvoran: Error initializing output device.\n"
                          "tuvoran: no sound device: OpenAudio refused\n");
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
