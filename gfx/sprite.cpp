#include "gfx/sprite.h"

#include "app/error_text.h"
#include "gfx/decoded_picture.h"

#include <GL/gl.h>

#include <cstdio>
#include <utility>

namespace {

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
    return LoadDecoded(path, DecodePicture(path, bpp, maskPath));
}

int Sprite::LoadDecoded(const char* path, std::optional<DecodedPicture> picture) {
    if (!picture) {
        ReportUnloadable(path);
        return 1;
    }
    Upload(std::move(*picture));
    return 0;
}

void Sprite::Upload(DecodedPicture&& picture) {
    hasAlpha = picture.hasAlpha || hasAlpha;
    if (image != nullptr) {
        FreeImage_Unload(image);
    }
    image = picture.image.release();
    x = 0.0f;
    y = 0.0f;
    width = static_cast<int>(FreeImage_GetWidth(image));
    height = static_cast<int>(FreeImage_GetHeight(image));
    pitch = static_cast<int>(FreeImage_GetPitch(image));

    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const TextureUpload& upload = picture.upload;
    if (upload.internalFormat != 0) {
        glTexImage2D(GL_TEXTURE_2D, 0, upload.internalFormat, upload.width, upload.height, 0,
                     upload.format, upload.type, upload.pixels);
    }
}
