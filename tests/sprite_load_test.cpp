// Loading pictures into sprites: what a load leaves in the sprite and in its texture.

#include "app/error_text.h"
#include "gfx/sprite.h"
#include "support/gl_test.h"
#include "support/pictures.h"

#include <GL/gl.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using Texel = std::array<int, 4>; // red, green, blue, alpha

// The level-0 image of a texture as OpenGL holds it.
struct TextureImage {
    int width = 0;
    int height = 0;
    int alphaBits = 0;
    int luminanceBits = 0;
    std::vector<unsigned char> rgba; // bottom row first

    // Texel (x, y), y counted from the picture's top.
    Texel At(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(height - 1 - y) * width + x) * 4;
        return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
    }
    Colour ColourAt(int x, int y) const { return {At(x, y)[0], At(x, y)[1], At(x, y)[2]}; }
};

TextureImage ReadTexture(GLuint name) {
    TextureImage image;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &image.alphaBits);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_LUMINANCE_SIZE, &image.luminanceBits);
    image.rgba.resize(static_cast<std::size_t>(image.width) * image.height * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    return image;
}

GLuint BoundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<GLuint>(name);
}

auto Fields(const Sprite& s) {
    return std::tuple(s.hasAlpha, s.x, s.y, s.width, s.height, s.pitch, s.pivotX, s.pivotY,
                      s.scaleX, s.scaleY, s.sinA, s.cosA, s.angle, s.r, s.g, s.b, s.a,
                      static_cast<const void*>(s.image), s.texture);
}

// Five columns and three rows of distinct colours.
Colour Patches(int x, int y) {
    return {x < 2 ? 255 : 0, y < 1 ? 255 : 40, x >= 3 ? 200 : 0};
}

void ExpectPatches(const TextureImage& texture, int tolerance) {
    ASSERT_EQ(std::pair(texture.width, texture.height), std::pair(5, 3));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(texture.ColourAt(x, y)[c], Patches(x, y)[c], tolerance)
                    << x << "," << y;
            }
        }
    }
}

class SpriteLoad : public LiveDisplayTest {
protected:
    PictureFolder folder;
    const Bitmap patches = MakePicture(5, 3, Patches);
};

TEST_F(SpriteLoad, FailureLeavesTheSpriteAsConstructedAndNamesThePath) {
    const std::string jpeg = folder.Save("p.jpg", patches.get(), FIF_JPEG);
    const Bitmap oneBit(FreeImage_Threshold(patches.get(), 100));
    const std::pair<std::string, int> failing[] = {
        {"data\\missing.jpg", 32},
        {folder.Write("empty.jpg", ""), 32},
        {folder.Write("text.png", "no picture"), 32},
        {folder.Truncate(jpeg, "p.jpeg", 1.0), 32},
        {"jp", 32},
        {"data\\" + std::string(400, 'x') + ".jpg", 32},
        {folder.Save("one.png", oneBit.get(), FIF_PNG), 8}, // the quantizer takes no 1-bit
    };
    GLuint previous = 0;
    glGenTextures(1, &previous);
    glBindTexture(GL_TEXTURE_2D, previous);
    for (const auto& [path, bpp] : failing) {
        Sprite sprite;
        EXPECT_EQ(sprite.Load(path.c_str(), bpp, jpeg.c_str()), 1) << path;
        EXPECT_EQ(std::string(g_lastError), ("Can not load file : " + path).substr(0, 255));
        EXPECT_EQ(Fields(sprite), Fields(Sprite()));
        EXPECT_EQ(BoundTexture(), previous);
    }
}

TEST_F(SpriteLoad, ThirtyTwoBitsWithoutMaskIsOpaqueWithThreeComponents) {
    Sprite sprite;
    sprite.x = 7.0f;
    ASSERT_EQ(sprite.Load(folder.Save("p.png", patches.get(), FIF_PNG).c_str(), 32, nullptr), 0);
    EXPECT_EQ(BoundTexture(), sprite.texture);
    EXPECT_FALSE(sprite.hasAlpha);
    EXPECT_EQ(std::tuple(sprite.x, sprite.width, sprite.height, sprite.pitch),
              std::tuple(0.0f, 5, 3, 20));
    EXPECT_EQ(FreeImage_GetScanLine(sprite.image, 2)[4 * 4 + FI_RGBA_ALPHA], 255);
    const TextureImage texture = ReadTexture(sprite.texture);
    EXPECT_EQ(texture.alphaBits, 0);
    ExpectPatches(texture, 0); // rows of 15 bytes padded to 16, in blue-green-red order
}

TEST_F(SpriteLoad, AMasksGreyLevelsBecomeTheAlphaOfAFourComponentTexture) {
    const auto level = [](int x, int) { return x * 60; };
    const Bitmap white = MakePicture(5, 2, [](int, int) { return Colour{255, 255, 255}; });
    const Bitmap greyPicture = MakePicture(5, 2, [&](int x, int y) {
        return Colour{level(x, y), level(x, y), level(x, y)};
    });
    const Bitmap colourMask = MakePicture(5, 2, [](int, int) { return Colour{30, 20, 10}; });
    const Bitmap smallMask = MakeGreyPicture(2, 1, [](int x, int) { return x * 255; });
    const std::string picture = folder.Save("white.png", white.get(), FIF_PNG);
    const std::string grey = folder.Save("grey.png", greyPicture.get(), FIF_PNG);
    struct Case {
        std::string picture;
        std::string mask;
        bool hasAlpha;
        std::function<int(int)> alpha;
    };
    const Case cases[] = {
        {picture, grey, true, [&](int x) { return level(x, 0); }},
        {grey, grey, true, [&](int x) { return level(x, 0); }}, // a picture masking itself
        {picture, folder.PathOf("missing.png"), false, [](int) { return 255; }},
        // A colour mask counts by its luminance: 0.2126 * 30 + 0.7152 * 20 + 0.0722 * 10.
        {picture, folder.Save("c.bmp", colourMask.get(), FIF_BMP), true, [](int) { return 21; }},
    };
    for (const Case& masked : cases) {
        Sprite sprite;
        ASSERT_EQ(sprite.Load(masked.picture.c_str(), 32, masked.mask.c_str()), 0);
        EXPECT_EQ(sprite.hasAlpha, masked.hasAlpha) << masked.mask;
        const TextureImage texture = ReadTexture(sprite.texture);
        EXPECT_EQ(texture.alphaBits, 8);
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(texture.At(x, 1)[3], masked.alpha(x)) << masked.mask << " " << x;
        }
    }

    // A mask of another size is stretched over the picture.
    Sprite stretched;
    ASSERT_EQ(
        stretched.Load(picture.c_str(), 32, folder.Save("s.pgm", smallMask.get(), FIF_PGM).c_str()),
        0);
    const TextureImage texture = ReadTexture(stretched.texture);
    EXPECT_LT(texture.At(0, 1)[3], 64);
    EXPECT_GT(texture.At(4, 1)[3], 191);
}

TEST_F(SpriteLoad, ZeroAndTwentyFourBitsGiveThreeComponentsAndIgnoreTheMask) {
    const Bitmap withAlpha(FreeImage_ConvertTo32Bits(patches.get()));
    const Bitmap mask = MakeGreyPicture(5, 3, [](int, int) { return 0; });
    const std::string maskPath = folder.Save("m.png", mask.get(), FIF_PNG);
    Sprite kept;
    Sprite converted;
    ASSERT_EQ(kept.Load(folder.Save("p.bmp", patches.get(), FIF_BMP).c_str(), 0, maskPath.c_str()),
              0);
    ASSERT_EQ(converted.Load(folder.Save("a.tga", withAlpha.get(), FIF_TARGA).c_str(), 24,
                             maskPath.c_str()),
              0);
    for (const Sprite* sprite : {&kept, &converted}) {
        EXPECT_FALSE(sprite->hasAlpha);
        EXPECT_EQ(FreeImage_GetBPP(sprite->image), 24u);
        const TextureImage texture = ReadTexture(sprite->texture);
        EXPECT_EQ(texture.alphaBits, 0);
        ExpectPatches(texture, 0);
    }
}

TEST_F(SpriteLoad, OtherDepthsGoUpAsTheirGreyLevelsOrColoursOrNotAtAll) {
    const Bitmap grey = MakeGreyPicture(5, 3, [](int x, int y) { return x * 50 + y; });
    const Bitmap oneBit(FreeImage_Threshold(grey.get(), 100));
    const std::string oneBitPath = folder.Save("one.bmp", oneBit.get(), FIF_BMP);
    const std::string colourPath = folder.Save("p.png", patches.get(), FIF_PNG);
    Sprite luminance;
    Sprite oneBitKept;
    Sprite oneBitConverted;
    Sprite palette;
    Sprite sixteen;
    ASSERT_EQ(luminance.Load(folder.Save("g.png", grey.get(), FIF_PNG).c_str(), 0, nullptr), 0);
    ASSERT_EQ(oneBitKept.Load(oneBitPath.c_str(), 0, nullptr), 0);
    ASSERT_EQ(oneBitConverted.Load(oneBitPath.c_str(), 32, nullptr), 0);
    ASSERT_EQ(palette.Load(colourPath.c_str(), 8, nullptr), 0);
    ASSERT_EQ(sixteen.Load(colourPath.c_str(), 16, nullptr), 0);

    const TextureImage greyTexture = ReadTexture(luminance.texture);
    EXPECT_GT(greyTexture.luminanceBits, 0);
    EXPECT_EQ(greyTexture.At(3, 2)[0], 152); // a luminance texture reads back as red
    EXPECT_TRUE(glIsTexture(oneBitKept.texture));
    EXPECT_EQ(ReadTexture(oneBitKept.texture).width, 0);
    EXPECT_EQ(ReadTexture(oneBitConverted.texture).ColourAt(1, 0), (Colour{0, 0, 0}));
    EXPECT_EQ(ReadTexture(oneBitConverted.texture).ColourAt(2, 0), (Colour{255, 255, 255}));
    EXPECT_EQ(FreeImage_GetBPP(palette.image), 8u);
    ExpectPatches(ReadTexture(palette.texture), 8);
    EXPECT_EQ(sixteen.pitch, 12);
    ExpectPatches(ReadTexture(sixteen.texture), 8);
}

} // namespace
