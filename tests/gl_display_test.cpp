// Opening and closing the display against a fake backend: each failure's code and message,
// and what each failure leaves behind.

#include "app/error_text.h"
#include "display/gl_display.h"
#include "support/fake_backend.h"
#include "support/shell.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

class GLDisplayTest : public ::testing::Test {
protected:
    GLDisplayTest() : scope(backend) {}

    // ShowCursor reports the counter it leaves; asking twice leaves it as it was.
    static int CursorCount() {
        ShowCursor(TRUE);
        return ShowCursor(FALSE);
    }

    FakeBackend backend;
    ScopedBackend scope;
};

TEST_F(GLDisplayTest, RejectsAModeWithoutAreaBeforeTouchingAnything) {
    Shell shell;
    const int cursor = CursorCount();
    for (const auto& [width, height] : {std::pair{0, 480}, std::pair{640, -1}}) {
        SetErrorText("No Error");
        EXPECT_EQ(shell.Display().Open(width, height, 32, true), 11);
        EXPECT_STREQ(g_lastError, "Mode is not valid");
        EXPECT_FALSE(backend.displayModeSet);
        EXPECT_EQ(backend.LiveWindows(), 0);
        EXPECT_EQ(CursorCount(), cursor);
    }
}

TEST_F(GLDisplayTest, RefusedModeChangeLeavesNoWindow) {
    Shell shell;
    const int cursor = CursorCount();
    backend.FailOn("SetDisplayMode");
    EXPECT_EQ(shell.Display().Open(640, 480, 32, true), 1);
    EXPECT_STREQ(g_lastError, "Unable to set videomode");
    EXPECT_EQ(backend.LiveWindows(), 0);
    EXPECT_EQ(CursorCount(), cursor);
    EXPECT_FALSE(shell.Display().IsOpen());
}

struct OpenFailure {
    const char* primitive;
    int code;
    const char* message;
};

void PrintTo(const OpenFailure& failure, std::ostream* out) {
    *out << failure.primitive;
}

class GLDisplayOpenFailure : public GLDisplayTest,
                             public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(GLDisplayOpenFailure, ReleasesWhatTheOpeningAcquired) {
    const OpenFailure& failure = GetParam();
    Shell shell;
    const int cursor = CursorCount();
    backend.FailOn(failure.primitive);

    EXPECT_EQ(shell.Display().Open(640, 480, 32, true), failure.code);
    EXPECT_STREQ(g_lastError, failure.message);
    EXPECT_FALSE(shell.Display().IsOpen());
    EXPECT_EQ(backend.DisplayLeftovers(), "");
    // Lowered twice on the way in, raised once on the way out.
    EXPECT_EQ(CursorCount(), cursor - 1);

    backend.Heal();
    EXPECT_EQ(shell.Display().Close(), 5);
    EXPECT_EQ(shell.Display().Open(640, 480, 32, true), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, GLDisplayOpenFailure,
    ::testing::Values(OpenFailure{"CreateWindow", 2, "Can not create window"},
                      OpenFailure{"AcquireDeviceContext", 3, "Can not acquire dc from window"},
                      OpenFailure{"ChoosePixelFormat", 4, "Not valid videomode"},
                      OpenFailure{"SetPixelFormat", 5, "Unable to set videomode"},
                      OpenFailure{"CreateContext", 6, "Can not create GL context"},
                      OpenFailure{"MakeCurrent", 7, "Can not make current context"}),
    [](const auto& info) { return std::string(info.param.primitive); });

TEST_F(GLDisplayTest, FullScreenOpenAndCloseRestoreTheDesktop) {
    Shell shell;
    const int cursor = CursorCount();
    ASSERT_EQ(shell.Display().Open(640, 480, 32, true), 0);
    EXPECT_TRUE(backend.displayModeSet);
    EXPECT_TRUE(backend.LastWindow()->description.fullscreen);
    EXPECT_TRUE(backend.LastWindow()->shown);
    EXPECT_TRUE(backend.contextCurrent);
    EXPECT_EQ(CursorCount(), cursor - 2);

    EXPECT_EQ(shell.Display().Close(), 0);
    EXPECT_EQ(backend.DisplayLeftovers(), "");
    EXPECT_EQ(CursorCount(), cursor - 1);
    EXPECT_EQ(shell.Display().Close(), 5);
}

TEST_F(GLDisplayTest, AsksForTheModesBitsAndA16BitDepthBuffer) {
    Shell shell;
    ASSERT_EQ(shell.Display().Open(800, 600, 16, true), 0);
    EXPECT_EQ(backend.displayModeBits, 16);
    EXPECT_EQ(backend.wantedFormat.colorBits, 16);
    EXPECT_EQ(backend.wantedFormat.depthBits, 16);
    EXPECT_EQ(backend.wantedFormat.stencilBits, 0);
}

TEST_F(GLDisplayTest, WindowedClientAreaIsExactlyTheMode) {
    Shell shell;
    ASSERT_EQ(shell.Display().Open(320, 200, 32, false), 0);
    const NativeWindowDescription& window = backend.LastWindow()->description;
    EXPECT_FALSE(window.fullscreen);
    EXPECT_EQ(window.width, 320);
    EXPECT_EQ(window.height, 200);
    EXPECT_FALSE(backend.displayModeSet);
}

TEST_F(GLDisplayTest, OpeningAnOpenDisplayClosesTheFirstOpening) {
    Shell shell;
    ASSERT_EQ(shell.Display().Open(320, 200, 32, false), 0);
    ASSERT_EQ(shell.Display().Open(640, 480, 32, false), 0);
    EXPECT_EQ(backend.LiveWindows(), 1);
    // The second window may reuse the first one's memory: tell them apart by size.
    EXPECT_EQ(backend.LastWindow()->description.width, 640);
    EXPECT_EQ(backend.LiveContexts(), 1);
}

struct CloseFailure {
    const char* primitive;
    int code;
};

void PrintTo(const CloseFailure& failure, std::ostream* out) {
    *out << failure.primitive;
}

class GLDisplayCloseFailure : public GLDisplayTest,
                              public ::testing::WithParamInterface<CloseFailure> {};

TEST_P(GLDisplayCloseFailure, StaysOpenAndTheNextCloseFinishes) {
    Shell shell;
    ASSERT_EQ(shell.Display().Open(640, 480, 32, true), 0);
    backend.FailOn(GetParam().primitive);
    EXPECT_EQ(shell.Display().Close(), GetParam().code);
    EXPECT_TRUE(shell.Display().IsOpen());
    EXPECT_FALSE(backend.displayModeSet); // the mode comes back first

    backend.Heal();
    EXPECT_EQ(shell.Display().Close(), 0);
    EXPECT_FALSE(shell.Display().IsOpen());
}

INSTANTIATE_TEST_SUITE_P(EachRelease, GLDisplayCloseFailure,
                         ::testing::Values(CloseFailure{"ReleaseCurrent", 1},
                                           CloseFailure{"DeleteContext", 2},
                                           CloseFailure{"ReleaseDeviceContext", 3},
                                           CloseFailure{"DestroyWindow", 4}),
                         [](const auto& info) { return std::string(info.param.primitive); });

TEST_F(GLDisplayTest, EndFrameOnAClosedDisplayDoesNothing) {
    Shell shell;
    backend.time = 100;
    EXPECT_EQ(shell.Display().EndFrame(), 0);
    EXPECT_EQ(backend.swaps, 0);
    EXPECT_EQ(shell.App().FrameDelta(), 0.0);
}

TEST_F(GLDisplayTest, ACloseRequestOfTheWindowEndsTheLoopTwoFramesLater) {
    Shell shell;
    ASSERT_EQ(shell.Display().Open(640, 480, 32, true), 0);
    backend.events.push_back(
        {NativeEventType::CloseRequest, backend.LastWindowHandle(), 0, false, false});
    EXPECT_EQ(shell.Display().EndFrame(), 0); // system close: WM_CLOSE, the quit message
    EXPECT_EQ(shell.Display().EndFrame(), 1);
    EXPECT_EQ(backend.swaps, 2);
}

} // namespace
