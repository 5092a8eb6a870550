// The Application against a fake backend: frame clock, window procedure and key table.

#include "app/application.h"
#include "platform/window.h"
#include "support/fake_backend.h"
#include "support/shell.h"

#include <gtest/gtest.h>

namespace {

class ApplicationTest : public ::testing::Test {
protected:
    ApplicationTest() : scope(backend) {}

    // A window of the Application's class with the Application attached, as the display
    // makes it.
    HWND MakeWindow(Application& application) {
        const HWND window = CreateWindowExA(0, g_windowClassName, g_windowTitle, WS_POPUP, 0, 0, 64,
                                            64, nullptr, nullptr, g_instance, nullptr);
        SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(&application));
        return window;
    }

    // The next message in the queue, taken from it; WM_NULL when there is none.
    static UINT NextMessage() {
        MSG message{};
        return PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) ? message.message : WM_NULL;
    }

    FakeBackend backend;
    ScopedBackend scope;
};

TEST_F(ApplicationTest, FrameDeltaIsTheLastFrameInTenthsOfAMillisecond) {
    backend.time = 5000;
    Application application;
    EXPECT_EQ(application.FrameDelta(), 0.0);

    backend.time = 5016;
    application.TickFrameClock();
    EXPECT_DOUBLE_EQ(application.FrameDelta(), 1.6);

    application.TickFrameClock();
    EXPECT_EQ(application.FrameDelta(), 0.0);
}

TEST_F(ApplicationTest, FrameClockSpansTheWrapOfTheMillisecondCounter) {
    backend.time = 0xFFFFFFF8u;
    Application application;
    backend.time = 8;
    application.TickFrameClock();
    EXPECT_DOUBLE_EQ(application.FrameDelta(), 1.6);
}

TEST_F(ApplicationTest, KeyMessagesKeepTheKeyTable) {
    Shell shell;
    Application& application = shell.App();
    const HWND window = MakeWindow(application);

    EXPECT_EQ(SendMessageA(window, WM_KEYDOWN, 27, 0), 0);
    EXPECT_EQ(application.IsKeyDown(27), 1);
    SendMessageA(window, WM_KEYDOWN, 27, 1 << 30); // repeat
    EXPECT_EQ(application.IsKeyDown(27), 1);
    SendMessageA(window, WM_KEYUP, 27, 0);
    EXPECT_EQ(application.IsKeyDown(27), 0);

    SendMessageA(window, WM_KEYDOWN, 0x141, 0); // codes are taken modulo 256
    EXPECT_EQ(application.IsKeyDown(0x41), 1);

    SendMessageA(window, WM_SYSKEYDOWN, 'X', 1 << 29); // with Alt: not recorded
    EXPECT_EQ(application.IsKeyDown('X'), 0);
    DestroyWindow(window);
}

TEST_F(ApplicationTest, MessagesBeforeTheApplicationIsAttachedAreHarmless) {
    Shell shell;
    const HWND window = CreateWindowExA(0, g_windowClassName, "", WS_POPUP, 0, 0, 8, 8, nullptr,
                                        nullptr, g_instance, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageA(window, WM_SIZE, 0, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_KEYDOWN, 27, 0), 0);
    EXPECT_EQ(shell.App().IsKeyDown(27), 0);
    DestroyWindow(window);
}

TEST_F(ApplicationTest, ClosingPostsTheQuitMessageAndKeepsTheWindow) {
    Shell shell;
    const HWND window = MakeWindow(shell.App());

    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(NextMessage(), WM_QUIT);

    // The system menu's close and Alt+F4 reach WM_CLOSE through the default handling.
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(NextMessage(), WM_QUIT);
    SendMessageA(window, WM_SYSKEYDOWN, VK_F4, 1 << 29);
    EXPECT_EQ(NextMessage(), WM_QUIT);
    EXPECT_EQ(NextMessage(), WM_NULL);
    EXPECT_TRUE(IsWindow(window));
    DestroyWindow(window);
}

TEST_F(ApplicationTest, ScreenSaverAndMonitorPowerDownAreSuppressed) {
    Shell shell;
    const HWND window = MakeWindow(shell.App());
    EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    EXPECT_FALSE(backend.screenSaverAllowed);

    // Compared whole: with its low bits set it is another command, handled by default.
    SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE | 1, 0);
    EXPECT_TRUE(backend.screenSaverAllowed);
    DestroyWindow(window);
}

TEST_F(ApplicationTest, TitleAndIconAreTakenWhenTheyAreUsed) {
    Shell shell;
    shell.App().SetTitle("Tuvoran");
    ASSERT_EQ(shell.Display().Open(320, 200, 32, false), 0);
    ASSERT_NE(backend.LastWindow(), nullptr);
    EXPECT_EQ(backend.LastWindow()->title, "Tuvoran");

    shell.App().SetTitle("Another");
    EXPECT_STREQ(g_windowTitle, "Another");
    EXPECT_EQ(backend.LastWindow()->title, "Tuvoran");
}

} // namespace
