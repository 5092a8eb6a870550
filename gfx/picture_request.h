#pragma once

// A picture file to decode, as a sprite loads it.

struct PictureRequest {
    const char* path;
    int bpp;
    const char* maskPath; // null: no mask
};
