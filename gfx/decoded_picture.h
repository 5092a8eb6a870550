#pragma once

// The half of loading a sprite that needs no OpenGL: the picture decoded, brought to the
// asked depth, its mask merged, and its pixels laid out for the texture. It makes no OpenGL
// call and writes none of the program's process-wide state, so a picture can be decoded on
// another thread than the one that holds the context and uploads it.

#include "gfx/image_file.h"

#include <optional>

// The arguments of the texture's glTexImage2D; no image at all when internalFormat is 0.
struct TextureUpload {
    int internalFormat = 0;
    unsigned int format = 0;
    unsigned int type = 0;
    int width = 0;
    int height = 0;
    const void* pixels = nullptr; // the picture's own, or those of its converted copy
};

struct DecodedPicture {
    Bitmap image;     // the final picture, which the sprite keeps
    Bitmap converted; // what goes up where the image's own pixels cannot, else null
    bool hasAlpha = false;
    TextureUpload upload;
};

// Decodes path at bpp bits (0 keeps the file's depth; 8, 16, 24 and 32 convert; other
// values convert nothing). A 32-bit picture takes maskPath's grey levels as its alpha, or
// is made opaque when no mask is given; a mask that does not load is left out. Nothing
// when the picture cannot be loaded or converted.
std::optional<DecodedPicture> DecodePicture(const char* path, int bpp, const char* maskPath);
