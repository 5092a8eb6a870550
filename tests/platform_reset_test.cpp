// The platform's records back to the state of load, as a host that runs the program again
// in the same process needs them.

#include "platform/process_internal.h"
#include "platform/random.h"
#include "platform/window.h"
#include "support/fake_backend.h"

#include <gtest/gtest.h>

namespace {

LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

WNDCLASSA ClassNamed(const char* name) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    return windowClass;
}

class PlatformResetTest : public ::testing::Test {
protected:
    PlatformResetTest() { SetBackend(&backend); }
    ~PlatformResetTest() override {
        ResetPlatformState();
        SetBackend(nullptr);
    }

    FakeBackend backend;
};

TEST_F(PlatformResetTest, ARunLeavesNothingThatTheNextRunWouldMeet) {
    const WNDCLASSA windowClass = ClassNamed("Reset Test Class");
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    const HWND window = CreateWindowExA(0, "Reset Test Class", "", WS_POPUP, 0, 0, 8, 8, nullptr,
                                        nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    ShowCursor(FALSE);
    ShowCursor(FALSE);

    ResetPlatformState();

    // The class registers again, as the program's start-up does on every run.
    EXPECT_NE(RegisterClassA(&windowClass), 0);
    MSG message{};
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) << "a message outlived its run";
    EXPECT_FALSE(IsWindow(window));
    // Counted from zero again: hidden by one call, shown by the next.
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
}

TEST_F(PlatformResetTest, RandomNumbersStartOverAsFromAnUnseededGenerator) {
    for (int i = 0; i < 1000; ++i) {
        RandomNumber();
    }
    ResetPlatformState();
    // The C runtime's first numbers before any seed.
    EXPECT_EQ(RandomNumber(), 41);
    EXPECT_EQ(RandomNumber(), 18467);
    EXPECT_EQ(RandomNumber(), 6334);
}

TEST_F(PlatformResetTest, IconResourcesAreRegisteredAgainByTheNextRun) {
    static const std::uint32_t pixels[32 * 32] = {};
    RegisterIconResource(107, IconImage{32, 32, pixels});
    ASSERT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(107)), nullptr);

    ResetPlatformState();

    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(107)), nullptr);
}

} // namespace
