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

// The accepted format that the last three characters of path name, else FIF_UNKNOWN.
FREE_IMAGE_FORMAT ImageFormatFromName(const char* path);

// The decoding flags of an accepted format: JPEG decodes with JPEG_ACCURATE, the rest with 0.
int ImageDecodeFlags(FREE_IMAGE_FORMAT format);

// The picture at path as the file holds it. Null when the format is not accepted, the
// file cannot be read, or the decoder reported damage on the way (a truncated JPEG still
// decodes, with its missing part filled in). The image library prints nothing.
Bitmap DecodeImageFile(const char* path);
