// Loading pictures into sprites: what a load leaves in the sprite and in its texture.

#include "app/error_text.h"
#include "gfx/sprite.h"
#include "support/gl_test.h"
#include "support/pictures.h"

#include <GL/gl.h>

#include <array>
#include <cstring>
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
};

TextureImage ReadTexture(GLuint name) {
    TextureImage image;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &image.alphaBits);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_LUMINANCE_SIZE, &image.luminanceBits);
    image.rgba.resize(static_cast<std::size_t>(image.width) * image.height * 4);
    if (!image.rgba.empty()) {
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    }
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

Colour Patches(int x, int y) {
    return {x < 2 ? 255 : 0, y < 1 ? 255 : 40, x >= 3 ? 200 : 0};
}

void ExpectTexelsNear(const TextureImage& texture, int width, int height,
                      const std::function<Colour(int, int)>& colour, int tolerance) {
    ASSERT_EQ(texture.width, width);
    ASSERT_EQ(texture.height, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Texel texel = texture.At(x, y);
            const Colour expected = colour(x, y);
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(texel[c], expected[c], tolerance) << x << "," << y << " channel " << c;
            }
        }
    }
}

// An 8-bit picture with a palette of its own colours.
Bitmap MakePalettePicture(int width, int height, const std::function<Colour(int, int)>& colour) {
    Bitmap picture(FreeImage_Allocate(width, height, 8));
    RGBQUAD* palette = FreeImage_GetPalette(picture.get());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            auto index = static_cast<BYTE>(y * width + x);
            const Colour c = colour(x, y);
            palette[index] = {static_cast<BYTE>(c[2]), static_cast<BYTE>(c[1]),
                              static_cast<BYTE>(c[0]), 0};
            FreeImage_SetPixelIndex(picture.get(), x, height - 1 - y, &index);
        }
    }
    return picture;
}

class SpriteLoad : public LiveDisplayTest {
protected:
    PictureFolder folder;
};

TEST_F(SpriteLoad, FailureLeavesTheSpriteAsConstructedAndNamesThePath) {
    const Bitmap picture = MakePicture(8, 8, Patches);
    const std::string jpeg = folder.Save("p.jpg", picture.get(), FIF_JPEG);
    const Bitmap threshold(FreeImage_Threshold(picture.get(), 100));
    const std::string oneBit = folder.Save("one.png", threshold.get(), FIF_PNG);
    struct Case {
        std::string path;
        int bpp;
    };
    const Case cases[] = {
        {"data\\missing.jpg", 32},
        {folder.Write("empty.jpg", ""), 32},
        {folder.Write("text.png", "no picture"), 32},
        {folder.Truncate(jpeg, "p.jpeg", 1.0), 32}, // looked up as "peg"
        {folder.Truncate(jpeg, "p.gif", 1.0), 32},
        {"jp", 32},
        {"", 32},
        {oneBit, 8}, // the quantizer takes no 1-bit picture
    };
    GLuint previous = 0;
    glGenTextures(1, &previous);
    glBindTexture(GL_TEXTURE_2D, previous);
    for (const Case& failing : cases) {
        Sprite sprite;
        SetErrorText("No Error");
        EXPECT_EQ(sprite.Load(failing.path.c_str(), failing.bpp, jpeg.c_str()), 1) << failing.path;
        EXPECT_EQ(std::string(g_lastError), "Can not load file : " + failing.path);
        EXPECT_EQ(Fields(sprite), Fields(Sprite()));
        EXPECT_EQ(BoundTexture(), previous);
    }
}

TEST_F(SpriteLoad, ALongPathIsCutToTheMessageBuffer) {
    const std::string path = "data\\" + std::string(400, 'x') + ".jpg";
    Sprite sprite;
    EXPECT_EQ(sprite.Load(path.c_str(), 32, nullptr), 1);
    EXPECT_EQ(std::strlen(g_lastError), static_cast<std::size_t>(errorTextCapacity - 1));
    EXPECT_EQ(std::string(g_lastError), ("Can not load file : " + path).substr(0, 255));
}

TEST_F(SpriteLoad, ThirtyTwoBitsWithoutMaskIsOpaqueWithThreeComponents) {
    const Bitmap picture = MakePicture(5, 3, Patches); // rows of 15 bytes, padded to 16
    Sprite sprite;
    sprite.x = 7.0f;
    ASSERT_EQ(sprite.Load(folder.Save("p.png", picture.get(), FIF_PNG).c_str(), 32, nullptr), 0);
    EXPECT_EQ(BoundTexture(), sprite.texture);
    EXPECT_FALSE(sprite.hasAlpha);
    EXPECT_EQ(sprite.x, 0.0f);
    EXPECT_EQ(std::tuple(sprite.width, sprite.height, sprite.pitch), std::tuple(5, 3, 20));
    for (int row = 0; row < sprite.height; ++row) {
        const BYTE* pixel = FreeImage_GetScanLine(sprite.image, row);
        for (int column = 0; column < sprite.width; ++column) {
            EXPECT_EQ(pixel[column * 4 + FI_RGBA_ALPHA], 255);
        }
    }
    const TextureImage texture = ReadTexture(sprite.texture);
    EXPECT_EQ(texture.alphaBits, 0);
    ExpectTexelsNear(texture, 5, 3, Patches, 0);
}

TEST_F(SpriteLoad, AMasksGreyLevelsBecomeTheAlphaOfAFourComponentTexture) {
    const auto bands = [](int x, int) { return x < 2 ? 0 : x < 4 ? 128 : 255; };
    const Bitmap white = MakePicture(6, 2, [](int, int) { return Colour{255, 255, 255}; });
    const Bitmap greyMask = MakeGreyPicture(6, 2, bands);
    const Bitmap colourMask = MakePicture(6, 2, [](int x, int) {
        return x < 3 ? Colour{30, 20, 10} : Colour{255, 255, 255};
    });
    const Bitmap smallMask = MakeGreyPicture(2, 1, [](int x, int) { return x * 255; });
    const std::string picture = folder.Save("white.png", white.get(), FIF_PNG);

    Sprite grey;
    ASSERT_EQ(grey.Load(picture.c_str(), 32, folder.Save("m.png", greyMask.get(), FIF_PNG).c_str()),
              0);
    EXPECT_TRUE(grey.hasAlpha);
    const TextureImage greyTexture = ReadTexture(grey.texture);
    EXPECT_EQ(greyTexture.alphaBits, 8);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(greyTexture.At(x, 0)[3], bands(x, 0)) << x;
        EXPECT_EQ(greyTexture.At(x, 1)[0], 255) << x;
    }

    // A colour mask counts by its luminance (Rec. 709): 0.2126 * 30 + 0.7152 * 20 + 0.0722 * 10.
    Sprite colour;
    ASSERT_EQ(
        colour.Load(picture.c_str(), 32, folder.Save("c.bmp", colourMask.get(), FIF_BMP).c_str()),
        0);
    const TextureImage colourTexture = ReadTexture(colour.texture);
    EXPECT_EQ(colourTexture.At(0, 0)[3], 21);
    EXPECT_EQ(colourTexture.At(5, 1)[3], 255);

    // A mask of another size is stretched over the picture.
    Sprite stretched;
    ASSERT_EQ(
        stretched.Load(picture.c_str(), 32, folder.Save("s.pgm", smallMask.get(), FIF_PGM).c_str()),
        0);
    const TextureImage stretchedTexture = ReadTexture(stretched.texture);
    EXPECT_LT(stretchedTexture.At(0, 1)[3], 64);
    EXPECT_GT(stretchedTexture.At(5, 1)[3], 191);
}

TEST_F(SpriteLoad, AMissingMaskStillGivesFourComponentsAndAPictureCanMaskItself) {
    const auto level = [](int x, int y) { return x * 40 + y; };
    const Bitmap grey = MakePicture(5, 2, [&](int x, int y) {
        return Colour{level(x, y), level(x, y), level(x, y)};
    });
    const std::string picture = folder.Save("grey.png", grey.get(), FIF_PNG);

    Sprite unmasked;
    ASSERT_EQ(unmasked.Load(picture.c_str(), 32, folder.PathOf("missing.png").c_str()), 0);
    EXPECT_FALSE(unmasked.hasAlpha);
    const TextureImage opaque = ReadTexture(unmasked.texture);
    EXPECT_EQ(opaque.alphaBits, 8);
    EXPECT_EQ(opaque.At(0, 0)[3], 255);

    Sprite itself;
    ASSERT_EQ(itself.Load(picture.c_str(), 32, picture.c_str()), 0);
    EXPECT_TRUE(itself.hasAlpha);
    const TextureImage own = ReadTexture(itself.texture);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(own.At(x, 1)[3], level(x, 1)) << x;
        EXPECT_EQ(own.At(x, 1)[1], level(x, 1)) << x;
    }
}

TEST_F(SpriteLoad, ZeroAndTwentyFourBitsGiveThreeComponentsAndIgnoreTheMask) {
    const Bitmap picture = MakePicture(5, 3, Patches);
    const Bitmap withAlpha(FreeImage_ConvertTo32Bits(picture.get()));
    const Bitmap mask = MakeGreyPicture(5, 3, [](int, int) { return 0; });
    const std::string maskPath = folder.Save("m.png", mask.get(), FIF_PNG);

    Sprite kept;
    ASSERT_EQ(kept.Load(folder.Save("p.bmp", picture.get(), FIF_BMP).c_str(), 0, maskPath.c_str()),
              0);
    Sprite converted;
    ASSERT_EQ(converted.Load(folder.Save("a.tga", withAlpha.get(), FIF_TARGA).c_str(), 24,
                             maskPath.c_str()),
              0);
    for (const Sprite* sprite : {&kept, &converted}) {
        EXPECT_FALSE(sprite->hasAlpha);
        EXPECT_EQ(FreeImage_GetBPP(sprite->image), 24u);
        const TextureImage texture = ReadTexture(sprite->texture);
        EXPECT_EQ(texture.alphaBits, 0);
        ExpectTexelsNear(texture, 5, 3, Patches, 0);
    }
}

TEST_F(SpriteLoad, OneBitPictureKeptHasNoImageAndConvertedShowsItsColours) {
    const auto dark = [](int x, int y) { return (x + y) % 2 == 0; };
    const Bitmap grey = MakeGreyPicture(8, 4, [&](int x, int y) { return dark(x, y) ? 0 : 255; });
    const Bitmap oneBit(FreeImage_Threshold(grey.get(), 128));
    const std::string path = folder.Save("one.bmp", oneBit.get(), FIF_BMP);

    Sprite kept;
    ASSERT_EQ(kept.Load(path.c_str(), 0, nullptr), 0);
    EXPECT_TRUE(glIsTexture(kept.texture));
    EXPECT_EQ(ReadTexture(kept.texture).width, 0);

    Sprite converted;
    ASSERT_EQ(converted.Load(path.c_str(), 32, nullptr), 0);
    ExpectTexelsNear(
        ReadTexture(converted.texture), 8, 4,
        [&](int x, int y) {
            return dark(x, y) ? Colour{} : Colour{255, 255, 255};
        },
        0);
}

TEST_F(SpriteLoad, EightAndSixteenBitPicturesGoUpAsTheirGreyLevelsOrColours) {
    const auto level = [](int x, int y) { return x * 50 + y; };
    const Bitmap grey = MakeGreyPicture(5, 2, level);
    Sprite luminance;
    ASSERT_EQ(luminance.Load(folder.Save("g.png", grey.get(), FIF_PNG).c_str(), 0, nullptr), 0);
    const TextureImage greyTexture = ReadTexture(luminance.texture);
    EXPECT_GT(greyTexture.luminanceBits, 0);
    // A luminance texture reads back with its level in red alone.
    ExpectTexelsNear(
        greyTexture, 5, 2,
        [&](int x, int y) {
            return Colour{level(x, y), 0, 0};
        },
        0);

    const Bitmap picture = MakePicture(5, 3, Patches);
    const Bitmap palette = MakePalettePicture(5, 3, Patches);
    Sprite indexed;
    ASSERT_EQ(indexed.Load(folder.Save("i.bmp", palette.get(), FIF_BMP).c_str(), 0, nullptr), 0);
    ExpectTexelsNear(ReadTexture(indexed.texture), 5, 3, Patches, 8);

    const std::string colourPath = folder.Save("p.png", picture.get(), FIF_PNG);
    Sprite quantized;
    ASSERT_EQ(quantized.Load(colourPath.c_str(), 8, nullptr), 0);
    EXPECT_EQ(FreeImage_GetBPP(quantized.image), 8u);
    ExpectTexelsNear(ReadTexture(quantized.texture), 5, 3, Patches, 8);

    Sprite sixteen;
    ASSERT_EQ(sixteen.Load(colourPath.c_str(), 16, nullptr), 0);
    EXPECT_EQ(sixteen.pitch, 12);
    ExpectTexelsNear(ReadTexture(sixteen.texture), 5, 3, Patches, 8);
}

} // namespace
