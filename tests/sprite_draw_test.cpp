// Drawing sprites on a canvas of one unit per pixel, read back from the screen.

#include "display/gl_display.h"
#include "gfx/sprite.h"
#include "support/gl_test.h"
#include "support/pictures.h"

#include <GL/gl.h>

#include <array>
#include <string>

namespace {

constexpr Colour red{255, 0, 0};
constexpr Colour green{0, 255, 0};
constexpr Colour blue{0, 0, 255};
constexpr Colour white{255, 255, 255};

class SpriteDraw : public LiveDisplayTest {
protected:
    void SetUp() override {
        LiveDisplayTest::SetUp();
        display->Begin2D(640, 480);
    }

    void LoadPicture(Sprite& sprite, int width, int height,
                     const std::function<Colour(int, int)>& colour,
                     const char* maskPath = nullptr) {
        const Bitmap picture = MakePicture(width, height, colour);
        const std::string path =
            folder.Save("p" + std::to_string(saved++) + ".png", picture.get(), FIF_PNG);
        ASSERT_EQ(sprite.Load(path.c_str(), 32, maskPath), 0);
    }

    static Rgb AsRgb(const Colour& colour) { return {colour[0], colour[1], colour[2]}; }

    PictureFolder folder;
    int saved = 0;
};

Colour TopRedBottomBlue(int, int y) {
    return y < 8 ? red : blue;
}

Colour LeftRedRightGreen(int x, int) {
    return x < 16 ? red : green;
}

TEST_F(SpriteDraw, UnturnedSpriteCoversItsRectangleWithItsTopRowOnTop) {
    Sprite plain;
    LoadPicture(plain, 32, 16, [](int, int) { return white; });
    plain.x = 500.0f; // the position and angle fields are not the drawing's
    plain.angle = 1.0f;
    display->DrawSprite(plain, 100, 50);
    EXPECT_EQ(LitPixels(100, 50, 32, 16), 32 * 16);
    EXPECT_EQ(LitPixels(90, 40, 52, 36), 32 * 16);

    Sprite halves;
    LoadPicture(halves, 32, 16, TopRedBottomBlue);
    display->DrawSprite(halves, 300, 200);
    EXPECT_EQ(PixelAt(316, 202), AsRgb(red));
    EXPECT_EQ(PixelAt(316, 213), AsRgb(blue));
}

TEST_F(SpriteDraw, PivotLandsOnThePosition) {
    Sprite sprite;
    LoadPicture(sprite, 32, 16, [](int, int) { return white; });
    sprite.pivotX = 16;
    sprite.pivotY = 8;
    display->DrawSprite(sprite, 200, 100);
    EXPECT_EQ(LitPixels(184, 92, 32, 16), 32 * 16);
    EXPECT_EQ(LitPixels(174, 82, 52, 36), 32 * 16);
}

TEST_F(SpriteDraw, PositiveSineTurnsClockwise) {
    Sprite sprite;
    LoadPicture(sprite, 32, 16, TopRedBottomBlue);
    sprite.sinA = 1;
    sprite.cosA = 0;
    display->DrawSprite(sprite, 300, 100);
    // The top edge now runs down from the position, the picture to its left.
    EXPECT_EQ(LitPixels(284, 100, 16, 32), 16 * 32);
    EXPECT_EQ(LitPixels(274, 90, 36, 52), 16 * 32);
    EXPECT_EQ(PixelAt(297, 116), AsRgb(red));
    EXPECT_EQ(PixelAt(287, 116), AsRgb(blue));
}

TEST_F(SpriteDraw, NegativeScaleMirrorsAboutThePivot) {
    Sprite sprite;
    LoadPicture(sprite, 32, 16, LeftRedRightGreen);
    sprite.scaleX = -1;
    display->DrawSprite(sprite, 300, 100);
    EXPECT_EQ(LitPixels(268, 100, 32, 16), 32 * 16);
    EXPECT_EQ(LitPixels(258, 90, 52, 36), 32 * 16);
    EXPECT_EQ(PixelAt(296, 108), AsRgb(red));
    EXPECT_EQ(PixelAt(272, 108), AsRgb(green));
}

TEST_F(SpriteDraw, ColourTintsThePictureAndStaysCurrentWithTheTextureBound) {
    Sprite sprite;
    LoadPicture(sprite, 32, 16, [](int, int) { return white; });
    sprite.g = 0.5f;
    sprite.b = 0.0f;
    display->DrawSprite(sprite, 100, 100);
    const Rgb tinted = PixelAt(110, 108);
    EXPECT_EQ(tinted[0], 255);
    EXPECT_NEAR(tinted[1], 128, 1);
    EXPECT_EQ(tinted[2], 0);

    // Alpha 0 is discarded whatever the blend function.
    glBlendFunc(GL_ONE, GL_ONE);
    sprite.a = 0.0f;
    display->DrawSprite(sprite, 300, 300);
    EXPECT_EQ(LitPixels(290, 290, 52, 36), 0);

    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), sprite.texture);
    std::array<GLfloat, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<GLfloat, 4>{1.0f, 0.5f, 0.0f, 0.0f}));
}

TEST_F(SpriteDraw, MaskedSpriteCoversByItsMasksGreyLevels) {
    const Bitmap mask = MakeGreyPicture(48, 16, [](int x, int) {
        return x < 16 ? 255 : x < 32 ? 128 : 0;
    });
    const std::string maskPath = folder.Save("mask.png", mask.get(), FIF_PNG);
    Sprite sprite;
    LoadPicture(
        sprite, 48, 16, [](int, int) { return white; }, maskPath.c_str());
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    display->DrawSprite(sprite, 100, 100);
    EXPECT_EQ(PixelAt(108, 108), AsRgb(white));
    EXPECT_NEAR(PixelAt(124, 108)[0], 128, 2);
    EXPECT_EQ(PixelAt(140, 108), (Rgb{0, 0, 0}));
}

TEST_F(SpriteDraw, SpriteWithoutPictureDrawsAndTouchesNothing) {
    Sprite fresh;
    Sprite failed;
    ASSERT_EQ(failed.Load("data\\no such picture.jpg", 32, nullptr), 1);
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    for (const Sprite* sprite : {&fresh, &failed}) {
        display->DrawSprite(*sprite, 100, 100);
    }
    EXPECT_EQ(LitPixels(0, 0, 640, 480), 0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), other);
    std::array<GLfloat, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<GLfloat, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
}

} // namespace
