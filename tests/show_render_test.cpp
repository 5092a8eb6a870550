// Frames of the show drawn with the real pictures on the live backend: what the timeline
// says is on the screen at a given music time is there.

#include "demo/timeline.h"
#include "support/gl_test.h"

#include <GL/gl.h>

#include <vector>

namespace {

class ShowRender : public LiveDisplayTest {
protected:
    void SetUp() override {
        LiveDisplayTest::SetUp();
        ASSERT_EQ(LoadScene(scene, swarms, values), 0);
        SetTimelineValues(values);
    }

    void DrawFrame(int t) {
        Show show{*display, shell->App(), scene, swarms, values};
        display->Clear();
        DrawTimeline(show, t);
    }

    // Pixels of a canvas rectangle, around (x, y), that are near white.
    static int WhitePixelsAround(float x, float y, float halfWidth, float halfHeight) {
        const float toWindow = 640.0f / 1024.0f;
        const int left = static_cast<int>((x - halfWidth) * toWindow);
        const int top = static_cast<int>((y - halfHeight) * toWindow);
        const int width = static_cast<int>(2 * halfWidth * toWindow);
        const int height = static_cast<int>(2 * halfHeight * toWindow);
        std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
        glReadPixels(left, 480 - top - height, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
        int white = 0;
        for (std::size_t i = 0; i < pixels.size(); i += 4) {
            white += pixels[i] > 200 && pixels[i + 1] > 200 && pixels[i + 2] > 200 ? 1 : 0;
        }
        return white;
    }

    Scene scene;
    Swarms swarms;
    TimelineValues values;
};

TEST_F(ShowRender, TheFourCreditsStandAtTheirPlacesFromTheirSecondOn) {
    const float creditX[] = {100.0f, 350.0f, 600.0f, 850.0f};
    DrawFrame(13999);
    for (const float x : creditX) {
        EXPECT_EQ(WhitePixelsAround(x, 384.0f, 60.0f, 30.0f), 0) << x;
    }

    values.codeScale = values.kurneScale = values.dospeScale = values.fraluScale = 1.0f;
    DrawFrame(20000);
    for (const float x : creditX) {
        EXPECT_GT(WhitePixelsAround(x, 384.0f, 60.0f, 30.0f), 30) << x;
        EXPECT_EQ(WhitePixelsAround(x, 200.0f, 60.0f, 30.0f), 0) << x; // above the band
    }
}

TEST_F(ShowRender, TheClosingTitleHoldsTheCentreAfterTheGrid) {
    values.tuvoranAlpha = 1.0f;
    values.particleAlpha = 0.0f;
    DrawFrame(61000);
    EXPECT_GT(WhitePixelsAround(512.0f, 384.0f, 200.0f, 40.0f), 100);
    EXPECT_EQ(WhitePixelsAround(512.0f, 100.0f, 200.0f, 40.0f), 0);
}

} // namespace
