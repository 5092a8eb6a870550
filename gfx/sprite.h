#pragma once

// A picture held as an OpenGL texture, with the placement values that drawing applies.

#include <optional>

struct DecodedPicture;
struct FIBITMAP;

struct Sprite {
    Sprite();
    ~Sprite();
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // Decodes path at bpp bits (0 keeps the file's depth), merges maskPath's grey levels
    // into the alpha channel when it is given, and uploads the texture. Needs a current
    // OpenGL context. 0 on success; 1 with the message in the last-error text.
    int Load(const char* path, int bpp, const char* maskPath);
    // Load for a picture decoded elsewhere (DecodePicture): uploads it, or fails as Load
    // does for path when there is none.
    int LoadDecoded(const char* path, std::optional<DecodedPicture> picture);
    // The OpenGL half of Load, after DecodePicture: keeps the picture's image and makes the
    // texture from it. Needs a current OpenGL context; leaves the texture bound.
    void Upload(DecodedPicture&& picture);

    bool hasAlpha;
    float x;
    float y;
    int width;
    int height;
    int pitch;
    float pivotX; // image pixels from the left edge
    float pivotY; // image pixels from the top edge
    float scaleX;
    float scaleY;
    float sinA; // drawing rotates by sinA and cosA alone
    float cosA;
    float angle;
    float r;
    float g;
    float b;
    float a;
    FIBITMAP* image;      // owned
    unsigned int texture; // 0 until a load succeeds
};
