// The display on the live backend: what reaches the screen and what the frame loop does.

#include "platform/sdl/sdl_backend.h"
#include "platform/window.h"
#include "support/gl_test.h"

#include <GL/gl.h>

namespace {

using DisplayRender = LiveDisplayTest;

void FillRect(float left, float top, float right, float bottom) {
    glBegin(GL_QUADS);
    glVertex2f(left, top);
    glVertex2f(right, top);
    glVertex2f(right, bottom);
    glVertex2f(left, bottom);
    glEnd();
}

TEST_F(DisplayRender, FullScreenOpenGivesAWorkingContextOnTheWholeScreen) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    EXPECT_EQ(PixelAt(320, 240), (Rgb{0, 0, 0}));
    EXPECT_EQ(display->Close(), 0);
    EXPECT_EQ(display->Close(), 5);
}

TEST_F(DisplayRender, CanvasCornersLandOnWindowCorners) {
    display->Begin2D(1024, 768);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 0, 0, 1);
    FillRect(0, 0, 16, 16);
    glColor4f(0, 1, 0, 1);
    FillRect(1008, 0, 1024, 16);
    glColor4f(0, 0, 1, 1);
    FillRect(0, 752, 16, 768);
    glColor4f(1, 1, 1, 1);
    FillRect(1008, 752, 1024, 768);

    EXPECT_EQ(PixelAt(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt(639, 0), (Rgb{0, 255, 0}));
    EXPECT_EQ(PixelAt(0, 479), (Rgb{0, 0, 255}));
    EXPECT_EQ(PixelAt(639, 479), (Rgb{255, 255, 255}));
    EXPECT_EQ(PixelAt(320, 240), (Rgb{0, 0, 0}));
    // 16 canvas units are 10 pixels of the 640-wide window.
    EXPECT_EQ(PixelAt(12, 12), (Rgb{0, 0, 0}));
}

TEST_F(DisplayRender, AlphaTestDiscardsOnlyAlphaZero) {
    display->Begin2D(1024, 768);
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_ONE, GL_ZERO); // alpha decides nothing but the test
    glColor4f(1, 1, 1, 0);
    FillRect(0, 0, 512, 768);
    glColor4f(1, 1, 1, 0.004f);
    FillRect(512, 0, 1024, 768);
    EXPECT_EQ(PixelAt(160, 240), (Rgb{0, 0, 0}));
    EXPECT_EQ(PixelAt(480, 240), (Rgb{255, 255, 255}));
}

TEST_F(DisplayRender, DrawStringDrawsGlyphsAndLeavesTexturingAndBlendingOff) {
    display->Begin2D(640, 480);
    glColor3f(1, 1, 1);
    display->DrawString(10, 40, "Tuvoran 2026");
    EXPECT_GT(LitPixels(10, 25, 120, 20), 40);
    EXPECT_EQ(LitPixels(10, 60, 120, 40), 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    display->DrawString(10, 100, "");
    EXPECT_EQ(LitPixels(0, 80, 640, 40), 0);

    EXPECT_TRUE(glIsList(10000 + 'A'));
    EXPECT_TRUE(glIsList(10000 + 254));
    EXPECT_FALSE(glIsList(10000 + 255));
}

TEST_F(DisplayRender, EndFrameDispatchesOneMessagePerFrameAndReportsTheQuit) {
    Application& application = shell->App();
    const HWND window = GetFocus();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    PostMessageA(window, WM_KEYDOWN, 'B', 0);
    PostMessageA(window, WM_KEYDOWN, 'C', 0);

    EXPECT_EQ(display->EndFrame(), 0);
    EXPECT_EQ(application.IsKeyDown('A') + application.IsKeyDown('B'), 1);
    EXPECT_EQ(display->EndFrame(), 0);
    EXPECT_EQ(application.IsKeyDown('B'), 1);
    EXPECT_EQ(application.IsKeyDown('C'), 0);
    EXPECT_EQ(display->EndFrame(), 0);
    EXPECT_EQ(application.IsKeyDown('C'), 1);

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(display->EndFrame(), 0);
    EXPECT_EQ(display->EndFrame(), 1);
}

TEST(DisplayWindowed, ClientAreaIsExactlyTheRequestedSize) {
    const auto backend = CreateSdlBackend();
    ScopedBackend scope(*backend);
    Shell shell;
    ASSERT_EQ(shell.Display().Open(320, 200, 32, false), 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 200);
}

} // namespace
