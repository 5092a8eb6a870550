#include "gfx/sprite.h"

#include "app/error_text.h"
#include "gfx/image_file.h"

#include <GL/gl.h>

#include <cstdio>
#include <utility>

namespace {

// Brings bitmap to bpp bits when it has another depth; the same bitmap when bpp is 0 or no
// conversion applies, null when the conversion fails.
Bitmap ConvertToDepth(Bitmap bitmap, int bpp) {
    if (static_cast<int>(FreeImage_GetBPP(bitmap.get())) == bpp) {
        return bitmap;
    }
    switch (bpp) {
    case 8:
        return Bitmap(FreeImage_ColorQuantize(bitmap.get(), FIQ_WUQUANT));
    case 16:
        return Bitmap(FreeImage_ConvertTo16Bits555(bitmap.get()));
    case 24:
        return Bitmap(FreeImage_ConvertTo24Bits(bitmap.get()));
    case 32:
        return Bitmap(FreeImage_ConvertTo32Bits(bitmap.get()));
    default:
        return bitmap;
    }
}

bool IsBgra(FIBITMAP* bitmap) {
    return FreeImage_GetImageType(bitmap) == FIT_BITMAP && FreeImage_GetBPP(bitmap) == 32;
}

// The mask's grey levels become the image's alpha channel. A colour mask counts by its
// luminance (the library's greyscale conversion, Rec. 709 weights); a mask of another size
// is stretched over the image with bilinear filtering.
bool MergeAlphaMask(FIBITMAP* image, FIBITMAP* mask) {
    Bitmap grey(FreeImage_ConvertToGreyscale(mask));
    const unsigned int width = FreeImage_GetWidth(image);
    const unsigned int height = FreeImage_GetHeight(image);
    if (grey &&
        (FreeImage_GetWidth(grey.get()) != width || FreeImage_GetHeight(grey.get()) != height)) {
        grey.reset(FreeImage_Rescale(grey.get(), static_cast<int>(width), static_cast<int>(height),
                                     FILTER_BILINEAR));
    }
    return grey && FreeImage_SetChannel(image, grey.get(), FICC_ALPHA);
}

void MakeOpaque(FIBITMAP* image) {
    const unsigned int width = FreeImage_GetWidth(image);
    const unsigned int height = FreeImage_GetHeight(image);
    for (unsigned int row = 0; row < height; ++row) {
        BYTE* pixel = FreeImage_GetScanLine(image, static_cast<int>(row));
        for (unsigned int column = 0; column < width; ++column, pixel += 4) {
            pixel[FI_RGBA_ALPHA] = 0xFF;
        }
    }
}

struct PixelLayout {
    GLint internalFormat;
    GLenum format;
    GLenum type;
};

void UploadPixels(FIBITMAP* bitmap, const PixelLayout& layout) {
    glTexImage2D(GL_TEXTURE_2D, 0, layout.internalFormat,
                 static_cast<GLsizei>(FreeImage_GetWidth(bitmap)),
                 static_cast<GLsizei>(FreeImage_GetHeight(bitmap)), 0, layout.format, layout.type,
                 FreeImage_GetBits(bitmap));
}

// An 8-bit image is grey levels only when its palette says so; other palettes go up as the
// colours they hold.
void Upload8Bit(FIBITMAP* bitmap) {
    if (FreeImage_GetColorType(bitmap) == FIC_MINISBLACK) {
        UploadPixels(bitmap, {GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_BYTE});
        return;
    }
    const Bitmap colours(FreeImage_ConvertTo24Bits(bitmap));
    if (colours) {
        UploadPixels(colours.get(), {3, GL_BGR_EXT, GL_UNSIGNED_BYTE});
    }
}

void Upload16Bit(FIBITMAP* bitmap) {
    if (FreeImage_GetGreenMask(bitmap) == FI16_565_GREEN_MASK) {
        UploadPixels(bitmap, {3, GL_RGB, GL_UNSIGNED_SHORT_5_6_5});
    } else {
        UploadPixels(bitmap, {3, GL_BGRA_EXT, GL_UNSIGNED_SHORT_1_5_5_5_REV});
    }
}

// The rows go up as the library stores them: bottom row first, each padded to 4 bytes,
// which OpenGL's default unpack alignment matches. The 32-bit choice of 3 or 4 components
// follows whether a mask was asked for, not whether it loaded. Other depths and sample
// types leave the texture without an image.
void UploadTexture(FIBITMAP* bitmap, bool maskGiven) {
    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(bitmap);
    if (type == FIT_UINT16) {
        UploadPixels(bitmap, {GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_SHORT});
        return;
    }
    if (type != FIT_BITMAP) {
        return;
    }
    switch (FreeImage_GetBPP(bitmap)) {
    case 8:
        Upload8Bit(bitmap);
        break;
    case 16:
        Upload16Bit(bitmap);
        break;
    case 24:
        UploadPixels(bitmap, {3, GL_BGR_EXT, GL_UNSIGNED_BYTE});
        break;
    case 32:
        UploadPixels(bitmap, {maskGiven ? 4 : 3, GL_BGRA_EXT, GL_UNSIGNED_BYTE});
        break;
    default:
        break;
    }
}

void ReportUnloadable(const char* path) {
    char message[errorTextCapacity];
    std::snprintf(message, sizeof(message), "Can not load file : %s", path != nullptr ? path : "");
    SetErrorText(message);
}

} // namespace

Sprite::Sprite()
    : hasAlpha(false), x(0.0f), y(0.0f), width(0), height(0), pitch(0), pivotX(0.0f), pivotY(0.0f),
      scaleX(1.0f), scaleY(1.0f), sinA(0.0f), cosA(1.0f), angle(0.0f), r(1.0f), g(1.0f), b(1.0f),
      a(1.0f), image(nullptr), texture(0) {}

Sprite::~Sprite() {
    if (image != nullptr) {
        FreeImage_Unload(image);
    }
}

int Sprite::Load(const char* path, int bpp, const char* maskPath) {
    Bitmap bitmap = DecodeImageFile(path);
    if (bitmap && bpp != 0) {
        bitmap = ConvertToDepth(std::move(bitmap), bpp);
    }
    if (!bitmap) {
        ReportUnloadable(path);
        return 1;
    }

    if (IsBgra(bitmap.get())) {
        if (maskPath == nullptr) {
            MakeOpaque(bitmap.get());
        } else if (const Bitmap mask = DecodeImageFile(maskPath)) {
            // A mask that does not load, or does not merge, leaves the alpha as it was.
            hasAlpha = MergeAlphaMask(bitmap.get(), mask.get()) || hasAlpha;
        }
    }

    if (image != nullptr) {
        FreeImage_Unload(image);
    }
    image = bitmap.release();
    x = 0.0f;
    y = 0.0f;
    width = static_cast<int>(FreeImage_GetWidth(image));
    height = static_cast<int>(FreeImage_GetHeight(image));
    pitch = static_cast<int>(FreeImage_GetPitch(image));

    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    UploadTexture(image, maskPath != nullptr);
    return 0;
}
