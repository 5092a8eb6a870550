#include "gfx/decoded_picture.h"

#include <GL/gl.h>

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

TextureUpload PixelsOf(FIBITMAP* bitmap, int internalFormat, GLenum format, GLenum type) {
    return {internalFormat,
            format,
            type,
            static_cast<int>(FreeImage_GetWidth(bitmap)),
            static_cast<int>(FreeImage_GetHeight(bitmap)),
            FreeImage_GetBits(bitmap)};
}

// An 8-bit image is grey levels only when its palette says so; other palettes go up as the
// colours they hold.
void LayOut8Bit(DecodedPicture& picture) {
    FIBITMAP* image = picture.image.get();
    if (FreeImage_GetColorType(image) == FIC_MINISBLACK) {
        picture.upload = PixelsOf(image, GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_BYTE);
        return;
    }
    picture.converted.reset(FreeImage_ConvertTo24Bits(image));
    if (picture.converted) {
        picture.upload = PixelsOf(picture.converted.get(), 3, GL_BGR_EXT, GL_UNSIGNED_BYTE);
    }
}

// The rows go up as the library stores them: bottom row first, each padded to 4 bytes,
// which OpenGL's default unpack alignment matches. The 32-bit choice of 3 or 4 components
// follows whether a mask was asked for, not whether it loaded. Other depths and sample
// types leave the texture without an image.
void LayOutPixels(DecodedPicture& picture, bool maskGiven) {
    FIBITMAP* image = picture.image.get();
    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(image);
    if (type == FIT_UINT16) {
        picture.upload = PixelsOf(image, GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_SHORT);
        return;
    }
    if (type != FIT_BITMAP) {
        return;
    }
    switch (FreeImage_GetBPP(image)) {
    case 8:
        LayOut8Bit(picture);
        break;
    case 16:
        picture.upload = FreeImage_GetGreenMask(image) == FI16_565_GREEN_MASK
                             ? PixelsOf(image, 3, GL_RGB, GL_UNSIGNED_SHORT_5_6_5)
                             : PixelsOf(image, 3, GL_BGRA_EXT, GL_UNSIGNED_SHORT_1_5_5_5_REV);
        break;
    case 24:
        picture.upload = PixelsOf(image, 3, GL_BGR_EXT, GL_UNSIGNED_BYTE);
        break;
    case 32:
        picture.upload = PixelsOf(image, maskGiven ? 4 : 3, GL_BGRA_EXT, GL_UNSIGNED_BYTE);
        break;
    default:
        break;
    }
}

} // namespace

std::optional<DecodedPicture> DecodePicture(const char* path, int bpp, const char* maskPath) {
    Bitmap bitmap = DecodeImageFile(path);
    if (bitmap && bpp != 0) {
        bitmap = ConvertToDepth(std::move(bitmap), bpp);
    }
    if (!bitmap) {
        return std::nullopt;
    }

    DecodedPicture picture;
    if (IsBgra(bitmap.get())) {
        if (maskPath == nullptr) {
            MakeOpaque(bitmap.get());
        } else if (const Bitmap mask = DecodeImageFile(maskPath)) {
            // A mask that does not load, or does not merge, leaves the alpha as it was.
            picture.hasAlpha = MergeAlphaMask(bitmap.get(), mask.get());
        }
    }
    picture.image = std::move(bitmap);
    LayOutPixels(picture, maskPath != nullptr);
    return picture;
}
