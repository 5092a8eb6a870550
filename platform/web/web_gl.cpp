// What the program calls of OpenGL 1.1 and WGL that WebGL and the legacy GL emulation lack:
// textures in blue-first byte order and by component count, interleaved vertex arrays, the
// double-precision clear depth, the shading model, the fixed-function hints, and the bitmap
// font, whose glyph lists draw as one texture that the browser's own text rendering fills.

#include "platform/gl_context.h"
#include "platform/glyphs.h"

#include <GL/gl.h>
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalFormat,
                                        GLsizei width, GLsizei height, GLint border, GLenum format,
                                        GLenum type, const void* pixels);
extern "C" void emscripten_glClearDepthf(GLclampf depth);
extern "C" void emscripten_glHint(GLenum target, GLenum mode);

namespace {

struct FontLists {
    GLuint listBase;
    DWORD first;
    DWORD count;
    int pixelHeight;
};

std::vector<FontLists> fonts;
GLuint currentListBase = 0;

// clang-format off
// White glyph pixels, fully opaque or fully clear as a bitmap font's are, rows from the top.
EM_JS(std::uint8_t*, JsRenderText, (const char* text, int pixelHeight, int* metrics), {
    const string = UTF8ToString(text);
    const canvas = document.createElement("canvas");
    let context = canvas.getContext("2d");
    const font = pixelHeight + "px sans-serif";
    context.font = font;
    const measured = context.measureText(string);
    const ascent = Math.ceil(measured.fontBoundingBoxAscent || pixelHeight);
    const descent = Math.ceil(measured.fontBoundingBoxDescent || pixelHeight / 4);
    const width = Math.max(1, Math.ceil(measured.width));
    const height = Math.max(1, ascent + descent);
    canvas.width = width;
    canvas.height = height;
    context = canvas.getContext("2d");
    context.font = font;
    context.fillStyle = "#fff";
    context.textBaseline = "alphabetic";
    context.fillText(string, 0, ascent);
    const pixels = context.getImageData(0, 0, width, height).data;
    const buffer = _malloc(pixels.length);
    for (let i = 0; i < pixels.length; i += 4) {
        const on = pixels[i + 3] >= 128 ? 255 : 0;
        HEAPU8[buffer + i] = on;
        HEAPU8[buffer + i + 1] = on;
        HEAPU8[buffer + i + 2] = on;
        HEAPU8[buffer + i + 3] = on;
    }
    HEAP32[metrics >> 2] = width;
    HEAP32[(metrics >> 2) + 1] = height;
    HEAP32[(metrics >> 2) + 2] = ascent;
    return buffer;
});
// clang-format on

bool IsBlueFirst(GLenum format) {
    return format == GL_BGR_EXT || format == GL_BGRA_EXT;
}

int BytesPerPixel(GLenum format) {
    return format == GL_BGR_EXT || format == GL_RGB ? 3 : 4;
}

// WebGL takes red-first bytes, and an internal format equal to the pixels' format: every
// colour picture goes up as RGBA, opaque where the program asked for three components.
std::vector<std::uint8_t> ToRgba(GLsizei width, GLsizei height, GLenum format, bool opaque,
                                 const std::uint8_t* source) {
    const int bytes = BytesPerPixel(format);
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bytes + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    std::uint8_t* target = rgba.data();
    for (GLsizei row = 0; row < height; ++row) {
        const std::uint8_t* pixel = source + row * rowBytes;
        for (GLsizei column = 0; column < width; ++column, pixel += bytes, target += 4) {
            const bool blueFirst = IsBlueFirst(format);
            target[0] = pixel[blueFirst ? 2 : 0];
            target[1] = pixel[1];
            target[2] = pixel[blueFirst ? 0 : 2];
            target[3] = bytes == 4 && !opaque ? pixel[3] : 0xFF;
        }
    }
    return rgba;
}

bool IsColour(GLenum format) {
    return format == GL_RGB || format == GL_RGBA || IsBlueFirst(format);
}

const FontLists* FontOfList(GLuint list) {
    for (const FontLists& font : fonts) {
        if (list >= font.listBase && list - font.listBase < font.count) {
            return &font;
        }
    }
    return nullptr;
}

// Windows-1252 text as UTF-8, the bytes above 0x7F read as Latin-1.
void AppendCharacter(std::string& text, DWORD code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
        return;
    }
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
}

struct RasterPosition {
    float x = 0.0f; // window pixels from the bottom left
    float y = 0.0f;
};
RasterPosition raster;

void Transform(const GLfloat* matrix, const float in[4], float out[4]) {
    for (int row = 0; row < 4; ++row) {
        out[row] = matrix[row] * in[0] + matrix[4 + row] * in[1] + matrix[8 + row] * in[2] +
                   matrix[12 + row] * in[3];
    }
}

void DrawTextTexture(const std::uint8_t* pixels, int width, int height, int ascent) {
    GLint viewport[4] = {0, 0, 0, 0};
    GLint boundTexture = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                            pixels);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, viewport[2], 0.0, viewport[3], -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    const float left = raster.x;
    const float right = raster.x + static_cast<float>(width);
    const float top = raster.y + static_cast<float>(ascent);
    const float bottom = top - static_cast<float>(height);
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_TRIANGLE_FAN);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(left, top);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(right, top);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(right, bottom);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(left, bottom);
    glEnd();
    glDisable(GL_TEXTURE_2D);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(boundTexture));
    glDeleteTextures(1, &texture);
    raster.x += static_cast<float>(width);
}

} // namespace

extern "C" {

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void* pixels) {
    if (!IsColour(format) || type != GL_UNSIGNED_BYTE || pixels == nullptr) {
        emscripten_glTexImage2D(target, level, internalFormat, width, height, border, format, type,
                                pixels);
        return;
    }
    const bool opaque = internalFormat == 3 || internalFormat == GL_RGB;
    const std::vector<std::uint8_t> rgba =
        ToRgba(width, height, format, opaque, static_cast<const std::uint8_t*>(pixels));
    emscripten_glTexImage2D(target, level, GL_RGBA, width, height, border, GL_RGBA,
                            GL_UNSIGNED_BYTE, rgba.data());
}

void glClearDepth(GLclampd depth) {
    emscripten_glClearDepthf(static_cast<GLclampf>(depth));
}

// Colours are always interpolated in WebGL, which is the smooth shading the program asks for.
void glShadeModel(GLenum /*mode*/) {}

// WebGL knows one hint; the fixed-function ones are for quality the emulation does not vary.
void glHint(GLenum target, GLenum mode) {
    constexpr GLenum generateMipmapHint = 0x8192;
    if (target == generateMipmapHint) {
        emscripten_glHint(target, mode);
    }
}

void glInterleavedArrays(GLenum format, GLsizei stride, const GLvoid* pointer) {
    if (format != GL_T2F_C4F_N3F_V3F) {
        return; // the one layout the program draws with
    }
    constexpr GLsizei vertexBytes = 12 * sizeof(GLfloat);
    const GLsizei step = stride != 0 ? stride : vertexBytes;
    const auto* bytes = static_cast<const std::uint8_t*>(pointer);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, step, bytes);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, step, bytes + 2 * sizeof(GLfloat));
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, step, bytes + 6 * sizeof(GLfloat));
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, step, bytes + 9 * sizeof(GLfloat));
}

void glRasterPos2f(GLfloat x, GLfloat y) {
    GLfloat modelview[16];
    GLfloat projection[16];
    GLint viewport[4] = {0, 0, 0, 0};
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float object[4] = {x, y, 0.0f, 1.0f};
    float eye[4];
    float clip[4];
    Transform(modelview, object, eye);
    Transform(projection, eye, clip);
    const float w = clip[3] != 0.0f ? clip[3] : 1.0f;
    raster.x = static_cast<float>(viewport[0]) + (clip[0] / w + 1.0f) * 0.5f * viewport[2];
    raster.y = static_cast<float>(viewport[1]) + (clip[1] / w + 1.0f) * 0.5f * viewport[3];
}

void glListBase(GLuint base) {
    currentListBase = base;
}

void glCallLists(GLsizei count, GLenum type, const GLvoid* lists) {
    if (type != GL_UNSIGNED_BYTE || lists == nullptr || count <= 0) {
        return;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(lists);
    const FontLists* font = nullptr;
    std::string text;
    for (GLsizei i = 0; i < count; ++i) {
        const GLuint list = currentListBase + bytes[i];
        const FontLists* found = FontOfList(list);
        if (found == nullptr) {
            continue;
        }
        font = found;
        const DWORD code = font->first + (list - font->listBase);
        if (code >= 0x20) {
            AppendCharacter(text, code);
        }
    }
    if (font == nullptr || text.empty()) {
        return;
    }
    int metrics[3] = {0, 0, 0};
    std::uint8_t* pixels = JsRenderText(text.c_str(), font->pixelHeight, metrics);
    DrawTextTexture(pixels, metrics[0], metrics[1], metrics[2]);
    std::free(pixels);
}

} // extern "C"

bool CompileGlyphLists(const GlyphFont& font, unsigned first, unsigned count, unsigned listBase) {
    fonts.erase(
        std::remove_if(fonts.begin(), fonts.end(),
                       [listBase](const FontLists& lists) { return lists.listBase == listBase; }),
        fonts.end());
    fonts.push_back({listBase, first, count, font.pixelHeight});
    return true;
}
