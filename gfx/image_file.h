#pragma once

// Picture files as the program names them: the format comes from the name's last three
// characters, and only thirteen formats are accepted (BMP, ICO, JPEG, KOALA, PBM, PCD, PCX,
// PGM, PNG, PPM, RAS, TARGA and TIFF).

#include <FreeImage.h>

#include <memory>

struct BitmapRelease {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapRelease>;

// A picture whose header declares more pixels than this across or down is refused before
// it is decoded. Every current OpenGL driver takes textures of this size, the show draws on
// a 1024 x 768 canvas, and a file that merely claims a larger size could otherwise cost
// gigabytes and minutes to decode.
constexpr unsigned int largestPictureSide = 8192;

// The accepted format that the last three characters of path name, else FIF_UNKNOWN.
FREE_IMAGE_FORMAT ImageFormatFromName(const char* path);

// Whether the library's decoder of format may run while another picture decodes on another
// thread. Only JPEG is known to keep all its state per call; the Sun raster decoder, for one,
// does not.
bool DecodesConcurrently(FREE_IMAGE_FORMAT format);

// The decoding flags of an accepted format: JPEG decodes with JPEG_ACCURATE, the rest with 0.
int ImageDecodeFlags(FREE_IMAGE_FORMAT format);

// The picture at path as the file holds it. Null when the format is not accepted, the file
// cannot be read, its header declares no size or one beyond largestPictureSide, the file
// ends before the decoder has read what it needs, or the decoder reported damage on the way
// (a truncated JPEG still decodes, with its missing part filled in). The image library
// prints nothing.
Bitmap DecodeImageFile(const char* path);
